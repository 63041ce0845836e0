// Conversions at the edge of the Win32 window. Paths and the fields' texts stay in the ANSI
// code page, as the core and the intake take them; only what the user reads is turned into
// UTF-16 for the W functions, so that Japanese shows whatever the system's code page.
#pragma once

#include <string>
#include <string_view>

#include <windows.h>

namespace kivo::win32 {

// UTF-16 to UTF-8.
std::string toUtf8(std::wstring_view text);

// A UTF-8 text as a message box shows it: its line breaks made one "\n" each, as
// noticeLines() makes them for every outlet, then CR LF, as Windows breaks a line.
std::wstring boxText(std::string_view utf8);

} // namespace kivo::win32
