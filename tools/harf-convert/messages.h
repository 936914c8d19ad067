// Every message harf-convert prints goes through Printable: file names and a
// document's own bytes reach the terminal as text, never as commands.
#pragma once

#include <string>
#include <string_view>

namespace harf::convert {

// `text` as it may be shown on a terminal: valid UTF-8 is kept; control
// characters (C0, DEL, C1) and bytes of invalid UTF-8 become \xNN, the marks
// that reorder text on the screen (U+061C, U+200E, U+200F, U+202A..U+202E,
// U+2066..U+2069) \u{NNNN}, and a backslash \\, so that no escape is forged.
std::string Printable(std::string_view text);

// "harf-convert: FILE: MESSAGE", both made printable.
std::string FileMessage(std::string_view file, std::string_view message);

}  // namespace harf::convert
