#pragma once

#include <string>

namespace kivo::core {

// The descriptor a path names when it is one of this process's standard streams or open
// files, or -1. Opening such a path anew would start a redirection's file from its
// beginning, or (renamed over) replace it.
int standardStream(const std::string& path);

// Where `path` leads once every symbolic link is followed, even one whose target does not
// exist yet: writing through a dangling link creates its target and keeps the link.
std::string resolve(const std::string& path);

} // namespace kivo::core
