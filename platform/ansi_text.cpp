#include "platform/ansi_text.h"

#include "platform/win32.h"

namespace {

// Visits the single-byte characters of `text` that are one of `chars`, first to last, until
// `visit` returns false.
template <typename Visit>
void for_each_match(std::string_view text, std::string_view chars, LeadBytePredicate is_lead_byte,
                    Visit visit) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (is_lead_byte(byte)) {
      ++i;  // the trail byte belongs to this character
    } else if (chars.find(text[i]) != std::string_view::npos && !visit(i)) {
      return;
    }
  }
}

}  // namespace

bool system_lead_byte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

std::size_t ansi_find_first_of(std::string_view text, std::string_view chars, LeadBytePredicate is_lead_byte) {
  std::size_t found = std::string_view::npos;
  for_each_match(text, chars, is_lead_byte, [&](std::size_t i) {
    found = i;
    return false;
  });
  return found;
}

std::size_t ansi_find_last_of(std::string_view text, std::string_view chars, LeadBytePredicate is_lead_byte) {
  std::size_t found = std::string_view::npos;
  for_each_match(text, chars, is_lead_byte, [&](std::size_t i) {
    found = i;
    return true;
  });
  return found;
}
