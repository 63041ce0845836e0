#include "cli/kivo_convert.h"

#include <iostream>

int main(int argc, char** argv)
{
    return kivo::cli::run({argv + 1, argv + argc}, std::cout, std::cerr);
}
