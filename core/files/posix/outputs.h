#pragma once

#include "core/files/file_system.h"

#include <memory>
#include <string>

#include <sys/stat.h>

namespace kivo::core {

// The output that writes descriptor `fd` as it is and closes it on commit: a device, FIFO,
// terminal or standard stream, which replacing with a regular file would destroy (or, for
// a redirection with >>, the file behind it). `target` is the path the user named.
std::unique_ptr<StagedOutput> inPlaceOutput(int fd, std::string target);

// A staging file beside `place` (the file `target` leads to), anonymous where the system
// allows it, which commit() puts over `place`. It gets the owner, group and permissions of
// `earlier`, the file it replaces, or those of any new file when `earlier` is null. On
// failure nullptr, with `why` saying why.
std::unique_ptr<StagedOutput> stageBeside(std::string target, const std::string& place, const struct stat* earlier,
                                          Reason& why);

} // namespace kivo::core
