#pragma once

#include <memory>
#include <string>

namespace kivo::cli {

#ifdef _WIN32

// `text` from the ANSI code page (arguments, file names, system messages) into UTF-8, the
// encoding of the program's own words, so that a line holding both is one encoding.
std::string narrowToUtf8(const std::string& text);

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

#else

// Names and the program's words are both UTF-8 here already.
inline std::string narrowToUtf8(const std::string& text)
{
    return text;
}

#endif

} // namespace kivo::cli
