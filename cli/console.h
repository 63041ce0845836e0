#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kivo::cli {

#ifdef _WIN32

// The arguments after the program's name, which Windows gives in UTF-16, in the ANSI code
// page, as run() takes them. Nothing when one of them holds a character that the code page
// cannot spell exactly (a best fit would name another file): a line on `err` names it.
std::optional<std::vector<std::string>> ansiArguments(int argc, wchar_t** argv, std::ostream& err);

// While it lives, std::cout and std::cerr take UTF-8 and write it as Windows expects: as
// UTF-16 through WriteConsoleW on a console, whatever its code page, and in the ANSI code
// page with CR LF line ends when redirected to a file or pipe, which is how Japanese
// Windows programs write redirected text and how `type` and scripts read it back.
class ConsoleText final {
public:
    ConsoleText();
    ConsoleText(const ConsoleText&) = delete;
    ConsoleText& operator=(const ConsoleText&) = delete;
    // Writes out what is still held and gives the streams back their own buffers.
    ~ConsoleText();

private:
    struct Streams;
    std::unique_ptr<Streams> m_streams;
};

#endif

} // namespace kivo::cli
