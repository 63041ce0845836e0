// Windows: the arguments are bytes in the ANSI code page. std::filesystem would read them as
// the C locale and give them back as UTF-8, and under code page 932 it would take the second
// byte of 表 (0x5C) for a separator; GetFullPathNameW judges whole characters. The wide
// function is used because the ANSI one stops at 260 bytes.
#include "cli/full_path.h"

#include "core/files/windows/full_path.h"
#include "core/files/windows/wide_text.h"

#include <system_error>

#include <windows.h>

namespace kivo::cli {

std::optional<std::string> fullPath(const std::string& path, std::string& problem)
{
    const std::optional<std::wstring> full = core::fullPathName(core::widen(path, CP_ACP));
    if (!full) {
        problem = std::system_category().message(static_cast<int>(GetLastError()));
        return std::nullopt;
    }
    return core::narrow(*full, CP_ACP);
}

} // namespace kivo::cli
