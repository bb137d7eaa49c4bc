// Helpers for tests that build directory trees on disk and compare them afterwards.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>

namespace orlavex::test {

namespace fs = std::filesystem;

// Entries below a folder, as snapshot() returns them.
using Snapshot = std::map<std::string, std::string>;

// Creates a fresh directory below the system's temporary folder and returns its path.
fs::path make_temp_directory(const std::string& stem);

// Creates each entry below `root`: a name ending in "/" is a directory, anything else a file that
// holds its own name. Missing parents are created.
void make_tree(const fs::path& root, std::initializer_list<std::string> entries);

// Writes `content` to `path`, replacing what was there.
void write_file(const fs::path& path, const std::string& content);

// Returns what a file holds.
std::string read_file(const fs::path& path);

// Returns every entry below `root`, links not followed, keyed by its path relative to `root`:
// "dir", "link -> target", or "file: content". Empty when `root` does not exist.
Snapshot snapshot(const fs::path& root);

// Returns whether anything, even a dangling link, stands at `path`.
bool is_present(const fs::path& path);

}  // namespace orlavex::test
