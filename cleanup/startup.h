// Start-up: the executable's folder becomes the current directory.
#pragma once

#include <optional>
#include <string_view>

#include "platform/ansi_text.h"
#include "platform/win32.h"

// Returns the folder part of an executable path that GetModuleFileNameA wrote into a buffer of
// `buffer_size` bytes and reported as `module_path`: everything before its last backslash, where
// the trail byte of a double-byte character (as `is_lead_byte` tells) is never a backslash.
// Returns none when the call failed, when the path did not fit the buffer (it was cut), or when it
// holds no backslash.
std::optional<std::string_view> module_folder(std::string_view module_path, DWORD buffer_size,
                                              LeadBytePredicate is_lead_byte);

// Makes the executable's folder the current directory. Leaves the current directory as it is when
// the executable's path cannot be had whole.
void enter_executable_folder();
