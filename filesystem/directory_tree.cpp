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

// Returns whether `name` reaches its own entry when joined to its directory. "?" stands for a
// character the code page cannot represent (no Windows name holds one). "\" and "/" would make the
// joined path name another file (a POSIX name "..\x" under Wine, one outside the tree), and ":"
// an alternate data stream.
bool is_usable_name(std::string_view name, LeadBytePredicate is_lead_byte) {
  return ansi_find_first_of(name, "?\\/:", is_lead_byte) == std::string_view::npos;
}

void remove_entry(const DirectoryEntry& entry);

// Removes everything below `directory` that can be removed; the directory itself stays.
void empty_directory(const AnsiText& directory) {
  for (const DirectoryEntry& entry : list_directory_entries(directory)) remove_entry(entry);
}

void remove_entry(const DirectoryEntry& entry) {
  if (!entry.is_directory) {
    DeleteFileA(entry.path.c_str());
    return;
  }
  // A link is removed itself: emptying it would delete whatever it points to, anywhere on disk.
  if (!entry.is_link) empty_directory(entry.path);
  RemoveDirectoryA(entry.path.c_str());
}

}  // namespace

std::optional<std::string_view> listed_name(const WIN32_FIND_DATAA& data, LeadBytePredicate is_lead_byte) {
  const std::string_view name = name_field(data.cFileName);
  if (is_dot_entry(name)) return std::nullopt;
  if (is_usable_name(name, is_lead_byte)) return name;
  const std::string_view short_name = name_field(data.cAlternateFileName);
  if (short_name.empty() || !is_usable_name(short_name, is_lead_byte)) return std::nullopt;
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
