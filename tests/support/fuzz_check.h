#pragma once

// How a fuzz target reports a broken property: a line naming it, then abort(), which
// libFuzzer and the corpus replay both take for a failure.

#include <cstdio>
#include <cstdlib>

namespace kivo::testing {

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void check(bool ok, const char* what)
{
    if (!ok)
        fail(what);
}

} // namespace kivo::testing
