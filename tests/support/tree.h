// Helpers for tests that build directory trees on disk and compare them afterwards.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

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

// Removes `path` with everything below it, however deep, as `rm -rf` does. Links are not followed.
void remove_tree(const fs::path& path);

// Creates a chain of `depth` folders named `name`, each inside the one before, below `root`, and
// a file "f" in each. The chain may be longer than the system's path limit.
void make_chain(const fs::path& root, const std::string& name, int depth);

// Returns, for each level of such a chain from the top, whether its file "f" is still there; the
// list ends where the chain does.
std::vector<bool> chain_files_left(const fs::path& root, const std::string& name, int depth);

// Returns whether anything, even a dangling link, stands at `path`.
bool is_present(const fs::path& path);

}  // namespace orlavex::test
