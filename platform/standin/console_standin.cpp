// POSIX stand-in for the Win32 console functions Orlavex calls. A console is a terminal: the
// standard handles are descriptors 0 to 2, GetConsoleMode succeeds only on a terminal, and
// WriteConsoleW shows UTF-16 text in the terminal's character set, which the locale names.
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/win32.h"

namespace {

struct StandardHandle {
  int fd;
};

StandardHandle standard_handles[] = {{STDIN_FILENO}, {STDOUT_FILENO}, {STDERR_FILENO}};

// Returns the descriptor behind a standard handle, or -1 for any other handle.
int descriptor_of(HANDLE handle) {
  for (StandardHandle& standard : standard_handles) {
    if (handle == &standard) return standard.fd;
  }
  return -1;
}

const char* utf16_name() {
  const std::uint16_t probe = 1;
  return *reinterpret_cast<const unsigned char*>(&probe) == 1 ? "UTF-16LE" : "UTF-16BE";
}

// The character set the terminal shows, as the environment's locale names it.
std::string terminal_charset() {
  const locale_t environment = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (!environment) return "ASCII";
  std::string charset = nl_langinfo_l(CODESET, environment);
  freelocale(environment);
  return charset;
}

// Converts all of `input` with `converter`; returns false on an invalid or incomplete sequence.
bool convert(iconv_t converter, const char* input, std::size_t size, std::string* output) {
  char* in = const_cast<char*>(input);
  std::size_t in_left = size;
  char buffer[1024];
  while (in_left > 0) {
    char* out = buffer;
    std::size_t out_left = sizeof buffer;
    const std::size_t result = iconv(converter, &in, &in_left, &out, &out_left);
    output->append(buffer, static_cast<std::size_t>(out - buffer));
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
  }
  return true;
}

bool write_all(int fd, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

}  // namespace

HANDLE GetStdHandle(DWORD nStdHandle) {
  switch (nStdHandle) {
    case STD_INPUT_HANDLE:
      return &standard_handles[0];
    case STD_OUTPUT_HANDLE:
      return &standard_handles[1];
    case STD_ERROR_HANDLE:
      return &standard_handles[2];
    default:
      SetLastError(ERROR_INVALID_HANDLE);
      return INVALID_HANDLE_VALUE;
  }
}

BOOL GetConsoleMode(HANDLE hConsoleHandle, LPDWORD lpMode) {
  const int fd = descriptor_of(hConsoleHandle);
  if (fd < 0 || !isatty(fd)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *lpMode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
  return TRUE;
}

BOOL WriteConsoleW(HANDLE hConsoleOutput, const void* lpBuffer, DWORD nNumberOfCharsToWrite,
                   LPDWORD lpNumberOfCharsWritten, void*) {
  const int fd = descriptor_of(hConsoleOutput);
  if (fd < 0 || !isatty(fd)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // A character the terminal cannot show comes out as "?", as on a console without the font.
  const iconv_t converter = iconv_open((terminal_charset() + "//TRANSLIT").c_str(), utf16_name());
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string shown;
  const bool converted = convert(converter, static_cast<const char*>(lpBuffer),
                                 nNumberOfCharsToWrite * sizeof(WCHAR), &shown);
  iconv_close(converter);
  if (!converted || !write_all(fd, shown)) {
    SetLastError(converted ? ERROR_ACCESS_DENIED : ERROR_NO_UNICODE_TRANSLATION);
    return FALSE;
  }
  if (lpNumberOfCharsWritten) *lpNumberOfCharsWritten = nNumberOfCharsToWrite;
  return TRUE;
}

int MultiByteToWideChar(UINT CodePage, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte, WCHAR* lpWideCharStr,
                        int cchWideChar) {
  if (CodePage != 936 || !lpMultiByteStr || cbMultiByte < -1 || cchWideChar < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t size = cbMultiByte == -1 ? std::char_traits<char>::length(lpMultiByteStr) + 1
                                             : static_cast<std::size_t>(cbMultiByte);
  const iconv_t converter = iconv_open(utf16_name(), "GBK");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string utf16;
  const bool converted = convert(converter, lpMultiByteStr, size, &utf16);
  iconv_close(converter);
  if (!converted) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  const int length = static_cast<int>(utf16.size() / sizeof(WCHAR));
  if (cchWideChar == 0) return length;
  if (length > cchWideChar) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::char_traits<char>::copy(reinterpret_cast<char*>(lpWideCharStr), utf16.data(), utf16.size());
  return length;
}
