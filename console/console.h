// Console text output and line input over the standard streams, in text mode.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <optional>

#include "platform/ansi_text.h"

// Writes each GBK text in order to standard output, back to back, and skips a null one. Adds
// nothing of its own. A file or a pipe receives the bytes themselves; a console shows the
// characters they stand for, whatever its code page, which it leaves as it was. The output has
// reached the console, file or pipe when this returns. Write failures are ignored.
void console_write(std::initializer_list<const char*> texts);

// What one console_read_line call got.
struct ConsoleLine {
  std::optional<AnsiText> text;  // the line as read, or none: end of input, a failed read, or a
                                 // line whose first byte is zero
  bool failed = false;           // the read failed, as opposed to meeting the end of input
};

// Reads one line from `input`: up to and including its line end, but at most 2048 bytes; the rest
// of a longer line stays in the stream. Blocks until then or until input ends. Returns the line
// as a new text owned by the caller.
ConsoleLine console_read_line(std::FILE* input = stdin);
