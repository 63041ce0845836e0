#include "win32/wide_text.h"

#include "core/files/windows/wide_text.h"
#include "core/run/notice.h"

namespace kivo::win32 {

std::string toUtf8(std::wstring_view text)
{
    return core::narrow(text, CP_UTF8);
}

std::wstring boxText(std::string_view utf8)
{
    return core::crLfLineEnds(core::widen(core::noticeLines(utf8), CP_UTF8));
}

} // namespace kivo::win32
