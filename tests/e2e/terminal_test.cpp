// The program in a real terminal, as a person sees it: tmux runs it in a pane, keys are typed with
// send-keys and the screen is read with capture-pane. Natively and under Wine alike.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "tests/e2e/harness.h"

namespace orlavex::e2e {
namespace {

// The texts as a UTF-8 terminal shows them; capture-pane drops trailing spaces.
const std::string kBannerShown = " " + std::string(34, '-') + " 【 Orlavex 】 " + std::string(29, '-');
const std::string kPromptShown = std::string(8, ' ') + "回车执行 / 关闭取消";
// Where the cursor waits: after the prompt's trailing space, on the fourth line. Each Chinese
// character takes two columns.
constexpr int kPromptColumns = 8 + 8 + 3 + 8 + 1;
constexpr int kPromptRow = 3;

// Returns whether `pid` is a live process: neither gone nor a zombie waiting to be reaped.
bool is_running(pid_t pid) {
  const std::string status = read_file("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t name_end = status.rfind(')');
  return name_end != std::string::npos && name_end + 2 < status.size() && status[name_end + 2] != 'Z';
}

std::string quoted(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class InATerminal : public EndToEnd {
 protected:
  void SetUp() override {
    EndToEnd::SetUp();
    static int counter = 0;
    socket_ = "orlavex-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
  }

  void TearDown() override {
    tmux({"kill-server"});
    EndToEnd::TearDown();
  }

  // Runs one tmux command on this test's own server and returns what it printed.
  std::string tmux(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command = {"tmux", "-L", socket_, "-f", "/dev/null"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return run_command(command, work_ / "tmux", {}).out;
  }

  // Starts the program in a pane of 100 by 10 cells that stays on screen when it ends. The shell
  // that runs it keeps its exit status in a file (tmux's own record of it is not reliable).
  void start_program() {
    fs::create_directories(work_ / "tmux");
    std::string command;
    for (const std::string& word : program_command()) command += quoted(word) + " ";
    command += "; echo $? > " + quoted(status_file().string());
    tmux({"new-session", "-d", "-x", "100", "-y", "10", command, ";", "set-option", "-w", "remain-on-exit", "on"});
    shell_ = std::atoi(tmux({"display-message", "-p", "#{pane_pid}"}).c_str());
  }

  fs::path status_file() const { return work_ / "tmux" / "status"; }

  // The program's process: the pane's shell's only child.
  pid_t program_pid() const {
    const std::string shell = std::to_string(shell_);
    return std::atoi(read_file("/proc/" + shell + "/task/" + shell + "/children").c_str());
  }

  std::vector<std::string> screen() const {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : tmux({"capture-pane", "-p"})) {
      if (c == '\n') {
        lines.push_back(line);
        line.clear();
      } else {
        line += c;
      }
    }
    return lines;
  }

  // Polls until `ready` holds, for a minute at most: a slow machine only makes it take longer.
  bool wait_until(const std::function<bool()>& ready) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline) {
      if (ready()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ready();
  }

  bool prompt_shown() const {
    const std::vector<std::string> lines = screen();
    return lines.size() > kPromptRow && lines[kPromptRow].rfind(kPromptShown, 0) == 0;
  }

  std::string pane(const char* format) const {
    std::string value = tmux({"display-message", "-p", format});
    if (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
  }

  // Waits for the prompt, and expects nothing removed while it waits.
  void wait_for_prompt(const Snapshot& before) const {
    ASSERT_TRUE(wait_until([this] { return prompt_shown(); })) << testing::PrintToString(screen());
    EXPECT_EQ(snapshot_all(), before);
  }

  std::string socket_;
  pid_t shell_ = 0;
};

TEST_F(InATerminal, ShowsTheCharactersWaitsAtThePromptEchoesAndRemovesOnEnter) {
  fill_every_drive();
  const Snapshot before = snapshot_all();
  start_program();

  ASSERT_NO_FATAL_FAILURE(wait_for_prompt(before));
  const std::vector<std::string> lines = screen();
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], kBannerShown);
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], kPromptShown);
  EXPECT_EQ(pane("#{cursor_x},#{cursor_y}"), std::to_string(kPromptColumns) + "," + std::to_string(kPromptRow));

  tmux({"send-keys", "-l", "yes"});
  EXPECT_TRUE(wait_until([this] { return screen()[kPromptRow] == kPromptShown + " yes"; }));
  EXPECT_EQ(snapshot_all(), before);
  tmux({"send-keys", "Enter"});

  ASSERT_TRUE(wait_until([this] { return read_file(status_file()).size() > 1; }));
  EXPECT_EQ(read_file(status_file()), "0\n");
  expect_only_targets_removed(before);
}

TEST_F(InATerminal, CancellingAtThePromptRemovesNothing) {
  fill_every_drive();
  const Snapshot before = snapshot_all();
  // Ctrl+C, and closing the terminal (tmux hangs up on the program).
  for (const std::vector<std::string>& cancel : {std::vector<std::string>{"send-keys", "C-c"},
                                                 std::vector<std::string>{"kill-session"}}) {
    SCOPED_TRACE(cancel.back());
    start_program();
    ASSERT_NO_FATAL_FAILURE(wait_for_prompt(before));
    const pid_t program = program_pid();
    ASSERT_GT(program, 0);

    tmux(cancel);

    ASSERT_TRUE(wait_until([program] { return !is_running(program); })) << "the program did not end";
    EXPECT_EQ(snapshot_all(), before);
    tmux({"kill-server"});
  }
}

}  // namespace
}  // namespace orlavex::e2e
