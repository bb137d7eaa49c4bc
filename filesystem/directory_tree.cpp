#include "filesystem/directory_tree.h"

#include <algorithm>
#include <cstring>

namespace {

bool is_dot_entry(std::string_view name) { return name == "." || name == ".."; }

// Returns the text of a fixed-size name field, which is not read past its end.
template <std::size_t size>
std::string_view name_field(const char (&field)[size]) {
  const void* end = std::memchr(field, '\0', size);
  return {field, end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : size};
}

// Characters that no Windows name holds. The enumeration puts "?" for each character the ANSI
// code page cannot represent; a POSIX name under Wine may hold any of the others. Joined to its
// directory, such a name would reach some other file, or none: "..\x" one outside the tree, "a:b"
// a stream of "a", "a*" a pattern.
constexpr std::string_view kNotInNames =
    "\"*/:<>?\\|\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F"
    "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F";

// Returns whether `name` reaches its own entry when joined to its directory. Win32 also drops a
// trailing dot or space from every path it is given. None of these bytes is ever a GBK trail byte.
bool is_usable_name(std::string_view name, LeadBytePredicate is_lead_byte) {
  return !name.empty() && ansi_find_first_of(name, kNotInNames, is_lead_byte) == std::string_view::npos &&
         name.back() != '.' && name.back() != ' ';
}

// Removes a file, or a link (a junction or a symbolic link) itself: a link is never emptied, for
// that would delete whatever it points to, anywhere on disk.
void remove_file_or_link(const DirectoryEntry& entry) {
  if (entry.is_directory) {
    RemoveDirectoryA(entry.path.c_str());
  } else {
    DeleteFileA(entry.path.c_str());
  }
}

// Removes everything below `directory` that can be removed, depth first; the directory itself
// stays. Each level keeps its own listing while its subdirectories are emptied. The walk keeps
// its levels on the heap, not the stack: a long-path-aware process can meet trees thousands of
// folders deep.
void empty_directory(const AnsiText& directory) {
  struct Level {
    DirectoryListing entries;
    std::size_t next = 0;  // the entry being removed
  };
  std::vector<Level> levels;
  levels.push_back({list_directory_entries(directory)});
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.entries.size()) {
      levels.pop_back();
      // The folder this level listed is now as empty as it can be made.
      if (!levels.empty()) RemoveDirectoryA(levels.back().entries[levels.back().next++].path.c_str());
      continue;
    }
    const DirectoryEntry& entry = level.entries[level.next];
    if (entry.is_directory && !entry.is_link) {
      levels.push_back({list_directory_entries(entry.path)});  // invalidates `level` and `entry`
    } else {
      remove_file_or_link(entry);
      ++level.next;
    }
  }
}

}  // namespace

std::optional<std::string_view> listed_name(const WIN32_FIND_DATAA& data, LeadBytePredicate is_lead_byte) {
  const std::string_view name = name_field(data.cFileName);
  if (is_dot_entry(name)) return std::nullopt;
  if (is_usable_name(name, is_lead_byte)) return name;
  const std::string_view short_name = name_field(data.cAlternateFileName);
  if (!is_usable_name(short_name, is_lead_byte)) return std::nullopt;
  return short_name;
}

DirectoryListing list_directory_entries(const AnsiText& directory) {
  DirectoryListing listing;
  WIN32_FIND_DATAA data;
  const HANDLE find = FindFirstFileA((directory + "\\*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return listing;
  do {
    const std::optional<std::string_view> name = listed_name(data);
    if (!name) continue;
    AnsiText path;
    path.reserve(directory.size() + 1 + name->size());
    path.append(directory).append(1, '\\').append(*name);
    listing.push_back({std::move(path), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return listing;
}

std::optional<std::string_view> removal_path(std::string_view path) {
  path.remove_prefix(std::min(path.find_first_not_of(' '), path.size()));
  if (path.empty()) return std::nullopt;
  const bool is_drive = path.size() >= 2 && path[1] == ':';
  if (is_drive && (path.size() == 2 || (path.size() == 3 && path[2] == '\\'))) return std::nullopt;
  return path;
}

bool remove_directory_tree(const AnsiText& path) {
  const std::optional<std::string_view> working = removal_path(path);
  if (!working) return false;
  const AnsiText directory(*working);
  empty_directory(directory);
  return RemoveDirectoryA(directory.c_str()) != FALSE;
}
