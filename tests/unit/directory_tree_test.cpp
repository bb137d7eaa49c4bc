#include "filesystem/directory_tree.h"

#include <stdlib.h>

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "tests/support/tree.h"

// Found by argument-dependent lookup, so beside DirectoryEntry.
bool operator==(const DirectoryEntry& a, const DirectoryEntry& b) {
  return a.path == b.path && a.is_directory == b.is_directory && a.is_link == b.is_link;
}

void PrintTo(const DirectoryEntry& e, std::ostream* os) {
  *os << e.path << (e.is_directory ? " dir" : "") << (e.is_link ? " link" : "");
}

namespace {

using namespace orlavex::test;

struct RemovalPathCase {
  const char* path;
  std::optional<std::string_view> expected;
};

TEST(RemovalPath, RefusesEmptyPathsBareDrivesAndDriveRoots) {
  const RemovalPathCase cases[] = {
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"C:", std::nullopt},
      {"C:\\", std::nullopt},
      {" D:\\", std::nullopt},
      {"   C:", std::nullopt},
      {"   C:\\dir", "C:\\dir"},
      {"C:\\dir\\", "C:\\dir\\"},
      {"C:\\\\", "C:\\\\"},
      {"C:dir", "C:dir"},
      {"\tC:\\", "\tC:\\"},  // only spaces are skipped
      {"\\\\server\\share\\dir", "\\\\server\\share\\dir"},
  };
  for (const RemovalPathCase& c : cases) {
    EXPECT_EQ(removal_path(c.path), c.expected) << '"' << c.path << '"';
  }
}

WIN32_FIND_DATAA find_data(const char* name, const char* short_name) {
  WIN32_FIND_DATAA data{};
  std::strncpy(data.cFileName, name, sizeof data.cFileName - 1);
  std::strncpy(data.cAlternateFileName, short_name, sizeof data.cAlternateFileName - 1);
  return data;
}

bool gbk_lead_byte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool no_lead_byte(unsigned char) { return false; }

struct ListedNameCase {
  const char* name;
  const char* short_name;
  std::optional<std::string_view> expected;
  LeadBytePredicate is_lead_byte = gbk_lead_byte;
};

TEST(ListedName, SkipsOnlyDotEntriesAndFallsBackToTheShortName) {
  const ListedNameCase cases[] = {
      {".", "", std::nullopt},
      {"..", "", std::nullopt},
      {".cache", "CACHE~1", ".cache"},
      {"...", "", std::nullopt},
      {"settings.ini", "", "settings.ini"},
      {"\xD3\xC3\xBB\xA7.dat", "", "\xD3\xC3\xBB\xA7.dat"},
      // 乗亅: trail bytes 0x5C and 0x7C are part of their characters.
      {"\x81\x5C\x81\x7C.txt", "", "\x81\x5C\x81\x7C.txt"},
      {"\x81\x5C.txt", "5C~1.TXT", "5C~1.TXT", no_lead_byte},
      {"?? \xB1\xED\xC7\xE9.txt", "1F60~1.TXT", "1F60~1.TXT"},
      {"??.txt", "", std::nullopt},
      {"??.txt", "??~1.TXT", std::nullopt},
      {"..\\Keep", "KEEP~1", "KEEP~1"},
      {"..\\Keep", "", std::nullopt},
      {"a/b", "", std::nullopt},
      {"data.db:stream", "DATADB~1", "DATADB~1"},
      {"st:r", "ST:R~4XR", std::nullopt},
      {"a*b", "A_B~~GMW", "A_B~~GMW"},
      {"p|q", "P_Q~~F54", "P_Q~~F54"},
      {"trail.", "TRAI~DS2", "TRAI~DS2"},
      {"dir ", "DIR_~UI0", "DIR_~UI0"},
      {" lead", "", " lead"},
      {"100% %s", "", "100% %s"},
      {"tab\there", "", std::nullopt},
      // A lead byte before a byte that cannot be a trail byte stands alone (found by fuzzing).
      {"\xAC\xAC\x99\n", "", std::nullopt},
      {"\x99/x", "", std::nullopt},
      {"", "", std::nullopt},
  };
  for (const ListedNameCase& c : cases) {
    EXPECT_EQ(listed_name(find_data(c.name, c.short_name), c.is_lead_byte), c.expected) << c.name;
  }
}

TEST(ListedName, ReadsNoFurtherThanAnUnterminatedShortName) {
  WIN32_FIND_DATAA data = find_data("a?b", "");
  std::memset(data.cAlternateFileName, 'X', sizeof data.cAlternateFileName);
  EXPECT_EQ(listed_name(data), std::string_view("XXXXXXXXXXXXXX"));
}

class DirectoryTree : public ::testing::Test {
 protected:
  void SetUp() override { root_ = make_temp_directory("orlavex-tree"); }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  fs::path root_;
};

TEST_F(DirectoryTree, ListsEntriesUnderTheDirectoryAsGiven) {
  make_tree(root_, {"t/sub/", "t/file.txt", "t/.cache/"});
  fs::create_directory_symlink(root_ / "t/sub", root_ / "t/dirlink");
  fs::create_symlink(root_ / "t/file.txt", root_ / "t/filelink");
  const std::string directory = (root_ / "t").string() + "\\";

  DirectoryListing listing = list_directory_entries(directory);

  std::sort(listing.begin(), listing.end(), [](auto& a, auto& b) { return a.path < b.path; });
  const DirectoryListing expected = {
      {directory + "\\.cache", true, false},   {directory + "\\dirlink", true, true},
      {directory + "\\file.txt", false, false}, {directory + "\\filelink", false, true},
      {directory + "\\sub", true, false},
  };
  EXPECT_EQ(listing, expected);
}

TEST_F(DirectoryTree, ListingOfAMissingDirectoryIsEmpty) {
  EXPECT_TRUE(list_directory_entries((root_ / "missing").string()).empty());
}

TEST_F(DirectoryTree, RemovesAWholeTreeAndReportsIt) {
  make_tree(root_, {"t/a/b/c/deep.dat", "t/a/file", "t/.git/config", "t/empty/"});

  EXPECT_TRUE(remove_directory_tree((root_ / "t").string()));

  EXPECT_FALSE(is_present(root_ / "t"));
}

TEST_F(DirectoryTree, AcceptsLeadingSpacesAndATrailingBackslash) {
  make_tree(root_, {"spaced/a/file", "trailing/a/file"});

  EXPECT_TRUE(remove_directory_tree("   " + (root_ / "spaced").string()));
  EXPECT_TRUE(remove_directory_tree((root_ / "trailing").string() + "\\"));

  EXPECT_EQ(snapshot(root_), Snapshot{});
}

TEST_F(DirectoryTree, ReportsFalseAndChangesNothingForAMissingDirectoryOrAFile) {
  make_tree(root_, {"file.txt"});

  EXPECT_FALSE(remove_directory_tree((root_ / "missing").string()));
  EXPECT_FALSE(remove_directory_tree((root_ / "file.txt").string()));

  EXPECT_EQ(read_file(root_ / "file.txt"), "file.txt");
}

TEST_F(DirectoryTree, KeepsAReadOnlyFileWithItsFoldersAndReportsFalse) {
  make_tree(root_, {"t/a/b/c/locked", "t/a/b/c/loose", "t/a/other", "t/top"});
  fs::permissions(root_ / "t/a/b/c/locked", fs::perms::owner_read);

  EXPECT_FALSE(remove_directory_tree((root_ / "t").string()));

  const Snapshot left = {{"t", "dir"},     {"t/a", "dir"},   {"t/a/b", "dir"},
                         {"t/a/b/c", "dir"}, {"t/a/b/c/locked", "file: t/a/b/c/locked"}};
  EXPECT_EQ(snapshot(root_), left);
}

TEST_F(DirectoryTree, RemovesLinksWithoutFollowingThem) {
  make_tree(root_, {"outside/keep/a", "outside/note", "t/x"});
  fs::create_directory_symlink(root_ / "outside/keep", root_ / "t/dirlink");
  fs::create_symlink(root_ / "outside/note", root_ / "t/filelink");
  const Snapshot outside = snapshot(root_ / "outside");

  EXPECT_TRUE(remove_directory_tree((root_ / "t").string()));

  EXPECT_FALSE(is_present(root_ / "t"));
  EXPECT_EQ(snapshot(root_ / "outside"), outside);
}

TEST_F(DirectoryTree, RefusesDriveRootsWithoutTouchingThem) {
  // The stand-in resolves drive letters through $WINEPREFIX/dosdevices, as Wine does; the test
  // runner points WINEPREFIX at a prefix of its own.
  const fs::path device = fs::path(getenv("WINEPREFIX")) / "dosdevices/c:";
  make_tree(root_, {"drive_c/Windows/system.ini", "drive_c/TaobaoAssistant/Users/u"});
  fs::create_directories(device.parent_path());
  fs::remove(device);
  fs::create_directory_symlink(root_ / "drive_c", device);
  const Snapshot drive = snapshot(root_ / "drive_c");

  for (const char* path : {"C:", "C:\\", "  C:\\", "", "   "}) {
    EXPECT_FALSE(remove_directory_tree(path)) << '"' << path << '"';
  }
  EXPECT_EQ(snapshot(root_ / "drive_c"), drive);

  EXPECT_TRUE(remove_directory_tree("C:\\TaobaoAssistant\\Users"));
  EXPECT_FALSE(is_present(root_ / "drive_c/TaobaoAssistant/Users"));
  EXPECT_TRUE(is_present(root_ / "drive_c/Windows/system.ini"));
}

}  // namespace
