#pragma once

#include <string>

namespace kivo::core {

// Where `path` leads once every symbolic link is followed, even one whose target does not
// exist yet: writing through a dangling link creates its target and keeps the link.
std::string resolve(const std::string& path);

} // namespace kivo::core
