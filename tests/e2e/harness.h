// The end-to-end harness: runs the program as a user runs it, with standard input and output
// redirected, on drives mapped to temporary folders. The same cases run against the native build
// and, under Wine, against the Windows build:
//
//   orlavex_e2e [gtest flags] build/native/orlavex
//   orlavex_e2e [gtest flags] --wine build/windows-x64/orlavex.exe [--hold-file hold_file.exe]
//
// Drives resolve as Wine resolves them, through $WINEPREFIX/dosdevices, for both builds. One
// prefix serves the whole run; each test maps A and D to I to fresh folders of its own. Under Wine
// drive C is the prefix's own drive_c; natively it is a fresh folder too.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/tree.h"

namespace orlavex::e2e {

using namespace orlavex::test;

struct ProgramUnderTest {
  fs::path executable;
  bool under_wine = false;
  fs::path hold_file_helper;  // Windows helper that holds a file open without sharing
};

extern ProgramUnderTest program;

// The six targets' drives in the order the program must remove them, and drives it must not touch.
inline constexpr char kTargetDrives[] = "cdefhg";
inline constexpr char kOtherDrives[] = "ai";

// How standard input reaches the program.
struct Input {
  enum class Kind {
    file,        // a file holding `bytes`
    write_only,  // a file opened for writing only: every read fails
    closed,      // no standard input at all
    trickle,     // a pipe that receives `bytes` one at a time, then closes
  };
  Kind kind = Kind::file;
  std::string bytes;
};

struct RunResult {
  int exit_status = -1;
  std::string out;
  std::string err;
};

// The command that starts the program under test.
std::vector<std::string> program_command();

// Starts `argv` with the given descriptors as its standard streams (-1: leave it closed) and
// returns its process id.
pid_t spawn(const std::vector<std::string>& argv, int in_fd, int out_fd, int err_fd);

// Waits for `child` and returns its exit status (128 + signal when a signal ended it). Kills it
// and fails the test if it runs longer than `seconds`.
int wait_for(pid_t child, int seconds);

// Runs `argv` with `input` on standard input and standard output and error captured in `work`.
RunResult run_command(const std::vector<std::string>& argv, const fs::path& work, const Input& input);

// The four texts, as GBK bytes, exactly as standard output must receive them.
std::string expected_output();

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  fs::path drive(char letter) const { return drives_.at(letter); }
  fs::path users(char letter) const { return drive(letter) / "TaobaoAssistant" / "Users"; }

  // Gives `letter` a typical cache under TaobaoAssistant\Users, next to what must stay.
  void fill_drive(char letter);
  void fill_every_drive();

  // Everything on the mapped drives and in the outside folder, keyed "x:/path" and
  // "outside/path". Under Wine only C:\TaobaoAssistant is taken of drive C, which holds Wine too.
  Snapshot snapshot_all() const;

  // `all` without the entries at or below the six targets.
  static Snapshot without_targets(Snapshot all);

  // Expects each target gone with all below it, and everything else as it was in `before`.
  void expect_only_targets_removed(const Snapshot& before) const;

  RunResult run(const Input& input) const;
  RunResult run(const std::string& line) const { return run(Input{Input::Kind::file, line}); }

  // Runs the program and expects the four texts, nothing on standard error, and exit status 0.
  void run_and_expect_silent_success(const Input& input) const;
  void run_and_expect_silent_success(const std::string& line) const {
    run_and_expect_silent_success(Input{Input::Kind::file, line});
  }

  fs::path work_;
  fs::path outside_;

 private:
  void map_drive(char letter);

  std::map<char, fs::path> drives_;
};

}  // namespace orlavex::e2e
