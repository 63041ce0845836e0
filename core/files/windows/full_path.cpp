#include "core/files/windows/full_path.h"

#include <windows.h>

namespace kivo::core {

std::optional<std::wstring> fullPathName(const std::wstring& path)
{
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    while (size != 0) {
        std::wstring full(size, L'\0');
        const DWORD written = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
        if (written != 0 && written < size) {
            full.resize(written);
            return full;
        }
        // Either it failed (0), or another thread changed the current folder in between and
        // the path needs more room: asked again with that room.
        size = written;
    }
    return std::nullopt;
}

} // namespace kivo::core
