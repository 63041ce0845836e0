#include "cli/console.h"
#include "cli/kivo_convert.h"

#include <csignal>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include "core/files/posix/standard_streams.h"
#endif

#ifdef _WIN32
// The arguments as UTF-16 (the C runtime's ANSI argv would spell "¥" as "\\", another path).
int wmain(int argc, wchar_t** argv)
#else
int main(int argc, char** argv)
#endif
{
#ifndef _WIN32
    if (!kivo::core::holdClosedStandardStreams())
        return 1;
#endif
#ifdef _WIN32
    const kivo::cli::ConsoleText console;
    const std::optional<std::vector<std::string>> ansi = kivo::cli::ansiArguments(argc, argv, std::cerr);
    if (!ansi)
        return 1;
    const std::vector<std::string>& args = *ansi;
#else
    const std::vector<std::string> args(argv + 1, argv + argc);
#endif
#ifdef SIGPIPE
    // Notices are a side channel: a reader that closed standard error must not kill the
    // run half way and leave its staging file behind instead of the output.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    return kivo::cli::run(args, std::cout, std::cerr);
}
