#pragma once

#include <string>

namespace kivo::core {

// Makes SIGINT, SIGTERM and SIGHUP remove the named staging file at `path` before they end
// the process, as they would have ended it. A signal the caller ignores or handles itself
// stays theirs. A path too long to keep is not removed.
void armCleanup(const std::string& path);

// No staging file to remove any more (it was removed, or put in place).
void disarmCleanup();

} // namespace kivo::core
