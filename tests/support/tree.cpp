#include "tests/support/tree.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    const std::string name = entry.path().lexically_relative(root).string();
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

void remove_tree(const fs::path& path) {
  // std::filesystem works on whole paths, which fail past PATH_MAX; rm walks relative to each folder.
  const pid_t child = fork();
  if (child == 0) {
    execlp("rm", "rm", "-rf", "--", path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (child > 0) waitpid(child, &status, 0);
}

void make_chain(const fs::path& root, const std::string& name, int depth) {
  int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int level = 0; level < depth && folder >= 0; ++level) {
    if (mkdirat(folder, name.c_str(), 0755) != 0) throw std::runtime_error("mkdirat failed");
    const int next = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(folder);
    folder = next;
    const int file = openat(folder, "f", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0) throw std::runtime_error("cannot create a file in the chain");
    close(file);
  }
  if (folder >= 0) close(folder);
}

std::vector<bool> chain_files_left(const fs::path& root, const std::string& name, int depth) {
  std::vector<bool> left;
  int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int level = 0; level < depth && folder >= 0; ++level) {
    const int next = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(folder);
    folder = next;
    if (folder < 0) break;
    struct stat status;
    left.push_back(fstatat(folder, "f", &status, 0) == 0);
  }
  if (folder >= 0) close(folder);
  return left;
}

bool is_present(const fs::path& path) { return fs::exists(fs::symlink_status(path)); }

}  // namespace orlavex::test
