#pragma once

#include <memory>
#include <string>

namespace kivo::cli {

#ifdef _WIN32

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
