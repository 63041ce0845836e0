#pragma once

#include "core/files/reason.h"

#include <string>

#include <sys/stat.h>

namespace kivo::core {

// Gives the new file `fd` what the user gave `earlier`, the file at `place` that it is to
// replace: its owner and group (where they differ), its permissions, its access ACL and its
// user extended attributes. False when one of them cannot be kept, with `why` saying which
// and why; a file system without extended attributes has none to keep.
bool keepAttributes(int fd, const std::string& place, const struct stat& earlier, Reason& why);

} // namespace kivo::core
