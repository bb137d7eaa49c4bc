// Splits arbitrary executable paths as GBK and checks that the cut falls on a real backslash, the
// last one, and never on the trail byte of a double-byte character.
#include <cstdlib>
#include <string_view>
#include <vector>

#include "cleanup/startup.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool gbk_lead_byte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// Marks the positions at which a character starts.
std::vector<bool> character_starts(std::string_view text) {
  std::vector<bool> starts(text.size(), false);
  for (std::size_t i = 0; i < text.size(); ++i) {
    starts[i] = true;
    const bool has_trail = i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x40;
    if (gbk_lead_byte(static_cast<unsigned char>(text[i])) && has_trail) ++i;
  }
  return starts;
}

}  // namespace

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
