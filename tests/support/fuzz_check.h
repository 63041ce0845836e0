#pragma once

// How a fuzz target reports a broken property: a line naming it, then abort(), which
// libFuzzer and the corpus replay both take for a failure. And how the targets cut their
// input into records.

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

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

// `text` cut at every `separator`: one part more than there are separators.
inline std::vector<std::string_view> split(std::string_view text, std::string_view separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

} // namespace kivo::testing
