// Fills a find record with arbitrary bytes, terminated or not, and checks that the name the
// listing would use stays inside the record and reaches its own entry.
#include <cstring>
#include <string_view>
#include <vector>

#include "filesystem/directory_tree.h"
#include "tests/fuzz/fuzz_checks.h"

using namespace orlavex::fuzz;

namespace {

bool within(std::string_view text, const char* field, std::size_t field_size) {
  return text.data() >= field && text.data() + text.size() <= field + field_size;
}

// Whether any single-byte character of `name` is one that no Windows name holds; trail bytes,
// which are never below 0x40, do not count.
bool holds_a_forbidden_character(std::string_view name) {
  const std::vector<bool> starts = character_starts(name);
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (starts[i] && (byte < 0x20 || std::strchr("\"*/:<>?\\|", byte))) return true;
  }
  return false;
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
  check(!holds_a_forbidden_character(*name));
  return 0;
}
