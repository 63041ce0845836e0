#pragma once

#include <string>

#include <sys/stat.h>

namespace kivo::core {

// Opens each of the standard descriptors 0, 1 and 2 that is closed, so that no file opened
// later takes its number (notices written to "standard error" would land inside it), and
// remembers that it was closed. Standard input reads the null device; standard output and
// error become pipes nobody reads, whose writes fail and which no path but their own leads
// to. False when one cannot be opened.
bool holdClosedStandardStreams();

// True when descriptor `fd` was closed at start and holdClosedStandardStreams() opened it.
bool closedAtStart(int fd);

// The descriptor a path names by its spelling when it is one of this process's standard
// streams or open files (/dev/stdout, /dev/fd/N, /proc/self/fd/N), or -1.
int standardStream(const std::string& path);

// 1 or 2 when `file` is the file that standard output or standard error has open, else -1.
int streamHolding(const struct stat& file);

} // namespace kivo::core
