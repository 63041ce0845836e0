// The system's code page on POSIX systems.
#include "core/files/text.h"

namespace kivo::core {

CodePage systemCodePage()
{
    // Linux and macOS name files in UTF-8, where a plain byte search is already exact.
    return CodePage::Utf8;
}

std::string systemTextToUtf8(const std::string& text)
{
    return text;
}

} // namespace kivo::core
