#pragma once

#include <optional>
#include <string>

namespace kivo::cli {

// `path` as a drop or a file dialog delivers it: absolute against the current folder, in
// the system's narrow encoding and of any length. On POSIX "." parts and doubled
// separators go and ".." stays for the kernel to resolve (after a link it is not the
// lexical parent); Windows resolves ".." lexically itself, so there it goes too. Nothing
// on disk is consulted beyond the current folder.
// std::nullopt with `problem` set when the current folder cannot be known.
std::optional<std::string> fullPath(const std::string& path, std::string& problem);

} // namespace kivo::cli
