#include "tests/support/tree.h"

#include <dirent.h>
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

namespace {

std::string read_file_at(int folder, const char* name) {
  std::string content;
  const int fd = openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return "<unreadable>";
  char buffer[4096];
  for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;) content.append(buffer, static_cast<std::size_t>(got));
  close(fd);
  return content;
}

// Adds the entries of the open folder `folder` to `entries`, each named `prefix` + its name. Works
// relative to each folder, so that no depth is too deep. Closes `folder`.
void add_entries(int folder, const std::string& prefix, Snapshot& entries) {
  DIR* listing = fdopendir(folder);
  if (!listing) {
    close(folder);
    return;
  }
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat status;
    if (fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    const std::string key = prefix + name;
    if (S_ISLNK(status.st_mode)) {
      char target[4096];
      const ssize_t length = readlinkat(folder, name.c_str(), target, sizeof target);
      entries[key] = "link -> " + std::string(target, length > 0 ? static_cast<std::size_t>(length) : 0);
    } else if (S_ISDIR(status.st_mode)) {
      entries[key] = "dir";
      const int child = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child >= 0) add_entries(child, key + "/", entries);
    } else {
      entries[key] = "file: " + read_file_at(folder, name.c_str());
    }
  }
  closedir(listing);
}

}  // namespace

Snapshot snapshot(const fs::path& root) {
  Snapshot entries;
  const int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder >= 0) add_entries(folder, "", entries);
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
