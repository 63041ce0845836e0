#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::core {

// The header lines a file's waves keep in their notes. An instrument writes a few kilobytes
// in some dozens of lines; a crafted header of any size, blank lines included, is kept in
// bounded memory and a short note.
class HeaderNotes final {
public:
    // Each line counts its bytes and its line end, so that blank lines count too.
    static constexpr std::size_t kMaxBytes = 256 * 1024;
    static constexpr std::size_t kMaxLines = 4096;

    // Keeps `line` (without its line end) if it is whole and fits, after the lines kept so
    // far. Once a line is left out, so is every later one, and lines() ends with one line
    // saying the header goes on.
    void add(std::string_view line, bool complete);
    // The most bytes the next line may have and be kept: what a reader needs to read of it.
    std::size_t room() const noexcept;
    // The lines kept, in order, then the line saying that the header goes on, if it does.
    const std::vector<std::string>& lines() const noexcept { return m_lines; }

private:
    std::vector<std::string> m_lines;
    std::size_t m_bytes = 0;
    bool m_cut = false;
};

} // namespace kivo::core
