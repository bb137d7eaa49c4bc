#include "console/console.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace {

// 2048 bytes of input and the terminating zero.
constexpr int kLineBufferSize = 2049;

// The code page of every text the program writes.
constexpr UINT kTextCodePage = 936;

bool read_failed(std::FILE* input) {
  // Ctrl+C at a Windows console ends a pending read as if input had ended, with
  // ERROR_OPERATION_ABORTED, while the system ends the process from another thread that may not
  // have run yet. That read counts as failed, not as the end of input.
  return std::ferror(input) || GetLastError() == ERROR_OPERATION_ABORTED;
}

bool is_console(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != FALSE;
}

// Shows a GBK text on the console as the characters it stands for, whatever code page the console
// is set to; that code page stays as the person set it. Returns false, having written nothing,
// when the text cannot be converted.
bool show_on_console(HANDLE console, const char* text) {
  const int length = static_cast<int>(std::strlen(text));
  if (length == 0) return true;
  const int wide_length = MultiByteToWideChar(kTextCodePage, 0, text, length, nullptr, 0);
  if (wide_length <= 0) return false;
  std::vector<WCHAR> wide(static_cast<std::size_t>(wide_length));
  if (MultiByteToWideChar(kTextCodePage, 0, text, length, wide.data(), wide_length) != wide_length) return false;
  DWORD written = 0;
  WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide_length), &written, nullptr);
  return true;
}

}  // namespace

void console_write(std::initializer_list<const char*> texts) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const bool to_console = is_console(out);
  for (const char* text : texts) {
    if (!text) continue;
    // A file or a pipe gets the GBK bytes themselves.
    if (!to_console || !show_on_console(out, text)) std::fprintf(stdout, "%s", text);
  }
  // The prompt has no line end, and it must be on screen before the program waits for input.
  std::fflush(stdout);
}

ConsoleLine console_read_line(std::FILE* input) {
  char buffer[kLineBufferSize];
  SetLastError(ERROR_SUCCESS);
  if (!std::fgets(buffer, kLineBufferSize, input)) return {std::nullopt, read_failed(input)};
  if (buffer[0] == '\0') return {std::nullopt, false};
  return {AnsiText(buffer), false};
}
