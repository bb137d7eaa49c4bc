// End-to-end cases: the program run as a user runs it, natively and under Wine (see harness.h).
#include <regex>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"

namespace orlavex::e2e {
namespace {

TEST_F(EndToEnd, WritesTheTextsAndRemovesEveryTargetOnEnter) {
  fill_every_drive();
  const Snapshot before = snapshot_all();

  run_and_expect_silent_success("\n");

  for (const char* letter = kTargetDrives; *letter; ++letter) EXPECT_FALSE(is_present(users(*letter)));
  expect_only_targets_removed(before);
}

struct NamedInput {
  const char* name;
  Input input;
};

const NamedInput kInputs[] = {
    {"TypedLine", {Input::Kind::file, "a typed line\n"}},
    {"EmptyLine", {Input::Kind::file, "\n"}},
    {"EndOfInput", {Input::Kind::file, ""}},
    {"NoLineEnd", {Input::Kind::file, "no line end"}},
    {"SeveralLines", {Input::Kind::file, "n\nmore\n"}},
    {"LongLine", {Input::Kind::file, std::string(5000, 'x') + "\n"}},
    {"Binary", {Input::Kind::file, std::string("\0\x1A\xFF\r\x81\n\0junk", 10)}},
    {"ByteByByte", {Input::Kind::trickle, "typed slowly\n"}},
    {"ClosedPipe", {Input::Kind::trickle, ""}},
};

class AnyInput : public EndToEnd, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(AnyInput, StartsTheRemoval) {
  fill_every_drive();
  const Snapshot before = snapshot_all();

  run_and_expect_silent_success(kInputs[GetParam()].input);

  expect_only_targets_removed(before);
}

INSTANTIATE_TEST_SUITE_P(Lines, AnyInput, ::testing::Range<std::size_t>(0, std::size(kInputs)),
                         [](const auto& info) { return std::string(kInputs[info.param].name); });

TEST_F(EndToEnd, FailedReadRemovesNothing) {
  fill_every_drive();
  const Snapshot before = snapshot_all();

  // Standard input open for writing only, or not open at all: the read fails rather than meeting
  // the end of input, as a console read does when Ctrl+C cancels it.
  for (const Input::Kind kind : {Input::Kind::write_only, Input::Kind::closed}) {
    run_and_expect_silent_success(Input{kind, ""});
    EXPECT_EQ(snapshot_all(), before) << "input kind " << static_cast<int>(kind);
  }
}

TEST_F(EndToEnd, MissingTargetsEndSilently) {
  make_tree(drive('c') / "TaobaoAssistant", {"Keep/keep.txt"});
  make_tree(drive('g') / "TaobaoAssistant", {"UsersOld/data.db", "Users.txt"});
  const Snapshot before = snapshot_all();

  run_and_expect_silent_success("\n");

  EXPECT_EQ(snapshot_all(), before);
}

TEST_F(EndToEnd, ReadOnlyFileStaysWithItsFoldersAndTheRestGoes) {
  fill_every_drive();
  make_tree(users('c'), {"a/b/c/locked.dat", "a/b/c/loose.dat", "a/b/sibling.dat", "a/other/x.dat"});
  const fs::path locked = users('c') / "a/b/c/locked.dat";
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const Snapshot before = snapshot_all();

  run_and_expect_silent_success("\n");

  const Snapshot left = {
      {"a", "dir"}, {"a/b", "dir"}, {"a/b/c", "dir"}, {"a/b/c/locked.dat", "file: a/b/c/locked.dat"}};
  EXPECT_EQ(snapshot(users('c')), left);
  fs::remove_all(users('c'));  // checked above; the other drives must be as after any run
  expect_only_targets_removed(before);
}

TEST_F(EndToEnd, DotNamedEntriesAreRemovedToo) {
  fill_drive('c');
  make_tree(users('c'), {".cache/blob", ".git/config", ".hidden", "alice/.settings/x.ini"});

  run_and_expect_silent_success("\n");

  EXPECT_FALSE(is_present(users('c')));
  EXPECT_TRUE(is_present(drive('c') / "TaobaoAssistant/Keep/keep.txt"));
}

TEST_F(EndToEnd, DirectoryLinkIsNeverFollowed) {
  fill_drive('c');
  make_tree(outside_, {"precious/letter.doc", "precious/photos/one.jpg"});
  fs::create_directory_symlink(outside_ / "precious", users('c') / "linked");
  fs::create_directory_symlink(outside_ / "precious", users('c') / "alice" / "linked");
  const Snapshot before = snapshot_all();

  run_and_expect_silent_success("\n");

  EXPECT_EQ(without_targets(snapshot_all()), without_targets(before));
  // Wine cannot remove a link to a directory, so under Wine the links and their folders stay.
  const Snapshot left = snapshot(users('c'));
  for (const auto& [name, kind] : left) EXPECT_NE(kind.rfind("file", 0), 0u) << name << " was not removed";
  if (!program.under_wine) EXPECT_FALSE(is_present(users('c')));
}

TEST_F(EndToEnd, FileLinkIsRemovedAndItsTargetStays) {
  if (program.under_wine) GTEST_SKIP() << "Wine lists a link to a file as the file and deletes its target";
  fill_drive('c');
  make_tree(outside_, {"notes.txt"});
  fs::create_symlink(outside_ / "notes.txt", users('c') / "alice" / "notes.lnk");

  run_and_expect_silent_success("\n");

  EXPECT_EQ(read_file(outside_ / "notes.txt"), "notes.txt");
  EXPECT_FALSE(is_present(users('c')));
}

TEST_F(EndToEnd, GbkNamedEntriesAreRemoved) {
  fill_drive('d');
  // 乗 and 亅 have the GBK trail bytes 0x5C ("\") and 0x7C ("|").
  make_tree(users('d'), {"用户数据/缓存.dat", "乗亅/乗.txt", "百分比 %s %d.txt", "带 空格 .txt", "回车执行/关闭取消/"});

  run_and_expect_silent_success("\n");

  EXPECT_FALSE(is_present(users('d')));
}

TEST_F(EndToEnd, NamesGbkCannotRepresentAreRemoved) {
  fill_drive('e');
  make_tree(users('e'), {"\xF0\x9F\x98\x80 表情.txt", "한국어/데이터.txt", "Ελληνικά.dat"});

  run_and_expect_silent_success("\n");

  EXPECT_FALSE(is_present(users('e')));
}

TEST_F(EndToEnd, BackslashInANameNeverReachesOutsideTheTarget) {
  fill_drive('c');
  // Joined to their folder, these names would read C:\TaobaoAssistant\Users\..\Keep and so on,
  // or name a stream of C:\TaobaoAssistant\app.ini.
  make_tree(users('c'), {"..\\Keep/", "..\\app.ini", "a\\..\\..\\Keep/x", "..\\app.ini:stream"});
  const Snapshot before = snapshot_all();

  run_and_expect_silent_success("\n");

  EXPECT_EQ(without_targets(snapshot_all()), without_targets(before));
}

TEST_F(EndToEnd, RemovesHBeforeG) {
  if (program.under_wine) GTEST_SKIP() << "the order is traced on the native build";
  fill_every_drive();
  const fs::path trace = work_ / "trace";
  // LeakSanitizer cannot work under ptrace; the sanitizer build checks for leaks in every other case.
  std::vector<std::string> command = {"env", "ASAN_OPTIONS=detect_leaks=0", "strace", "-f", "-qq",
                                      "-y", "-e", "trace=rmdir,unlinkat", "-o", trace.string()};
  for (const std::string& arg : program_command()) command.push_back(arg);

  const RunResult result = run_command(command, work_, Input{Input::Kind::file, "\n"});

  ASSERT_EQ(result.exit_status, 0) << result.err;
  const std::string log = read_file(trace);
  // rmdir("<prefix>/dosdevices/h:/TaobaoAssistant/Users"), or unlinkat of "Users" in a folder
  // that strace -y shows as ".../h/TaobaoAssistant", where drive H's folder is.
  const std::regex target_removed(R"re(/([a-z]):?/TaobaoAssistant(?:/Users"|>, "Users", AT_REMOVEDIR)\) = 0)re");
  std::string order;
  for (auto it = std::sregex_iterator(log.begin(), log.end(), target_removed); it != std::sregex_iterator(); ++it) {
    order += (*it)[1].str();
  }
  EXPECT_EQ(order, "cdefhg");
}

}  // namespace
}  // namespace orlavex::e2e
