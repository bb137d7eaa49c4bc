// Removal of a directory tree through the ANSI Win32 file functions.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "platform/ansi_text.h"
#include "platform/win32.h"

// One entry of a directory listing.
struct DirectoryEntry {
  AnsiText path;      // the listed directory as given, "\", then the entry's name
  bool is_directory;  // FILE_ATTRIBUTE_DIRECTORY
  bool is_link;       // FILE_ATTRIBUTE_REPARSE_POINT: a junction or a symbolic link
};

using DirectoryListing = std::vector<DirectoryEntry>;

// Returns the entries of `directory` in the order the enumeration reports them, without "." and
// "..". The enumeration is closed before this returns. An entry whose name the ANSI code page
// cannot represent is listed under its 8.3 name, or left out when it has none. Returns an empty
// listing when the directory cannot be listed. Changes nothing on disk.
DirectoryListing list_directory_entries(const AnsiText& directory);

// Returns the name under which an enumerated entry is listed: its name, or its 8.3 name when the
// name cannot be passed back to the file functions as it stands. That is a name holding "?", which
// stands for a character the ANSI code page cannot represent, or any other character no Windows
// name holds (a POSIX name under Wine may hold "\", for one, and the joined path would then name
// some other file), or a name ending in a dot or a space, which Win32 drops from paths. Returns
// none for "." and ".." and when neither name will do.
std::optional<std::string_view> listed_name(const WIN32_FIND_DATAA& data,
                                            LeadBytePredicate is_lead_byte = system_lead_byte);

// Returns the path that remove_directory_tree works on: `path` without its leading spaces. Returns
// none for a path that must not be removed: an empty one, a bare drive ("C:") or a drive root
// ("C:\").
std::optional<std::string_view> removal_path(std::string_view path);

// Removes the directory at `path` with everything below it, as far as the file system allows.
// Links inside the tree are removed themselves and never followed; read-only entries, entries in
// use and everything above them stay, and no attribute is changed. Returns true when the
// directory itself is gone; false when it stays, does not exist, or the path was refused.
bool remove_directory_tree(const AnsiText& path);
