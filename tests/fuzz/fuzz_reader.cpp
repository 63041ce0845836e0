// Arbitrary bytes through the line reader, the preamble and the row splitter, compared with
// the slow models in reference.h. The first byte chooses how the source hands out its bytes
// (bits 0-2, so block boundaries fall anywhere), the code page (bit 3) and the order in
// which lines are asked for whole, by their first bytes or up to a comma (bits 4-7); the
// rest is the file.

#include "core/line_reader.h"
#include "core/squid_reader.h"
#include "fuzz_check.h"
#include "memory_files.h"
#include "reference.h"

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

using kivo::core::CodePage;
using kivo::core::Line;
using kivo::core::LineKeep;
using kivo::core::LineReader;
using kivo::core::PreambleOutcome;
using kivo::core::RowValues;
using kivo::core::SquidDataReader;
using kivo::testing::check;
using kivo::testing::MemorySource;

namespace {

const std::size_t kPieces[] = {1, 2, 3, 7, 64, 4096, 65537, kivo::testing::kNever};

bool sameRow(const RowValues& row, const std::array<std::string, 5>& expected)
{
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (row[i] != expected[i])
            return false;
    }
    return true;
}

void checkKept(const Line& line, const std::string& full, LineKeep keep, CodePage page)
{
    if (keep.maxBytes != std::numeric_limits<std::size_t>::max()) {
        check(line.text == std::string_view(full).substr(0, keep.maxBytes), "first bytes: the kept start differs");
        check(line.complete == (full.size() <= keep.maxBytes), "first bytes: completeness differs");
        return;
    }
    if (keep.maxCommas != std::numeric_limits<int>::max()) {
        const std::vector<std::size_t> commas = kivo::fuzz::referenceCommas(full, page);
        const auto wanted = static_cast<std::size_t>(keep.maxCommas);
        // At least up to the last comma asked for, perhaps more, but only the line's text.
        check(line.text.size() <= full.size() && std::string_view(full).substr(0, line.text.size()) == line.text,
              "row keep: the kept text is not the start of the line");
        if (commas.size() < wanted)
            check(line.text == full, "row keep: a line with too few commas was cut");
        else
            check(line.text.size() > commas[wanted - 1], "row keep: cut before the last comma asked for");
        check(!line.complete || line.text == full, "row keep: complete but not whole");
        if (wanted >= 6)
            check(sameRow(kivo::core::splitRow(line.text, page), kivo::fuzz::referenceRow(full, page)),
                  "row keep: the kept text splits differently from the whole line");
        return;
    }
    check(line.complete && line.text == full, "whole lines: a line differs");
}

// One pass over the lines, asking for a different keep line by line as the reader's callers
// do, so that what one line left behind in the reader meets the next line's request.
void checkLines(const std::string& data, std::size_t piece, CodePage page, unsigned pattern,
                const std::vector<std::string>& expected)
{
    const LineKeep keeps[] = {LineKeep{}, LineKeep::firstBytes(10), LineKeep::upToComma(6),
                              LineKeep::firstBytes(pattern), LineKeep::upToComma(static_cast<int>(pattern % 7 + 1))};
    MemorySource source(data, piece);
    LineReader reader(source, page);
    Line line{};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const LineKeep keep = keeps[(pattern * 7 + i) % std::size(keeps)];
        check(reader.next(line, keep), "a line is missing");
        checkKept(line, expected[i], keep, page);
    }
    check(!reader.next(line), "a line too many");
}

void checkReader(const std::string& data, std::size_t piece, CodePage page)
{
    const kivo::fuzz::Reading expected = kivo::fuzz::referenceRead(data, page);
    SquidDataReader reader(page);
    reader.open(std::make_unique<MemorySource>(data, piece));
    const PreambleOutcome outcome = reader.readPreamble();
    check(static_cast<int>(outcome) == static_cast<int>(expected.outcome), "reader: outcome differs");
    if (outcome == PreambleOutcome::Rows) {
        RowValues row;
        std::size_t n = 0;
        while (reader.nextRow(row)) {
            check(n < expected.rows.size(), "reader: a row too many");
            check(sameRow(row, expected.rows[n]), "reader: a row's values differ");
            ++n;
        }
        check(n == expected.rows.size(), "reader: a row is missing");
    }
    reader.close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t options = bytes[0];
    const std::size_t piece = kPieces[options & 7U];
    const CodePage page = (options & 8U) != 0 ? CodePage::Cp932 : CodePage::Utf8;
    const std::string data(reinterpret_cast<const char*>(bytes) + 1, size - 1);

    const std::vector<std::string> lines = kivo::fuzz::referenceLines(data);
    checkLines(data, piece, page, options >> 4U, lines);
    for (const std::string& line : lines) {
        check(sameRow(kivo::core::splitRow(line, page), kivo::fuzz::referenceRow(line, page)),
              "splitRow differs from the model");
    }
    checkReader(data, piece, page);
    return 0;
}
