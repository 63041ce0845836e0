#include "win32/dropped_files.h"

#include "core/files/windows/full_path.h"
#include "core/files/windows/wide_text.h"
#include "win32/wide_text.h"

#include <optional>
#include <utility>

namespace kivo::win32 {

namespace {

std::wstring droppedPathW(HDROP drop, UINT index)
{
    std::wstring path(DragQueryFileW(drop, index, nullptr, 0), L'\0');
    DragQueryFileW(drop, index, path.data(), static_cast<UINT>(path.size() + 1));
    return path;
}

// Asked for its length first, so that a path of any length is taken whole. The shell's
// own ANSI text is taken rather than a conversion of the UTF-16 one: a drop from an ANSI
// program holds bytes that need not survive the way there and back.
std::string droppedPathA(HDROP drop, UINT index)
{
    std::string path(DragQueryFileA(drop, index, nullptr, 0), '\0');
    DragQueryFileA(drop, index, path.data(), static_cast<UINT>(path.size() + 1));
    return path;
}

std::string lastComponent(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return toUtf8(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

} // namespace

DroppedFiles droppedFiles(HDROP drop)
{
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    DroppedFiles files;
    for (UINT index = 0; index < count; ++index) {
        const std::wstring name = droppedPathW(drop, index);
        if (core::toAnsiExactly(name))
            files.paths.push_back(droppedPathA(drop, index));
        else
            files.unspellable.push_back(lastComponent(name));
    }
    return files;
}

DroppedFiles spelledFiles(const std::vector<std::wstring>& paths)
{
    DroppedFiles files;
    for (const std::wstring& path : paths) {
        if (std::optional<std::string> narrow = core::toAnsiExactly(path))
            files.paths.push_back(std::move(*narrow));
        else
            files.unspellable.push_back(lastComponent(path));
    }
    return files;
}

std::vector<std::wstring> commandLineFiles(const wchar_t* commandLine)
{
    std::vector<std::wstring> files;
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
    if (arguments == nullptr)
        return files;
    for (int i = 1; i < count; ++i) {
        if (arguments[i][0] != L'\0')
            // Without a current folder to resolve against, as given, for the run to refuse.
            files.push_back(core::fullPathName(arguments[i]).value_or(arguments[i]));
    }
    LocalFree(arguments);
    return files;
}

} // namespace kivo::win32
