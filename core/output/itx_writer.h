#pragma once

#include "core/output/itx_output.h"
#include "core/waves/igor_number.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kivo::core {

class FileSystem;

// Writes the normal Igor Text file: the header declaring five double waves, a line per row
// and the trailer that resets their scaling. Lines end in CR LF on every platform. The file
// appears at its path only when close() succeeds; until then an earlier file stays.
class ItxWriter final {
public:
    ItxWriter();
    ItxWriter(const ItxWriter&) = delete;
    ItxWriter& operator=(const ItxWriter&) = delete;
    // Discards the output unless close() succeeded.
    ~ItxWriter();

    // False if the output cannot be created.
    bool create(FileSystem& files, const std::string& path);

    // The writes throw IoError (Write).
    void writeHeader(std::string_view prefix);
    // One data line of the five values as the reader judged them; an empty one is NaN.
    void writeRow(std::span<const std::string_view> values)
    {
        m_file.putRow(values);
        if (holdsNumber(values[kMomentWave]))
            ++m_momentRows;
    }
    void writeTrailer(std::string_view prefix);
    // Writes the rows so far into the file and waits for them, so that a failed write is
    // told before the count of points of the file they came from. Throws IoError (Write).
    void settle() { m_file.settle(); }
    // How many rows so far had their moment written as a number other than NaN.
    std::int64_t momentRows() const noexcept { return m_momentRows; }
    // Flushes, closes and puts the file in place; once closed, or after a failed close,
    // does nothing. Throws IoError (Write or Close).
    void close();

private:
    // Where the five values hold the moment.
    static constexpr std::size_t kMomentWave = 3;

    ItxOutput m_file;
    std::int64_t m_momentRows = 0;
};

} // namespace kivo::core
