// What the fuzz targets share: a check that stops the run, and an account of GBK characters made
// independently of the program's own scan.
#pragma once

#include <cstdlib>
#include <string_view>
#include <vector>

namespace orlavex::fuzz {

inline void check(bool condition) {
  if (!condition) std::abort();
}

inline bool gbk_lead_byte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

// Marks the positions at which a character starts. A lead byte takes the next byte as its trail
// only when that byte can be one (0x40 or above).
inline std::vector<bool> character_starts(std::string_view text) {
  std::vector<bool> starts(text.size(), false);
  for (std::size_t i = 0; i < text.size(); ++i) {
    starts[i] = true;
    const bool has_trail = i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x40;
    if (gbk_lead_byte(static_cast<unsigned char>(text[i])) && has_trail) ++i;
  }
  return starts;
}

}  // namespace orlavex::fuzz
