// The system's code page on Windows: the ANSI code page, which argv, the shell's drop query
// and the A functions use for names.
#include "core/text.h"

#include <windows.h>

namespace kivo::core {

CodePage systemCodePage()
{
    // The code page the A functions decode names with. Every other ANSI code page is either
    // single-byte or UTF-8, where a plain byte search is exact; the other East Asian
    // double-byte code pages (936, 949, 950) are not supported.
    return GetACP() == 932 ? CodePage::Cp932 : CodePage::Utf8;
}

} // namespace kivo::core
