// Conversions between the narrow encodings and UTF-16 on Windows, for the file layer, the
// console edge of kivo-convert and the Win32 window alike.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kivo::core {

// `text` in `codePage` (CP_ACP, CP_UTF8, ...) as UTF-16. Bytes that are no character come out
// as U+FFFD or as the code page's own stand-in; never fails.
std::wstring widen(std::string_view text, unsigned int codePage);

// UTF-16 `text` in `codePage`; a character the code page lacks becomes its stand-in.
std::string narrow(std::wstring_view text, unsigned int codePage);

// `text` with each "\n" made "\r\n", the line end of a Windows message box and of text
// redirected to a file or pipe.
std::wstring crLfLineEnds(std::wstring_view text);

// UTF-16 `text` in the ANSI code page, or nothing when a character has no exact equivalent
// there: a best fit (U+00A5 "¥" becomes "\\" under code page 932) or the stand-in "?"
// would name another file, or none. For every name that comes in as UTF-16 (arguments,
// drops) and goes on as the core takes names.
std::optional<std::string> toAnsiExactly(std::wstring_view text);

} // namespace kivo::core
