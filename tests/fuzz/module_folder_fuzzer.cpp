// Splits arbitrary executable paths as GBK and checks that the cut falls on a real backslash, the
// last one, and never on the trail byte of a double-byte character.
#include <string_view>
#include <vector>

#include "cleanup/startup.h"
#include "tests/fuzz/fuzz_checks.h"

using namespace orlavex::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  if (size < 2) return 0;
  const DWORD buffer_size = data[0] + 1;  // the first byte picks the buffer's size
  const std::string_view path(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<bool> starts = character_starts(path);
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (starts[i] && path[i] == '\\') last = i;
  }
  const std::optional<std::string_view> folder = module_folder(path, buffer_size, gbk_lead_byte);
  if (path.size() >= buffer_size || last == std::string_view::npos) {
    check(!folder);
  } else {
    check(folder && folder->data() == path.data() && folder->size() == last);
  }
  return 0;
}
