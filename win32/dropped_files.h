// Files handed to Kivo.exe in UTF-16, by a drop or on the command line, as the intake takes
// them: in the ANSI code page. A name the code page cannot spell would become "?" or a
// look-alike there, which names another file or none, so it is kept apart to be told.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include <shellapi.h>

namespace kivo::win32 {

struct DroppedFiles {
    std::vector<std::string> paths;       // in the ANSI code page, in the order given
    std::vector<std::string> unspellable; // the last part of each other name, in UTF-8
};

// The files of a drop, in the order the shell lists them; each path is taken whole, of
// any length.
DroppedFiles droppedFiles(HDROP drop);

// `paths`, as the command line names them.
DroppedFiles spelledFiles(const std::vector<std::wstring>& paths);

// The files named on `commandLine` after the program's own name, made absolute against
// the current folder as a drop delivers them; empty arguments are left out.
std::vector<std::wstring> commandLineFiles(const wchar_t* commandLine);

} // namespace kivo::win32
