#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kivo::core {

// Igor Text lines end in CR LF on every platform, as the files have always been written.
inline constexpr std::string_view kItxEol = "\r\n";

class BackgroundTask;
class FileSystem;
class StagedOutput;

// The file a writer makes, with the buffer that turns its many small pieces into few large
// writes. Past its first buffer, an output is written on a thread of its own, one buffer
// while the next fills. The file appears at its path only when close() succeeds; until
// then an earlier file stays.
class ItxOutput final {
public:
    static constexpr std::size_t kBufferSize = 256 * 1024;

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
    // Writes everything put so far and waits until it is written, so that a write's error
    // is thrown here. Throws IoError (Write).
    void settle();
    // One data line: a tab before each value, an empty value written NaN, Igor's word for a
    // missing one, since Igor reads no blank item in a data line.
    void putRow(std::span<const std::string_view> values);

    // Flushes, closes and puts the file in place; once closed, or after a failed close,
    // does nothing. Throws IoError (Write or Close).
    void close();

private:
    // Hands the buffer on to be written. The error of a write is thrown by a later write,
    // settle() or close().
    void flush();
    // The rest of a data line, a value at a time: values too long to be copied in one move.
    void putRowPiecewise(std::span<const std::string_view> values);

    std::unique_ptr<StagedOutput> m_output;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
    // The buffer being written while m_buffer fills, and the thread that writes it; m_behind
    // is declared last, so that it ends before the rest.
    std::unique_ptr<char[]> m_spare;
    std::unique_ptr<BackgroundTask> m_behind;
};

} // namespace kivo::core
