// Texts and paths as the ANSI Win32 functions take them.
#pragma once

#include <string>
#include <string_view>

// A byte string in the system ANSI code page (GBK on a Simplified Chinese system). Paths use
// backslash separators.
using AnsiText = std::string;

// Tells whether a byte begins a double-byte character, whose second byte may then be any byte
// from 0x40 up, "\" (0x5C) and "|" (0x7C) among them.
using LeadBytePredicate = bool (*)(unsigned char);

// Returns whether `byte` is a lead byte in the system ANSI code page.
bool system_lead_byte(unsigned char byte);

// Returns the position of the first single-byte character of `text` that is one of `chars`, or
// npos. The second byte of a double-byte character is never taken for one.
std::size_t ansi_find_first_of(std::string_view text, std::string_view chars,
                               LeadBytePredicate is_lead_byte = system_lead_byte);

// Returns the position of the last such character, or npos.
std::size_t ansi_find_last_of(std::string_view text, std::string_view chars,
                              LeadBytePredicate is_lead_byte = system_lead_byte);
