// End-to-end tests: the program run as a user runs it, with standard input and output redirected,
// on drives mapped to temporary folders. The same cases run against the native build and, under
// Wine, against the Windows build:
//
//   orlavex_e2e [gtest flags] build/native/orlavex
//   orlavex_e2e [gtest flags] --wine build/windows-x64/orlavex.exe
//
// Drives resolve as Wine resolves them, through $WINEPREFIX/dosdevices, for both builds. One
// prefix serves the whole run; each test maps A, D to I to fresh folders of its own. Under Wine
// drive C is the prefix's own drive_c; natively it is a fresh folder too.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/tree.h"

namespace {

using namespace orlavex::test;

struct ProgramUnderTest {
  fs::path executable;
  bool under_wine = false;
};

ProgramUnderTest program;
fs::path run_root;
fs::path wine_prefix;

// The six targets' drives in the order the program must remove them, and drives it must not touch.
constexpr char kTargetDrives[] = "cdefhg";
constexpr char kOtherDrives[] = "ai";

struct RunResult {
  int exit_status = -1;
  std::string out;
  std::string err;
};

enum class InputMode { readable, write_only };

// Runs `argv` with standard input from `input` (a file, opened as `mode` says) and standard output
// and error captured. Fails the test if it runs longer than two minutes.
RunResult run_command(const std::vector<std::string>& argv, const fs::path& work, const std::string& input,
                InputMode mode = InputMode::readable) {
  const fs::path in = work / "stdin", out = work / "stdout", err = work / "stderr";
  write_file(in, input);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    const int in_fd = open(in.c_str(), mode == InputMode::readable ? O_RDONLY : O_WRONLY);
    const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in_fd < 0 || out_fd < 0 || err_fd < 0) _exit(126);
    dup2(in_fd, 0);
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    execvp(args[0], args.data());
    _exit(127);
  }
  RunResult run;
  if (child < 0) {
    ADD_FAILURE() << "fork failed: " << std::strerror(errno);
    return run;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      ADD_FAILURE() << argv[0] << " did not end within two minutes";
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = read_file(out);
  run.err = read_file(err);
  return run;
}

std::vector<std::string> program_command() {
  if (program.under_wine) return {"wine", program.executable.string()};
  return {program.executable.string()};
}

// The four texts, as GBK bytes, exactly as standard output must receive them.
std::string expected_output() {
  const std::string banner = " " + std::string(34, '-') + " \xA1\xBE Orlavex \xA1\xBF " +
                             std::string(29, '-') + " \r\n";
  const std::string prompt = std::string(8, ' ') + "\xBB\xD8\xB3\xB5\xD6\xB4\xD0\xD0" + " / " +
                             "\xB9\xD8\xB1\xD5\xC8\xA1\xCF\xFB" + " ";
  const std::string written = "\r\n" + banner + "\r\n" + prompt;
  if (!program.under_wine) return written;
  // The Windows build writes through msvcrt's text mode, which turns each LF into CR LF.
  std::string translated;
  for (const char c : written) translated += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return translated;
}

// One Wine prefix (or, natively, a folder shaped like one) for the whole run.
class SharedPrefix : public ::testing::Environment {
 public:
  void SetUp() override {
    run_root = make_temp_directory("orlavex-e2e");
    wine_prefix = run_root / "prefix";
    setenv("WINEPREFIX", wine_prefix.c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);  // no Mono or Gecko installer at boot
    setenv("LANG", "zh_CN.UTF-8", 1);                   // Wine's ANSI code page is then 936
    unsetenv("LC_ALL");
    if (!program.under_wine) {
      fs::create_directories(wine_prefix / "dosdevices");
      return;
    }
    // One wineserver serves the whole run, instead of one started for each test.
    fs::create_directories(wine_prefix);
    const RunResult server = run_command({"wineserver", "-p"}, run_root, "");
    ASSERT_EQ(server.exit_status, 0) << server.err;
    const RunResult boot = run_command({"wine", "wineboot", "-i"}, run_root, "");
    ASSERT_EQ(boot.exit_status, 0) << boot.err;
  }

  void TearDown() override {
    if (program.under_wine) run_command({"wineserver", "-k"}, run_root, "");
    std::error_code ignored;
    fs::remove_all(run_root, ignored);
  }
};

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    work_ = run_root / ("test" + std::to_string(++counter));
    fs::create_directories(work_);
    outside_ = work_ / "outside";
    for (const char* letters : {kTargetDrives, kOtherDrives}) {
      for (const char* letter = letters; *letter; ++letter) map_drive(*letter);
    }
  }

  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(drive('c') / "TaobaoAssistant", ignored);
    fs::remove_all(work_, ignored);
  }

  fs::path drive(char letter) const { return drives_.at(letter); }
  fs::path users(char letter) const { return drive(letter) / "TaobaoAssistant" / "Users"; }

  // Gives `letter` a typical cache under TaobaoAssistant\Users, next to what must stay.
  void fill_drive(char letter) {
    make_tree(drive(letter) / "TaobaoAssistant",
              {"Keep/keep.txt", "app.ini", "Users/alice/cache/page1.dat", "Users/alice/cache/page2.dat",
               "Users/alice/settings.ini", "Users/bob/", "Users/shared.db"});
  }

  void fill_every_drive() {
    for (const char* letters : {kTargetDrives, kOtherDrives}) {
      for (const char* letter = letters; *letter; ++letter) fill_drive(*letter);
    }
  }

  std::map<char, Snapshot> snapshot_drives() const {
    std::map<char, Snapshot> drives;
    for (const auto& [letter, root] : drives_) drives[letter] = snapshot(root);
    return drives;
  }

  // Expects each target gone with all below it, and everything else as it was in `before`.
  void expect_only_targets_removed(const std::map<char, Snapshot>& before) const {
    for (const auto& [letter, root] : drives_) {
      Snapshot expected = before.at(letter);
      if (std::strchr(kTargetDrives, letter)) {
        for (auto it = expected.begin(); it != expected.end();) {
          it = it->first.rfind("TaobaoAssistant/Users", 0) == 0 ? expected.erase(it) : std::next(it);
        }
      }
      EXPECT_EQ(snapshot(root), expected) << "drive " << letter;
    }
  }

  RunResult run(const std::string& input, InputMode mode = InputMode::readable) const {
    return run_command(program_command(), work_, input, mode);
  }

  // Runs the program with `input` and expects the four texts, nothing on standard error, and
  // exit status 0.
  void run_and_expect_silent_success(const std::string& input, InputMode mode = InputMode::readable) const {
    const RunResult result = run(input, mode);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, expected_output());
    EXPECT_EQ(result.err, "");
  }

  fs::path work_;
  fs::path outside_;

 private:
  void map_drive(char letter) {
    if (program.under_wine && letter == 'c') {
      drives_[letter] = wine_prefix / "drive_c";  // Wine itself lives on C:
      return;
    }
    const fs::path root = work_ / std::string(1, letter);
    fs::create_directories(root);
    const fs::path device = wine_prefix / "dosdevices" / (std::string(1, letter) + ":");
    fs::remove(device);
    fs::create_directory_symlink(root, device);
    drives_[letter] = root;
  }

  std::map<char, fs::path> drives_;
};

TEST_F(EndToEnd, WritesTheTextsAndRemovesEveryTargetOnEnter) {
  fill_every_drive();
  const auto before = snapshot_drives();

  run_and_expect_silent_success("\n");

  for (const char* letter = kTargetDrives; *letter; ++letter) EXPECT_FALSE(is_present(users(*letter)));
  expect_only_targets_removed(before);
}

struct NamedInput {
  const char* name;
  std::string text;
};

const NamedInput kInputs[] = {
    {"TypedLine", "a typed line\n"}, {"EmptyLine", "\n"},           {"EndOfInput", ""},
    {"NoLineEnd", "no line end"},    {"SeveralLines", "n\nmore\n"}, {"LongLine", std::string(5000, 'x') + "\n"},
};

class AnyInput : public EndToEnd, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(AnyInput, StartsTheRemoval) {
  fill_every_drive();
  const auto before = snapshot_drives();

  run_and_expect_silent_success(kInputs[GetParam()].text);

  expect_only_targets_removed(before);
}

INSTANTIATE_TEST_SUITE_P(Lines, AnyInput, ::testing::Range<std::size_t>(0, std::size(kInputs)),
                         [](const auto& info) { return std::string(kInputs[info.param].name); });

TEST_F(EndToEnd, FailedReadRemovesNothing) {
  fill_every_drive();
  const auto before = snapshot_drives();

  // Standard input open for writing only: the read fails rather than meeting the end of input,
  // as a console read does when Ctrl+C cancels it.
  run_and_expect_silent_success("", InputMode::write_only);

  EXPECT_EQ(snapshot_drives(), before);
}

TEST_F(EndToEnd, MissingTargetsEndSilently) {
  make_tree(drive('c') / "TaobaoAssistant", {"Keep/keep.txt"});
  make_tree(drive('g') / "TaobaoAssistant", {"UsersOld/data.db", "Users.txt"});
  const auto before = snapshot_drives();

  run_and_expect_silent_success("\n");

  EXPECT_EQ(snapshot_drives(), before);
}

TEST_F(EndToEnd, ReadOnlyFileStaysWithItsFoldersAndTheRestGoes) {
  fill_every_drive();
  make_tree(users('c'), {"a/b/c/locked.dat", "a/b/c/loose.dat", "a/b/sibling.dat", "a/other/x.dat"});
  const fs::path locked = users('c') / "a/b/c/locked.dat";
  fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const auto before = snapshot_drives();

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
  const Snapshot precious = snapshot(outside_);

  run_and_expect_silent_success("\n");

  EXPECT_EQ(snapshot(outside_), precious);
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
  Snapshot before = snapshot(drive('c') / "TaobaoAssistant");

  run_and_expect_silent_success("\n");

  Snapshot after = snapshot(drive('c') / "TaobaoAssistant");
  for (Snapshot* tree : {&before, &after}) {
    for (auto it = tree->begin(); it != tree->end();) {
      it = it->first.rfind("Users", 0) == 0 ? tree->erase(it) : std::next(it);
    }
  }
  EXPECT_EQ(after, before);
}

TEST_F(EndToEnd, RemovesHBeforeG) {
  if (program.under_wine) GTEST_SKIP() << "the order is traced on the native build";
  fill_every_drive();
  const fs::path trace = work_ / "trace";
  // LeakSanitizer cannot work under ptrace; the sanitizer build checks for leaks in every other case.
  std::vector<std::string> command = {"env", "ASAN_OPTIONS=detect_leaks=0", "strace", "-f", "-qq",
                                      "-e", "trace=rmdir", "-o", trace.string()};
  for (const std::string& arg : program_command()) command.push_back(arg);

  const RunResult result = run_command(command, work_, "\n");

  ASSERT_EQ(result.exit_status, 0) << result.err;
  const std::string log = read_file(trace);
  const std::regex target_removed(R"re(dosdevices/([a-z]):/TaobaoAssistant/Users"\) = 0)re");
  std::string order;
  for (auto it = std::sregex_iterator(log.begin(), log.end(), target_removed); it != std::sregex_iterator(); ++it) {
    order += (*it)[1].str();
  }
  EXPECT_EQ(order, "cdefhg");
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--wine") == 0) {
      program.under_wine = true;
    } else {
      program.executable = fs::absolute(argv[i]);
    }
  }
  if (program.executable.empty() || !fs::exists(program.executable)) {
    std::fprintf(stderr, "usage: %s [--wine] PROGRAM (the program must exist)\n", argv[0]);
    return 2;
  }
  ::testing::AddGlobalTestEnvironment(new SharedPrefix);
  return RUN_ALL_TESTS();
}
