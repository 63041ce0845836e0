#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivo::testing {

// The lines of `text`, as an output written with CR LF line ends holds them: each without
// its CR LF, and what follows the last CR LF, unless nothing does, as a last line. A lone CR
// or LF stays inside its line.
inline std::vector<std::string> crLfLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2)
        lines.emplace_back(text.substr(start, end - start));
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

} // namespace kivo::testing
