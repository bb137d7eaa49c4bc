// POSIX stand-in for the Win32 functions Orlavex calls, for the native build. Each function keeps
// the Win32 name, signature and return convention, and the Windows behaviour the program relies
// on: read-only files cannot be deleted, directories are removed only when empty, links are
// removed themselves and never followed, and names are listed as the enumeration reports them.
//
// Paths: "X:" stands for $WINEPREFIX/dosdevices/x: as in Wine, "\" separates, and a path without
// a drive letter is an ordinary POSIX path. The stand-in's ANSI code page is the file system's own
// bytes (UTF-8 on a modern system), so names pass through unchanged; as under Wine, a POSIX name
// may hold characters that no Windows name can, "\" among them.
#include "platform/win32.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

namespace {

thread_local DWORD last_error = ERROR_SUCCESS;

BOOL fail(DWORD error) {
  last_error = error;
  return FALSE;
}

DWORD error_from_errno(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case ENOTEMPTY:
    case EEXIST:
      return ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

BOOL fail_from_errno() { return fail(error_from_errno(errno)); }

// The failure of a call that returns a length: zero.
DWORD fail_length(DWORD error) {
  last_error = error;
  return 0;
}

const std::string& wine_prefix() {
  static const std::string prefix = [] {
    if (const char* configured = std::getenv("WINEPREFIX"); configured && *configured) {
      return std::string(configured);
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* user = getpwuid(getuid());
      home = user ? user->pw_dir : "";
    }
    return std::string(home) + "/.wine";
  }();
  return prefix;
}

bool has_drive_letter(const char* path) {
  return std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::string to_posix_path(const char* path) {
  std::string posix;
  if (has_drive_letter(path)) {
    posix = wine_prefix() + "/dosdevices/";
    posix += static_cast<char>(std::tolower(static_cast<unsigned char>(path[0])));
    posix += ':';
    path += 2;
    if (*path && *path != '\\') posix += '/';
  }
  for (; *path; ++path) posix += *path == '\\' ? '/' : *path;
  return posix;
}

// An enumeration in progress; its entries are examined through the directory's descriptor.
struct FindState {
  DIR* directory;
};

bool is_directory_at(int directory_fd, const char* name) {
  struct stat target;
  return fstatat(directory_fd, name, &target, 0) == 0 && S_ISDIR(target.st_mode);
}

// Link and directory attributes come from the listing's own d_type; only a link (is its target a
// directory?) or a file system that leaves d_type unknown costs a stat. FILE_ATTRIBUTE_READONLY is
// not reported here, which would cost a stat for every entry: DeleteFileA checks it when it is
// asked to delete, as Windows does.
DWORD attributes_of(int directory_fd, const dirent& entry) {
  unsigned char type = entry.d_type;
  if (type == DT_UNKNOWN) {
    struct stat status;
    if (fstatat(directory_fd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) return FILE_ATTRIBUTE_NORMAL;
    type = S_ISLNK(status.st_mode) ? DT_LNK : S_ISDIR(status.st_mode) ? DT_DIR : DT_REG;
  }
  switch (type) {
    case DT_DIR:
      return FILE_ATTRIBUTE_DIRECTORY;
    case DT_LNK:
      return FILE_ATTRIBUTE_REPARSE_POINT |
             (is_directory_at(directory_fd, entry.d_name) ? FILE_ATTRIBUTE_DIRECTORY : 0);
    default:
      return FILE_ATTRIBUTE_NORMAL;
  }
}

void fill_find_data(DIR* directory, const dirent& entry, WIN32_FIND_DATAA* data) {
  std::memset(data, 0, sizeof *data);
  data->dwFileAttributes = attributes_of(dirfd(directory), entry);
  // NAME_MAX is 255, so every POSIX name fits cFileName with its terminator.
  std::strncpy(data->cFileName, entry.d_name, MAX_PATH - 1);
}

bool next_entry(FindState* state, WIN32_FIND_DATAA* data) {
  errno = 0;
  const dirent* entry = readdir(state->directory);
  if (!entry) {
    last_error = errno ? error_from_errno(errno) : ERROR_NO_MORE_FILES;
    return false;
  }
  fill_find_data(state->directory, *entry, data);
  return true;
}

// The program lists whole directories only: "dir\*.*" or "dir\*". Returns the directory part, or
// false for any other pattern.
bool directory_of_pattern(const std::string& pattern, std::string* directory) {
  for (const char* wildcard : {"/*.*", "/*"}) {
    const std::size_t length = std::strlen(wildcard);
    if (pattern.size() >= length && pattern.compare(pattern.size() - length, length, wildcard) == 0) {
      *directory = pattern.substr(0, pattern.size() - length);
      if (directory->empty()) *directory = "/";
      return true;
    }
  }
  return false;
}

// The folder of the last entry deleted or removed, kept open: the entries of one folder are
// removed one after another, and each then costs only the lookup of its own name, as with rm.
// Forgotten whenever a folder is removed or the current directory changes.
struct ParentFolder {
  std::string path;
  int fd = -1;
};

thread_local ParentFolder parent_folder;

void forget_parent_folder() {
  if (parent_folder.fd >= 0) close(parent_folder.fd);
  parent_folder = ParentFolder{};
}

// An entry as a folder descriptor and a name in it, for the *at system calls.
struct EntryAt {
  int folder;
  const char* name;
};

// Splits `path` into its folder, opened or kept open, and its last component; `path` must outlive
// the result. A path without a folder part, or whose folder cannot be opened, is resolved whole.
EntryAt entry_at(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash + 1 == path.size()) return {AT_FDCWD, path.c_str()};
  const std::string_view folder = slash == 0 ? std::string_view("/") : std::string_view(path).substr(0, slash);
  if (parent_folder.fd < 0 || parent_folder.path != folder) {
    forget_parent_folder();
    parent_folder.path = folder;
    parent_folder.fd = open(parent_folder.path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (parent_folder.fd < 0) return {AT_FDCWD, path.c_str()};
  }
  return {parent_folder.fd, path.c_str() + slash + 1};
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR lpFileName, WIN32_FIND_DATAA* lpFindFileData) {
  std::string directory;
  if (!directory_of_pattern(to_posix_path(lpFileName), &directory)) {
    fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  DIR* opened = opendir(directory.c_str());
  if (!opened) {
    fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : error_from_errno(errno));
    return INVALID_HANDLE_VALUE;
  }
  auto* state = new (std::nothrow) FindState{opened};
  if (!state) {
    closedir(opened);
    fail(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  if (!next_entry(state, lpFindFileData)) {
    closedir(opened);
    delete state;
    fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return state;
}

BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA* lpFindFileData) {
  if (!hFindFile || hFindFile == INVALID_HANDLE_VALUE) return fail(ERROR_INVALID_HANDLE);
  return next_entry(static_cast<FindState*>(hFindFile), lpFindFileData) ? TRUE : FALSE;
}

BOOL FindClose(HANDLE hFindFile) {
  if (!hFindFile || hFindFile == INVALID_HANDLE_VALUE) return fail(ERROR_INVALID_HANDLE);
  auto* state = static_cast<FindState*>(hFindFile);
  closedir(state->directory);
  delete state;
  return TRUE;
}

BOOL DeleteFileA(LPCSTR lpFileName) {
  const EntryAt entry = entry_at(to_posix_path(lpFileName));
  struct stat status;
  if (fstatat(entry.folder, entry.name, &status, AT_SYMLINK_NOFOLLOW) != 0) return fail_from_errno();
  if (S_ISLNK(status.st_mode)) {
    // A link to a directory is a directory to Windows: only RemoveDirectoryA removes it.
    struct stat target;
    if (fstatat(entry.folder, entry.name, &target, 0) == 0 && S_ISDIR(target.st_mode)) {
      return fail(ERROR_ACCESS_DENIED);
    }
  } else if (S_ISDIR(status.st_mode) || !(status.st_mode & S_IWUSR)) {
    return fail(ERROR_ACCESS_DENIED);
  }
  return unlinkat(entry.folder, entry.name, 0) == 0 ? TRUE : fail_from_errno();
}

BOOL RemoveDirectoryA(LPCSTR lpPathName) {
  std::string path = to_posix_path(lpPathName);
  // "dir\" names dir itself; so does "dir/" here, except that rmdir would not take a link so.
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const EntryAt entry = entry_at(path);
  if (unlinkat(entry.folder, entry.name, AT_REMOVEDIR) == 0) {
    forget_parent_folder();  // it may have been the folder kept open
    return TRUE;
  }
  if (errno != ENOTDIR) return fail_from_errno();
  // rmdir refuses a link; Windows removes a directory link itself, never what it points to.
  struct stat status;
  struct stat target;
  if (fstatat(entry.folder, entry.name, &status, AT_SYMLINK_NOFOLLOW) != 0) return fail_from_errno();
  if (!S_ISLNK(status.st_mode) || fstatat(entry.folder, entry.name, &target, 0) != 0 || !S_ISDIR(target.st_mode)) {
    return fail(ERROR_DIRECTORY);
  }
  return unlinkat(entry.folder, entry.name, 0) == 0 ? TRUE : fail_from_errno();
}

DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  if (hModule) return fail_length(ERROR_INVALID_HANDLE);
  char own_path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", own_path, sizeof own_path);
  if (length < 0) return fail_length(error_from_errno(errno));
  if (nSize == 0) return fail_length(ERROR_INSUFFICIENT_BUFFER);
  // As on Windows Vista and later: a path that does not fit is cut to nSize - 1 bytes,
  // terminated, and reported as nSize with ERROR_INSUFFICIENT_BUFFER.
  const DWORD copied = static_cast<DWORD>(length) < nSize ? static_cast<DWORD>(length) : nSize - 1;
  for (DWORD i = 0; i < copied; ++i) lpFilename[i] = own_path[i] == '/' ? '\\' : own_path[i];
  lpFilename[copied] = '\0';
  if (copied < static_cast<DWORD>(length)) {
    last_error = ERROR_INSUFFICIENT_BUFFER;
    return nSize;
  }
  last_error = ERROR_SUCCESS;
  return copied;
}

BOOL SetCurrentDirectoryA(LPCSTR lpPathName) {
  forget_parent_folder();  // a relative path names another folder now
  return chdir(to_posix_path(lpPathName).c_str()) == 0 ? TRUE : fail_from_errno();
}

// The stand-in's ANSI code page is UTF-8, which has no double-byte lead bytes.
BOOL IsDBCSLeadByte(BYTE) { return FALSE; }

DWORD GetLastError() { return last_error; }

void SetLastError(DWORD dwErrCode) { last_error = dwErrCode; }
