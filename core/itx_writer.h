#pragma once

#include "core/row_sink.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kivo::core {

class FileSystem;
class ScratchFile;
class StagedOutput;

// Writes one Igor Text file: the header declaring five double waves, a line per row and
// the trailer that resets their scaling. Lines end in CR LF on every platform. The file
// appears at its path only when close() succeeds; until then an earlier file stays.
class ItxWriter final : public RowSink {
public:
    static constexpr std::size_t kBufferSize = 64 * 1024;
    // A held value longer than this moves to a scratch file, so that a row's memory stays
    // bounded whatever its values hold.
    static constexpr std::size_t kHeldBytes = 1024 * 1024;

    ItxWriter();
    ItxWriter(const ItxWriter&) = delete;
    ItxWriter& operator=(const ItxWriter&) = delete;
    // Discards the output unless close() succeeded.
    ~ItxWriter() override;

    // False if the output cannot be created.
    bool create(FileSystem& files, const std::string& path);
    // Writes into an already made output (tests and fuzzers write to memory); `path` names
    // it in errors.
    void create(std::unique_ptr<StagedOutput> output, std::string path = {});

    // The writes throw IoError (Write).
    void writeHeader(std::string_view prefix);
    // An empty value is written as NaN, since Igor reads no blank item in a data line.
    // Values never hold a CR, LF or tab: the reader hands such values on empty.
    void writeRow(const RowValues& row) override;
    void holdValue(int slot, std::string_view bytes) override;
    void writeHeldRow(const std::array<int, 5>& slots) override;
    void writeTrailer(std::string_view prefix);
    // Flushes, closes and puts the file in place; once closed, or after a failed close,
    // does nothing. Throws IoError (Write or Close).
    void close();

private:
    struct Held {
        std::string bytes;           // the value, while it is short
        std::uint64_t spillAt = 0;   // where it stands in the scratch file once it is not
        std::uint64_t spilled = 0;
    };

    void put(std::string_view bytes);
    void putHeld(const Held& held);
    void flush();
    ScratchFile& scratch();

    std::unique_ptr<StagedOutput> m_output;
    std::string m_path;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
    std::array<Held, kHeldSlots> m_held;
    std::unique_ptr<ScratchFile> m_scratch;  // made when a value first needs it
};

} // namespace kivo::core
