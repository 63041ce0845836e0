#pragma once

#include "core/files/file_system.h"

#include <ostream>
#include <string>
#include <vector>

namespace kivo::cli {

// kivo-convert [-o OUTPUT] [-p PREFIX] [--detailed] FILE...: queues the FILEs as one drop
// onto an empty window, takes -o and -p as typed into its fields (and --detailed as the box
// ticked), and converts as "Make itx" does, through `files`. Notices go to `err`, one per
// line, in UTF-8 (file names included); `out` gets only --help and --version. Returns the
// exit status: 0 when the output was written and every FILE opened, 1 when not, 2 for a
// usage error. A run that fails (a read, write or close error, or any other std::exception
// such as std::bad_alloc) leaves no output and its message and reason go to `err`, as the
// window's stop box words them, with exit status 1.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        core::FileSystem& files = core::platformFileSystem());

} // namespace kivo::cli
