// Fills a find record with arbitrary bytes, terminated or not, and checks that the name the
// listing would use stays inside the record and reaches its own entry.
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "filesystem/directory_tree.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool gbk_lead_byte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

bool within(std::string_view text, const char* field, std::size_t field_size) {
  return text.data() >= field && text.data() + text.size() <= field + field_size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  WIN32_FIND_DATAA record;
  std::memset(&record, 0, sizeof record);
  // The long name first, the short name from the last 14 bytes, both possibly unterminated.
  std::memcpy(record.cFileName, data, std::min(size, sizeof record.cFileName));
  if (size > sizeof record.cFileName) {
    std::memcpy(record.cAlternateFileName, data + sizeof record.cFileName,
                std::min(size - sizeof record.cFileName, sizeof record.cAlternateFileName));
  }
  const std::optional<std::string_view> name = listed_name(record, gbk_lead_byte);
  if (!name) return 0;
  check(within(*name, record.cFileName, sizeof record.cFileName) ||
        within(*name, record.cAlternateFileName, sizeof record.cAlternateFileName));
  check(!name->empty() && *name != "." && *name != "..");
  check(name->back() != '.' && name->back() != ' ');
  check(ansi_find_first_of(*name, "\"*/:<>?\\|", gbk_lead_byte) == std::string_view::npos);
  for (const char c : *name) check(static_cast<unsigned char>(c) >= 0x20);  // no trail byte is below 0x40
  return 0;
}
