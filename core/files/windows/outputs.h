#pragma once

#include "core/files/file_system.h"

#include <memory>
#include <string>

#include <windows.h>

namespace kivo::core {

// The output that writes `handle` as it is and closes it on commit: a device (NUL, CON, a
// COM port) or a pipe, which cannot be replaced. `path` is the one the user named.
std::unique_ptr<StagedOutput> inPlaceOutput(HANDLE handle, std::string path);

// A new, unshared staging file beside `path`, which commit() moves over it. `earlier` is
// the earlier output held open (INVALID_HANDLE_VALUE when there is none), released before
// the move, and `attributes` its attributes, set again afterwards. nullptr when the
// staging file cannot be made, with GetLastError() saying why.
std::unique_ptr<StagedOutput> stageBeside(const std::string& path, HANDLE earlier, DWORD attributes);

} // namespace kivo::core
