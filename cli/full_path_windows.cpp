// Windows: the arguments are bytes in the ANSI code page. std::filesystem would read them as
// the C locale and give them back as UTF-8, and under code page 932 it would take the second
// byte of 表 (0x5C) for a separator; GetFullPathNameW judges whole characters. The wide
// function is used because the ANSI one stops at 260 bytes.
#include "cli/full_path.h"

#include <system_error>

#include <windows.h>

namespace kivo::cli {

namespace {

std::string lastErrorText()
{
    return std::system_category().message(static_cast<int>(GetLastError()));
}

} // namespace

std::optional<std::string> fullPath(const std::string& path, std::string& problem)
{
    const int pathLength = static_cast<int>(path.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, path.data(), pathLength, nullptr, 0);
    if (wideLength <= 0) {
        problem = lastErrorText();
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), pathLength, wide.data(), wideLength);

    DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full;
    for (;;) {
        if (size == 0) {
            problem = lastErrorText();
            return std::nullopt;
        }
        full.assign(size, L'\0');
        const DWORD written = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
        if (written < size) {
            full.resize(written);
            break;
        }
        size = written;  // the current folder changed in between; try with the new size
    }

    const int fullLength = static_cast<int>(full.size());
    const int narrowLength = WideCharToMultiByte(CP_ACP, 0, full.data(), fullLength, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(narrowLength), '\0');
    WideCharToMultiByte(CP_ACP, 0, full.data(), fullLength, narrow.data(), narrowLength, nullptr, nullptr);
    return narrow;
}

} // namespace kivo::cli
