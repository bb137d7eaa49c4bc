#include "tests/support/tree.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace orlavex::test {

fs::path make_temp_directory(const std::string& stem) {
  std::string pattern = (fs::temp_directory_path() / (stem + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  return pattern;
}

void make_tree(const fs::path& root, std::initializer_list<std::string> entries) {
  for (const std::string& entry : entries) {
    if (!entry.empty() && entry.back() == '/') {
      fs::create_directories(root / entry);
    } else {
      const fs::path file = root / entry;
      fs::create_directories(file.parent_path());
      write_file(file, entry);
    }
  }
}

void write_file(const fs::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

Snapshot snapshot(const fs::path& root) {
  Snapshot entries;
  if (!fs::is_directory(fs::symlink_status(root))) return entries;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(entry.path(), root).string();
    const fs::file_status status = entry.symlink_status();
    if (fs::is_symlink(status)) {
      entries[name] = "link -> " + fs::read_symlink(entry.path()).string();
    } else if (fs::is_directory(status)) {
      entries[name] = "dir";
    } else {
      entries[name] = "file: " + read_file(entry.path());
    }
  }
  return entries;
}

bool is_present(const fs::path& path) { return fs::exists(fs::symlink_status(path)); }

}  // namespace orlavex::test
