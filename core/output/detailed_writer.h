#pragma once

#include "core/files/text.h"
#include "core/output/itx_output.h"
#include "core/waves/igor_date.h"
#include "core/waves/sample_facts.h"
#include "core/waves/wave_plan.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::core {

class FileSystem;

// What a file's block tells beside its rows.
struct BlockFacts {
    std::string_view source;              // the file's full path
    std::span<const std::string> header;  // the header lines its waves note
    const SampleFacts& facts;             // globals, and what Igor computes from them
    std::optional<DateOffset> date;       // how its time stamps become Igor dates
};

// Writes the detailed Igor Text file: after the keyword, the batch's data folder, and in it
// one block per converted file in a folder named by the file's stem, whose waves (stem +
// suffix) carry their units and a note telling where their values come from. Lines end in
// CR LF on every platform; a string never passes kMaxCommandLine bytes of its line, and
// holds only characters valid in the code page. The file appears at its path only when
// close() succeeds.
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
    // The keyword, and the batch's data folder made the current one when `prefix` names one.
    void beginBatch(std::string_view prefix);
    // Makes the data folder `stem` the current one and declares the waves, stem + suffix.
    void beginBlock(std::string_view stem, std::span<const PlannedWave> waves);
    // One data line, values[k] for wave k as the reader judged them; an empty one is NaN.
    void writeRow(std::span<const std::string_view> values) { m_file.putRow(values); }
    // Ends the block: each wave's unit and note, the sample's facts as globals, the waves
    // Igor computes from them and the dates, and the parent folder made current again.
    void endBlock(const BlockFacts& block);
    // Makes the folder the batch began in the current one again.
    void endBatch(std::string_view prefix);
    // The longest name of a wave or folder written so far.
    std::size_t longestName() const noexcept { return m_longestName; }
    // Flushes, closes and puts the file in place; once closed, or after a failed close,
    // does nothing. Throws IoError (Write or Close).
    void close();

private:
    std::string name(std::string_view suffix) const;
    bool has(std::string_view suffix) const;
    void putCommand(std::string_view command);
    void putNoteLine(std::string_view wave, std::string_view text);
    // `text` as an Igor string after `head`, cut over lines that begin with `more`.
    void putQuoted(const std::string& head, const std::string& more, std::string_view text);
    void putScale(const std::string& wave, std::string_view unit);
    void putString(std::string_view global, std::string_view text);
    void putComputed(std::string_view suffix, std::string_view from, std::string_view value, std::string_view unit);

    CodePage m_page;
    ItxOutput m_file;
    std::string m_stem;
    std::vector<PlannedWave> m_waves;
    std::string m_line; // the command line being built
    std::size_t m_longestName = 0;
};

} // namespace kivo::core
