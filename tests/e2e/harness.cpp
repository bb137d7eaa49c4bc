#include "tests/e2e/harness.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace orlavex::e2e {

ProgramUnderTest program;

namespace {

fs::path run_root;
fs::path wine_prefix;

// Opens the descriptor that the program gets as standard input; for a trickle, `writer` gets the
// pipe's other end.
int open_input(const Input& input, const fs::path& work, int* writer) {
  const fs::path file = work / "stdin";
  switch (input.kind) {
    case Input::Kind::file:
      write_file(file, input.bytes);
      return open(file.c_str(), O_RDONLY | O_CLOEXEC);
    case Input::Kind::write_only:
      write_file(file, "");
      return open(file.c_str(), O_WRONLY | O_CLOEXEC);
    case Input::Kind::closed:
      return -1;
    case Input::Kind::trickle: {
      int ends[2];
      if (pipe2(ends, O_CLOEXEC) != 0) return -1;
      *writer = ends[1];
      return ends[0];
    }
  }
  return -1;
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
    // One wineserver serves the whole run, instead of one started for each test. Wine makes the
    // prefix's own folders itself, in an empty folder.
    fs::create_directories(wine_prefix);
    const RunResult server = run_command({"wineserver", "-p"}, run_root, {});
    ASSERT_EQ(server.exit_status, 0) << server.err;
    const RunResult boot = run_command({"wine", "wineboot", "-i"}, run_root, {});
    ASSERT_EQ(boot.exit_status, 0) << boot.err;
  }

  void TearDown() override {
    if (program.under_wine) run_command({"wineserver", "-k"}, run_root, {});
    remove_tree(run_root);
  }
};

}  // namespace

std::vector<std::string> program_command() {
  if (program.under_wine) return {"wine", program.executable.string()};
  return {program.executable.string()};
}

pid_t spawn(const std::vector<std::string>& argv, int in_fd, int out_fd, int err_fd) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const pid_t child = fork();
  if (child != 0) return child;
  const int wanted[] = {in_fd, out_fd, err_fd};
  for (int fd = 0; fd < 3; ++fd) {
    if (wanted[fd] < 0) {
      close(fd);
    } else if (dup2(wanted[fd], fd) < 0) {
      _exit(126);
    }
  }
  execvp(args[0], args.data());
  _exit(127);
}

int wait_for(pid_t child, int seconds) {
  if (child < 0) {
    ADD_FAILURE() << "fork failed: " << std::strerror(errno);
    return -1;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      ADD_FAILURE() << "process " << child << " did not end within " << seconds << " seconds";
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

RunResult run_command(const std::vector<std::string>& argv, const fs::path& work, const Input& input) {
  const fs::path out = work / "stdout", err = work / "stderr";
  int writer = -1;
  const int in_fd = open_input(input, work, &writer);
  const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const pid_t child = spawn(argv, in_fd, out_fd, err_fd);
  for (const int fd : {in_fd, out_fd, err_fd}) {
    if (fd >= 0) close(fd);
  }
  std::thread trickle;
  if (writer >= 0) {
    trickle = std::thread([writer, bytes = input.bytes] {
      for (const char byte : bytes) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (write(writer, &byte, 1) != 1) break;
      }
      close(writer);
    });
  }
  RunResult run;
  run.exit_status = wait_for(child, 600);
  if (trickle.joinable()) trickle.join();
  run.out = read_file(out);
  run.err = read_file(err);
  return run;
}

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

void EndToEnd::SetUp() {
  static int counter = 0;
  work_ = run_root / ("test" + std::to_string(++counter));
  fs::create_directories(work_);
  outside_ = work_ / "outside";
  fs::create_directories(outside_);
  for (const char* letters : {kTargetDrives, kOtherDrives}) {
    for (const char* letter = letters; *letter; ++letter) map_drive(*letter);
  }
}

void EndToEnd::TearDown() {
  remove_tree(drive('c') / "TaobaoAssistant");
  remove_tree(work_);
}

void EndToEnd::map_drive(char letter) {
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

void EndToEnd::fill_drive(char letter) {
  make_tree(drive(letter) / "TaobaoAssistant",
            {"Keep/keep.txt", "app.ini", "Users/alice/cache/page1.dat", "Users/alice/cache/page2.dat",
             "Users/alice/settings.ini", "Users/bob/", "Users/shared.db"});
}

void EndToEnd::fill_every_drive() {
  for (const char* letters : {kTargetDrives, kOtherDrives}) {
    for (const char* letter = letters; *letter; ++letter) fill_drive(*letter);
  }
}

Snapshot EndToEnd::snapshot_all() const {
  Snapshot all;
  const auto add = [&all](const std::string& prefix, const fs::path& root) {
    for (auto& [name, kind] : snapshot(root)) all[prefix + name] = kind;
  };
  for (const auto& [letter, root] : drives_) {
    const std::string prefix = std::string(1, letter) + ":/";
    if (program.under_wine && letter == 'c') {
      add(prefix + "TaobaoAssistant/", root / "TaobaoAssistant");
    } else {
      add(prefix, root);
    }
  }
  add("outside/", outside_);
  return all;
}

Snapshot EndToEnd::without_targets(Snapshot all) {
  for (auto it = all.begin(); it != all.end();) {
    const std::string& name = it->first;
    const std::string target = name.substr(0, 1) + ":/TaobaoAssistant/Users";
    const bool in_target = std::strchr(kTargetDrives, name[0]) && name.rfind(target, 0) == 0 &&
                           (name.size() == target.size() || name[target.size()] == '/');
    it = in_target ? all.erase(it) : std::next(it);
  }
  return all;
}

void EndToEnd::expect_only_targets_removed(const Snapshot& before) const {
  EXPECT_EQ(snapshot_all(), without_targets(before));
}

RunResult EndToEnd::run(const Input& input) const { return run_command(program_command(), work_, input); }

void EndToEnd::run_and_expect_silent_success(const Input& input) const {
  const RunResult result = run(input);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.out, expected_output());
  EXPECT_EQ(result.err, "");
}

}  // namespace orlavex::e2e

int main(int argc, char** argv) {
  using orlavex::e2e::program;
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--wine") == 0) {
      program.under_wine = true;
    } else if (std::strcmp(argv[i], "--hold-file") == 0 && i + 1 < argc) {
      program.hold_file_helper = orlavex::test::fs::absolute(argv[++i]);
    } else {
      program.executable = orlavex::test::fs::absolute(argv[i]);
    }
  }
  if (program.executable.empty() || !orlavex::test::fs::exists(program.executable)) {
    std::fprintf(stderr, "usage: %s [--wine] PROGRAM [--hold-file HELPER] (the program must exist)\n", argv[0]);
    return 2;
  }
  ::testing::AddGlobalTestEnvironment(new orlavex::e2e::SharedPrefix);
  return RUN_ALL_TESTS();
}
