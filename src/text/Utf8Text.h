#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Appends the code point in UTF-8 (a surrogate or a value past U+10FFFF is the caller's to
// avoid).
void AppendUtf8(std::string& text, char32_t character);

// The length of the UTF-8 sequence at `text[at]`, or 0 when none starts there (a stray byte, an
// overlong form, a surrogate, a code point past U+10FFFF, or a sequence cut off).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// A server's own words as they may be shown in a box or printed on a terminal: without control
// characters (C0, DEL and C1, so no escape sequence reaches a terminal; a tab becomes a space),
// with '?' for a byte that is not UTF-8, and cut to `longest` characters with "..." after.
std::string PrintableServerText(std::string_view text, std::size_t longest = 200);

// A name as it may be printed on a terminal, on one line, and read back by eye: a tab, CR, LF and
// backslash become "\t", "\r", "\n" and "\\"; any other control character, C0 (ESC among them) or
// DEL, becomes "\xHH", a C1 control (U+0080 to U+009F, such as U+009B, a terminal's CSI) "\u00HH",
// and a byte that is not UTF-8 "\xHH". Every other character is printed as it is.
std::string EscapedForTerminal(std::string_view text);
