#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kivo::cli {

// kivo-convert [-o OUTPUT] [-p PREFIX] [--detailed] FILE...: queues the FILEs as one drop
// onto an empty window, takes -o and -p as typed into its fields (and --detailed as the box
// ticked), and converts as "Make itx" does.
// Notices go to `err`, one per line, in UTF-8 (file names included); `out` gets only --help
// and --version. Returns the exit status: 0 when the output was written and every FILE
// opened, 1 when not, 2 for a usage error. Never throws for a failed read or write: its
// message goes to `err`.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace kivo::cli
