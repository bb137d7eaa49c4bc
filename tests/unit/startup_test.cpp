#include "cleanup/startup.h"

#include <unistd.h>

#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/tree.h"

namespace {

bool gbk_lead_byte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool no_lead_byte(unsigned char) { return false; }

struct FolderCase {
  std::string path;
  DWORD buffer_size;
  LeadBytePredicate is_lead_byte;
  std::optional<std::string> expected;
};

std::optional<std::string> folder_of(const FolderCase& c) {
  const std::optional<std::string_view> folder = module_folder(c.path, c.buffer_size, c.is_lead_byte);
  return folder ? std::optional<std::string>(*folder) : std::nullopt;
}

TEST(ModuleFolder, CutsAtTheLastRealBackslash) {
  const FolderCase cases[] = {
      {"C:\\Tools\\orlavex.exe", 260, gbk_lead_byte, "C:\\Tools"},
      // 乗 (81 5C) in the file name: its trail byte is no separator.
      {"C:\\Tools\\\x81\x5C.exe", 260, gbk_lead_byte, "C:\\Tools"},
      {"C:\\\x81\x5C\\orlavex.exe", 260, gbk_lead_byte, "C:\\\x81\x5C"},
      {"C:\\Tools\\\x81\x5C.exe", 260, no_lead_byte, "C:\\Tools\\\x81"},
      {"C:\\a\\\x81", 260, gbk_lead_byte, "C:\\a"},  // a lead byte at the very end
      {"C:\\a\x81:\\b.exe", 260, gbk_lead_byte, "C:\\a\x81:"},  // 0x3A is no trail byte
      {"C:\\orlavex.exe", 260, gbk_lead_byte, "C:"},
      {"orlavex.exe", 260, gbk_lead_byte, std::nullopt},
      {"", 260, gbk_lead_byte, std::nullopt},
      // A path that filled the buffer was cut, and names some other folder.
      {"C:\\" + std::string(251, 'a') + "\\x.exe", 260, gbk_lead_byte, std::nullopt},
      {"C:\\" + std::string(250, 'a') + "\\x.exe", 260, gbk_lead_byte, "C:\\" + std::string(250, 'a')},
  };
  for (const FolderCase& c : cases) {
    EXPECT_EQ(folder_of(c), c.expected) << c.path;
  }
}

TEST(EnterExecutableFolder, MakesTheExecutablesFolderCurrent) {
  char own_path[PATH_MAX] = {};
  ASSERT_GT(readlink("/proc/self/exe", own_path, sizeof own_path - 1), 0);
  char saved[PATH_MAX];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(chdir("/"), 0);

  enter_executable_folder();

  char current[PATH_MAX];
  ASSERT_NE(getcwd(current, sizeof current), nullptr);
  EXPECT_EQ(orlavex::test::fs::path(current), orlavex::test::fs::path(own_path).parent_path());
  ASSERT_EQ(chdir(saved), 0);
}

}  // namespace
