// Hostile trees: what a disk may hold that the program must survive without crashing, hanging, or
// touching anything outside the six targets.
#include <fcntl.h>
#include <iconv.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/harness.h"

namespace orlavex::e2e {
namespace {

// Waits up to `seconds` for `fd` to become readable.
bool wait_readable(int fd, int seconds) {
  pollfd watched = {fd, POLLIN, 0};
  return poll(&watched, 1, seconds * 1000) == 1;
}

// Returns the UTF-8 form of one GBK character, or "" when GBK does not define it.
std::string gbk_to_utf8(const std::string& gbk) {
  const iconv_t converter = iconv_open("UTF-8", "GBK");
  if (converter == reinterpret_cast<iconv_t>(-1)) return "";
  std::string in = gbk;
  char out[16];
  char* in_next = in.data();
  char* out_next = out;
  std::size_t in_left = in.size(), out_left = sizeof out;
  const bool converted = iconv(converter, &in_next, &in_left, &out_next, &out_left) != static_cast<std::size_t>(-1);
  iconv_close(converter);
  return converted && in_left == 0 ? std::string(out, static_cast<std::size_t>(out_next - out)) : "";
}

TEST_F(EndToEnd, ChainPastThePathLimitIsRemovedAsFarAsItReaches) {
  fill_every_drive();
  // About 4,900 bytes deep: past the 260 bytes of Windows' ANSI paths and Linux's 4,096 alike.
  const std::string name(60, 'd');
  constexpr int kDepth = 80;
  make_chain(users('c'), name, kDepth);
  const Snapshot before = snapshot_all();

  run_and_expect_silent_success("\n");

  const std::vector<bool> left = chain_files_left(users('c'), name, kDepth);
  ASSERT_EQ(left.size(), static_cast<std::size_t>(kDepth)) << "a folder past the limit was removed";
  EXPECT_FALSE(left.front()) << "the top of the chain was not removed";
  EXPECT_TRUE(left.back());
  // What the program reached is gone, what it could not reach is all there.
  const auto first_left = std::find(left.begin(), left.end(), true);
  EXPECT_TRUE(std::all_of(first_left, left.end(), [](bool file) { return file; }));
  EXPECT_EQ(without_targets(snapshot_all()), without_targets(before));
  for (const char* letter = kTargetDrives + 1; *letter; ++letter) EXPECT_FALSE(is_present(users(*letter)));
}

TEST_F(EndToEnd, FolderOf200000EntriesIsRemoved) {
  fill_every_drive();
  const Snapshot before = snapshot_all();
  const fs::path flat = users('g') / "flat";
  fs::create_directories(flat);
  for (int i = 0; i < 200000; ++i) write_file(flat / ("cache-entry-" + std::to_string(i) + ".dat"), "");

  run_and_expect_silent_success("\n");

  expect_only_targets_removed(before);
}

TEST_F(EndToEnd, FileInUseStaysWithItsFoldersAndTheRestGoes) {
  if (!program.under_wine) GTEST_SKIP() << "POSIX has no share modes: nothing can hold a file against deletion";
  ASSERT_TRUE(fs::exists(program.hold_file_helper)) << "pass --hold-file with the Windows helper";
  fill_every_drive();
  make_tree(users('c'), {"alice/cache/held.dat"});
  const Snapshot before = snapshot_all();
  int to_helper[2], from_helper[2];
  ASSERT_EQ(pipe2(to_helper, O_CLOEXEC), 0);
  ASSERT_EQ(pipe2(from_helper, O_CLOEXEC), 0);
  const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
  const pid_t helper = spawn({"wine", program.hold_file_helper.string(), "C:\\TaobaoAssistant\\Users\\alice\\cache\\held.dat"},
                             to_helper[0], from_helper[1], quiet);
  for (const int fd : {to_helper[0], from_helper[1], quiet}) close(fd);
  char said[8] = {};
  const bool held = wait_readable(from_helper[0], 60) && read(from_helper[0], said, 4) == 4;

  if (held) run_and_expect_silent_success("\n");

  close(to_helper[1]);
  close(from_helper[0]);
  EXPECT_EQ(wait_for(helper, 60), 0);
  ASSERT_TRUE(held) << "the helper did not open the file";
  const Snapshot left = {{"alice", "dir"}, {"alice/cache", "dir"}, {"alice/cache/held.dat", "file: alice/cache/held.dat"}};
  EXPECT_EQ(snapshot(users('c')), left);
  EXPECT_EQ(without_targets(snapshot_all()), without_targets(before));
}

TEST_F(EndToEnd, EntryCreatedDuringTheRemovalStaysWithItsFolders) {
  fill_every_drive();
  const fs::path busy = users('c') / "busy";
  fs::create_directories(busy);
  // Enough entries that the removal is still under way when the new one arrives.
  for (int i = 0; i < 20000; ++i) write_file(busy / ("old-" + std::to_string(i)), "");
  const Snapshot before = snapshot_all();
  const int watch = inotify_init1(IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, busy.c_str(), IN_DELETE), 0);
  bool created = false;
  std::thread creator([&] {
    // As soon as the program has removed the first entry, so its listing is complete.
    if (!wait_readable(watch, 600)) return;
    write_file(busy / "late.dat", "late");
    created = true;
  });

  run_and_expect_silent_success("\n");

  creator.join();
  close(watch);
  ASSERT_TRUE(created);
  const Snapshot left = {{"busy", "dir"}, {"busy/late.dat", "file: late"}};
  EXPECT_EQ(snapshot(users('c')), left);
  EXPECT_EQ(without_targets(snapshot_all()), without_targets(before));
  for (const char* letter = kTargetDrives + 1; *letter; ++letter) EXPECT_FALSE(is_present(users(*letter)));
}

TEST_F(EndToEnd, NamesOfEveryGbkLeadByteAreRemoved) {
  fill_drive('d');
  // For each lead byte, a name of its characters with the trail bytes 0x40, 0x5C ("\"), 0x7C
  // ("|") and 0xA1, as far as GBK defines them; every tenth one a folder.
  int names = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    std::string name;
    for (const int trail : {0x40, 0x5C, 0x7C, 0xA1}) {
      name += gbk_to_utf8({static_cast<char>(lead), static_cast<char>(trail)});
    }
    if (name.empty()) continue;
    const fs::path entry = users('d') / (name + ".dat");
    if (lead % 10 == 0) {
      make_tree(entry, {"inside.dat"});
    } else {
      write_file(entry, name);
    }
    ++names;
  }
  ASSERT_GT(names, 100);

  run_and_expect_silent_success("\n");

  EXPECT_EQ(snapshot(users('d')), Snapshot{});
}

TEST_F(EndToEnd, NamesWithSpacesDotsAndPercentSignsAreRemoved) {
  fill_drive('e');
  make_tree(users('e'), {"name with spaces.txt", " leading space", "100% %s %n %x.txt", "trailing dot.",
                         "trailing dots..", "trailing space ", "folder./inside.txt", "folder /inside.txt"});

  run_and_expect_silent_success("\n");

  // Win32 drops a trailing dot or space from every path, so such an entry is reached through its
  // 8.3 name, which Wine keeps and the native stand-in does not.
  const Snapshot left_natively = {
      {"trailing dot.", "file: trailing dot."}, {"trailing dots..", "file: trailing dots.."},
      {"trailing space ", "file: trailing space "}, {"folder.", "dir"}, {"folder./inside.txt", "file: folder./inside.txt"},
      {"folder ", "dir"}, {"folder /inside.txt", "file: folder /inside.txt"}};
  EXPECT_EQ(snapshot(users('e')), program.under_wine ? Snapshot{} : left_natively);
}

TEST_F(EndToEnd, TargetThatIsNoFolderIsLeftAlone) {
  make_tree(drive('c') / "TaobaoAssistant", {"Users"});  // a file named Users
  write_file(drive('d') / "TaobaoAssistant", "a file where the folder should be");
  fill_drive('e');
  const Snapshot before = snapshot_all();

  run_and_expect_silent_success("\n");

  EXPECT_EQ(without_targets(snapshot_all()), without_targets(before));
  EXPECT_EQ(read_file(users('c')), "Users");
  EXPECT_EQ(read_file(drive('d') / "TaobaoAssistant"), "a file where the folder should be");
  EXPECT_FALSE(is_present(users('e')));
}

TEST_F(EndToEnd, TargetThatIsALinkLosesItsContentsOnly) {
  make_tree(drive('c') / "TaobaoAssistant", {"Keep/keep.txt"});
  make_tree(outside_, {"appdata/alice/cache.dat", "appdata/settings.ini", "precious/letter.doc"});
  fs::create_directory_symlink(outside_ / "precious", outside_ / "appdata" / "precious");
  fs::create_directory_symlink(outside_ / "appdata", users('c'));
  const Snapshot before = snapshot_all();

  run_and_expect_silent_success("\n");

  // The folder the target points to holds the application's data: emptied, links inside it
  // removed and not followed. Wine cannot remove a link to a directory, so there they stay.
  Snapshot expected = before;
  for (const char* gone : {"outside/appdata/alice", "outside/appdata/alice/cache.dat", "outside/appdata/settings.ini"}) {
    expected.erase(gone);
  }
  if (!program.under_wine) {
    expected.erase("outside/appdata/precious");
    expected.erase("c:/TaobaoAssistant/Users");
  }
  EXPECT_EQ(snapshot_all(), expected);
}

}  // namespace
}  // namespace orlavex::e2e
