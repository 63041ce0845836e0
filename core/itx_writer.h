#pragma once

#include "core/squid_reader.h"

#include <memory>
#include <string>
#include <string_view>

namespace kivo::core {

class FileSystem;
class StagedOutput;

// Writes one Igor Text file: the header declaring five double waves, a line per row and
// the trailer that resets their scaling. Lines end in CR LF on every platform. The file
// appears at its path only when close() succeeds; until then an earlier file stays.
class ItxWriter final {
public:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    ItxWriter();
    ItxWriter(const ItxWriter&) = delete;
    ItxWriter& operator=(const ItxWriter&) = delete;
    // Discards the output unless close() succeeded.
    ~ItxWriter();

    // False if the output cannot be created.
    bool create(FileSystem& files, const std::string& path);
    // Writes into an already made output (tests and fuzzers write to memory).
    void create(std::unique_ptr<StagedOutput> output);

    // The writes throw IoError (Write).
    void writeHeader(std::string_view prefix);
    // An empty value is written as NaN, since Igor reads no blank item in a data line.
    void writeRow(std::string_view time, std::string_view field, std::string_view temperature,
                  std::string_view moment, std::string_view momentSD);
    void writeRow(const RowValues& row);
    void writeTrailer(std::string_view prefix);
    // Flushes, closes and puts the file in place. Throws IoError (Write or Close).
    void close();

private:
    void put(std::string_view bytes);
    void flush();

    std::unique_ptr<StagedOutput> m_output;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
};

} // namespace kivo::core
