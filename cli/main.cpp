#include "cli/console.h"
#include "cli/kivo_convert.h"

#include <iostream>

int main(int argc, char** argv)
{
#ifdef _WIN32
    const kivo::cli::ConsoleText console;
#endif
    return kivo::cli::run({argv + 1, argv + argc}, std::cout, std::cerr);
}
