// Feeds arbitrary bytes to console_read_line as standard input and checks each line against the
// bytes it was read from.
#include <cstdio>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "tests/fuzz/fuzz_checks.h"

using orlavex::fuzz::check;

namespace {

// The line fgets must return for input starting at `rest`: up to and including the first LF, at
// most 2048 bytes, cut at the first NUL (which ends the C string).
std::string_view expected_line(std::string_view rest) {
  std::string_view line = rest.substr(0, std::min<std::size_t>(rest.size(), 2048));
  if (const std::size_t end = line.find('\n'); end != std::string_view::npos) line = line.substr(0, end + 1);
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  std::vector<char> input(data, data + size);
  input.push_back('\0');  // fmemopen wants a buffer even for no input
  std::FILE* stream = fmemopen(input.data(), size, "r");
  if (!stream) return 0;
  const std::string_view all(input.data(), size);
  for (;;) {
    const long offset = std::ftell(stream);
    check(offset >= 0 && static_cast<std::size_t>(offset) <= size);
    const std::string_view expected = expected_line(all.substr(static_cast<std::size_t>(offset)));
    const ConsoleLine line = console_read_line(stream);
    check(!line.failed);
    if (expected.empty()) {
      check(!line.text);
      break;
    }
    const std::string_view as_string = expected.substr(0, expected.find('\0'));
    if (as_string.empty()) {
      check(!line.text);
    } else {
      check(line.text && *line.text == as_string);
    }
    check(std::ftell(stream) == offset + static_cast<long>(expected.size()));
  }
  std::fclose(stream);
  return 0;
}
