#pragma once

#include "core/output/itx_output.h"
#include "core/input/row_sink.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kivo::core {

class FileSystem;

// Writes one Igor Text file: the header declaring five double waves, a line per row and
// the trailer that resets their scaling. Lines end in CR LF on every platform. The file
// appears at its path only when close() succeeds; until then an earlier file stays.
class ItxWriter final : public RowSink {
public:
    ItxWriter();
    ItxWriter(const ItxWriter&) = delete;
    ItxWriter& operator=(const ItxWriter&) = delete;
    // Discards the output unless close() succeeded.
    ~ItxWriter() override;

    // False if the output cannot be created.
    bool create(FileSystem& files, const std::string& path);

    // The writes throw IoError (Write).
    void writeHeader(std::string_view prefix);
    // A value is written as igorNumber() gives it, and as NaN when that is empty, since Igor
    // reads no blank item in a data line. A held value longer than kLongestValue is dropped
    // as it arrives and written NaN, so that a row's memory stays bounded.
    void writeRow(const RowValues& row) override;
    void holdValue(int slot, std::string_view bytes) override;
    void writeHeldRow(const std::array<int, 5>& slots) override;
    void writeTrailer(std::string_view prefix);
    // How many rows so far had their moment written as a number other than NaN.
    std::int64_t momentRows() const noexcept { return m_momentRows; }
    // Flushes, closes and puts the file in place; once closed, or after a failed close,
    // does nothing. Throws IoError (Write or Close).
    void close();

private:
    struct Held {
        std::string bytes;
        bool tooLong = false; // longer than kLongestValue: dropped
    };

    ItxOutput m_file;
    std::array<Held, kHeldSlots> m_held;
    std::int64_t m_momentRows = 0;
};

} // namespace kivo::core
