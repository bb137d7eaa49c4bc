#include "platform/ansi_text.h"

#include "platform/win32.h"

namespace {

// No double-byte code page has a trail byte below 0x40, so a lead byte followed by a lower byte
// (which the system never produces) stands alone, and what follows it is still examined.
constexpr unsigned char kLowestTrailByte = 0x40;

// Returns the position of the first, or with `want_last` the last, single-byte character of
// `text` that is one of `chars`; npos when there is none.
std::size_t find_single_byte(std::string_view text, std::string_view chars, LeadBytePredicate is_lead_byte,
                             bool want_last) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (is_lead_byte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
        static_cast<unsigned char>(text[i + 1]) >= kLowestTrailByte) {
      ++i;  // the trail byte belongs to this character
    } else if (chars.find(text[i]) != std::string_view::npos) {
      found = i;
      if (!want_last) break;
    }
  }
  return found;
}

}  // namespace

bool system_lead_byte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

std::size_t ansi_find_first_of(std::string_view text, std::string_view chars, LeadBytePredicate is_lead_byte) {
  return find_single_byte(text, chars, is_lead_byte, false);
}

std::size_t ansi_find_last_of(std::string_view text, std::string_view chars, LeadBytePredicate is_lead_byte) {
  return find_single_byte(text, chars, is_lead_byte, true);
}
