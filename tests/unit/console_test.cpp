#include "console/console.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/tree.h"

namespace {

using namespace orlavex::test;

// A stream that reads back `content`.
std::FILE* stream_of(const std::string& content) {
  std::FILE* stream = std::tmpfile();
  std::fwrite(content.data(), 1, content.size(), stream);
  std::rewind(stream);
  return stream;
}

struct ReadCase {
  std::string input;
  std::optional<AnsiText> expected;
};

TEST(ConsoleReadLine, ReturnsOneLineOrNone) {
  const ReadCase cases[] = {
      {"hello\nworld\n", "hello\n"},
      {"\n", "\n"},
      {"last line", "last line"},
      {"", std::nullopt},
      {std::string("\0rest\n", 6), std::nullopt},
      {std::string("ab\0cd\n", 6), "ab"},
  };
  for (const ReadCase& c : cases) {
    std::FILE* input = stream_of(c.input);
    const ConsoleLine line = console_read_line(input);
    EXPECT_EQ(line.text, c.expected) << c.input;
    EXPECT_FALSE(line.failed) << c.input;
    std::fclose(input);
  }
}

TEST(ConsoleReadLine, TakesAtMost2048BytesAndLeavesTheRest) {
  std::FILE* input = stream_of(std::string(2048, 'a') + std::string(952, 'b') + "\nnext\n");

  const ConsoleLine first = console_read_line(input);
  const ConsoleLine second = console_read_line(input);

  EXPECT_EQ(first.text, std::string(2048, 'a'));
  EXPECT_EQ(second.text, std::string(952, 'b') + "\n");
  std::fclose(input);
}

TEST(ConsoleReadLine, ReportsAFailedReadApartFromTheEndOfInput) {
  const fs::path folder = make_temp_directory("orlavex-console");
  std::FILE* write_only = std::fopen((folder / "out").c_str(), "w");
  ASSERT_NE(write_only, nullptr);

  const ConsoleLine line = console_read_line(write_only);

  EXPECT_EQ(line.text, std::nullopt);
  EXPECT_TRUE(line.failed);
  std::fclose(write_only);
  fs::remove_all(folder);
}

TEST(ConsoleWrite, WritesTextsBackToBackUnchangedAndSkipsAbsentOnes) {
  const fs::path folder = make_temp_directory("orlavex-console");
  const fs::path captured = folder / "stdout";
  std::fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  ASSERT_NE(std::freopen(captured.c_str(), "w", stdout), nullptr);

  console_write({"100% %s done", nullptr, "|%d\r\n", ""});
  const std::string written = read_file(captured);  // read before restoring: nothing is buffered

  std::fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  EXPECT_EQ(written, "100% %s done|%d\r\n");
  fs::remove_all(folder);
}

}  // namespace
