#pragma once

#include "core/output/itx_output.h"
#include "core/files/text.h"
#include "core/waves/wave_plan.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::core {

class FileSystem;

// Writes the detailed Igor Text file: after the keyword, one block per converted file in a
// data folder of its own, whose waves carry their units and a note telling where their
// values come from. Lines end in CR LF on every platform; no command line passes
// kMaxCommandLine bytes. The file appears at its path only when close() succeeds.
class DetailedWriter final {
public:
    // Igor Pro 6 reads command lines of at most 400 bytes.
    static constexpr std::size_t kMaxCommandLine = 400;

    explicit DetailedWriter(CodePage page = systemCodePage());
    DetailedWriter(const DetailedWriter&) = delete;
    DetailedWriter& operator=(const DetailedWriter&) = delete;
    // Discards the output unless close() succeeded.
    ~DetailedWriter();

    // False if the output cannot be created.
    bool create(FileSystem& files, const std::string& path);

    // The writes throw IoError (Write).
    void writeKeyword();
    // Makes the data folder `folder` the current one and declares the waves, prefix + suffix.
    void beginBlock(std::string_view folder, std::string_view prefix, std::span<const PlannedWave> waves);
    // One data line, values[k] for wave k as the reader judged them; an empty one is NaN.
    void writeRow(std::span<const std::string_view> values) { m_file.putRow(values); }
    // Ends the block: each wave's unit and its note (`source`, its column, then `header`, one
    // line of the note each), and the parent folder made current again.
    void endBlock(std::string_view source, std::span<const std::string> header);
    // Flushes, closes and puts the file in place; once closed, or after a failed close,
    // does nothing. Throws IoError (Write or Close).
    void close();

private:
    void putNoteLine(std::string_view wave, std::string_view text);

    CodePage m_page;
    ItxOutput m_file;
    std::string m_prefix;
    std::vector<PlannedWave> m_waves;
    std::string m_line; // the command line being built
};

} // namespace kivo::core
