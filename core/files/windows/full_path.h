// Full paths on Windows, for the file layer, kivo-convert's arguments and the files given to
// Kivo.exe alike.
#pragma once

#include <optional>
#include <string>

namespace kivo::core {

// `path` made absolute against the current folder as Windows resolves it ("." and ".." taken
// lexically, "/" made "\\"), of any length. Nothing when Windows cannot resolve it (an empty
// path, say), with GetLastError() saying why.
std::optional<std::wstring> fullPathName(const std::wstring& path);

} // namespace kivo::core
