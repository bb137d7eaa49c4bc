// Hostile trees: what a disk may hold that the program must survive without crashing, hanging, or
// touching anything outside the six targets.
#include "tests/e2e/harness.h"

namespace orlavex::e2e {
namespace {
}  // namespace
}  // namespace orlavex::e2e
