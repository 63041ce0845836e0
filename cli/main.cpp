#include "cli/console.h"
#include "cli/kivo_convert.h"

#include <csignal>
#include <iostream>

#ifndef _WIN32
#include "core/posix/standard_streams.h"
#endif

int main(int argc, char** argv)
{
#ifndef _WIN32
    if (!kivo::core::holdClosedStandardStreams())
        return 1;
#endif
#ifdef _WIN32
    const kivo::cli::ConsoleText console;
#endif
#ifdef SIGPIPE
    // Notices are a side channel: a reader that closed standard error must not kill the
    // run half way and leave its staging file behind instead of the output.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    return kivo::cli::run({argv + 1, argv + argc}, std::cout, std::cerr);
}
