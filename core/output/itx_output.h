#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace kivo::core {

// Igor Text lines end in CR LF on every platform, as the files have always been written.
inline constexpr std::string_view kItxEol = "\r\n";

class FileSystem;
class StagedOutput;

// The file a writer makes, with the buffer that turns its many small pieces into few large
// writes. The file appears at its path only when close() succeeds; until then an earlier
// file stays.
class ItxOutput final {
public:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    ItxOutput();
    ItxOutput(const ItxOutput&) = delete;
    ItxOutput& operator=(const ItxOutput&) = delete;
    // Discards the output unless close() succeeded.
    ~ItxOutput();

    // False if the output cannot be created.
    bool create(FileSystem& files, const std::string& path);

    // The writes throw IoError (Write).
    void put(std::string_view bytes);
    void putLine(std::string_view line);
    void flush();
    // For the rows, which the writers copy in themselves: how many bytes are free, where
    // they start, and how many of them were filled.
    std::size_t room() const noexcept { return kBufferSize - m_used; }
    char* end() noexcept { return m_buffer.get() + m_used; }
    void filled(std::size_t bytes) noexcept { m_used += bytes; }

    // Flushes, closes and puts the file in place; once closed, or after a failed close,
    // does nothing. Throws IoError (Write or Close).
    void close();

private:
    std::unique_ptr<StagedOutput> m_output;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
};

} // namespace kivo::core
