// Checks what remove_directory_tree would work on, for arbitrary paths: never a bare drive or a
// drive root, never an empty path, and always the given path less its leading spaces.
#include <string_view>

#include "filesystem/directory_tree.h"
#include "tests/fuzz/fuzz_checks.h"

using orlavex::fuzz::check;

namespace {

bool is_drive_or_root(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' && (path.size() == 2 || (path.size() == 3 && path[2] == '\\'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view path(reinterpret_cast<const char*>(data), size);
  const std::size_t spaces = std::min(path.find_first_not_of(' '), path.size());
  const std::string_view rest = path.substr(spaces);
  const std::optional<std::string_view> working = removal_path(path);
  if (rest.empty() || is_drive_or_root(rest)) {
    check(!working);
  } else {
    check(working && working->data() == rest.data() && working->size() == rest.size());
  }
  return 0;
}
