#include "console/console.h"

#include "platform/win32.h"

namespace {

// 2048 bytes of input and the terminating zero.
constexpr int kLineBufferSize = 2049;

bool read_failed(std::FILE* input) {
  // Ctrl+C at a Windows console ends a pending read as if input had ended, with
  // ERROR_OPERATION_ABORTED, while the system ends the process from another thread that may not
  // have run yet. That read counts as failed, not as the end of input.
  return std::ferror(input) || GetLastError() == ERROR_OPERATION_ABORTED;
}

}  // namespace

void console_write(std::initializer_list<const char*> texts) {
  for (const char* text : texts) {
    if (text) std::fprintf(stdout, "%s", text);
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
