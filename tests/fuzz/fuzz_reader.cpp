// Arbitrary bytes through the line reader, the preamble and the row splitter into the
// writer, compared with the slow models in reference.h. The first byte chooses how the
// source hands out its bytes (bits 0-2, so block boundaries fall anywhere), the code page
// (bit 3) and the order in which lines are asked for whole, by their first bytes or in
// pieces (bits 4-7); the rest is the file.

#include "core/output/itx_writer.h"
#include "core/input/line_reader.h"
#include "core/input/squid_reader.h"
#include "fuzz_check.h"
#include "memory_files.h"
#include "reference.h"

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

using kivo::core::CodePage;
using kivo::core::ItxWriter;
using kivo::core::Line;
using kivo::core::LinePiece;
using kivo::core::LineReader;
using kivo::core::PreambleOutcome;
using kivo::core::SquidDataReader;
using kivo::testing::check;
using kivo::testing::MemorySource;

namespace {

const std::size_t kPieces[] = {1, 2, 3, 7, 64, 4096, 65537, kivo::testing::kNever};

// How a line is asked for: whole, by its first bytes, all its pieces, or its first piece
// only (the rest skipped, as a row that needs no more of its line does).
enum class Ask { Whole, FirstBytes, Pieces, FirstPiece };

void checkLine(LineReader& reader, const std::string& full, Ask ask, std::size_t bytes)
{
    Line line{};
    switch (ask) {
    case Ask::Whole:
        check(reader.next(line), "a line is missing");
        check(line.complete && line.text == full, "whole lines: a line differs");
        return;
    case Ask::FirstBytes:
        check(reader.next(line, bytes), "a line is missing");
        check(line.text == std::string_view(full).substr(0, bytes), "first bytes: the kept start differs");
        check(line.complete == (full.size() <= bytes), "first bytes: completeness differs");
        return;
    case Ask::Pieces:
    case Ask::FirstPiece: {
        check(reader.nextLine(), "a line is missing");
        std::string text;
        LinePiece piece{};
        do {
            piece = reader.piece();
            text.append(piece.bytes);
        } while (!piece.lineEnds && ask == Ask::Pieces);
        // Pieces hold the line's bytes; its text ends at the first NUL.
        const std::string part = text.substr(0, text.find('\0'));
        const bool textEnded = piece.lineEnds || part.size() < text.size();
        check(textEnded ? part == full : full.rfind(part, 0) == 0, "pieces: not the line's text");
        return;
    }
    }
}

// One pass over the lines, asking for each in a different way, as the reader's callers do,
// so that what one line left behind in the reader meets the next line's request.
void checkLines(const std::string& data, std::size_t piece, unsigned pattern,
                const std::vector<std::string>& expected)
{
    const Ask asks[] = {Ask::Whole, Ask::FirstBytes, Ask::Pieces, Ask::FirstPiece, Ask::FirstBytes};
    MemorySource source(data, piece);
    LineReader reader(source);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::size_t k = (pattern * 7 + i) % std::size(asks);
        checkLine(reader, expected[i], asks[k], k == 1 ? 10 : pattern);
    }
    Line line{};
    check(!reader.next(line), "a line too many");
}

void checkReader(const std::string& data, std::size_t piece, CodePage page)
{
    const kivo::fuzz::Reading expected = kivo::fuzz::referenceRead(data, page);
    SquidDataReader reader(page);
    reader.open(std::make_unique<MemorySource>(data, piece));
    const PreambleOutcome outcome = reader.readPreamble();
    check(static_cast<int>(outcome) == static_cast<int>(expected.outcome), "reader: outcome differs");
    if (outcome != PreambleOutcome::Rows)
        return;
    kivo::testing::MemoryFileSystem files;
    ItxWriter writer;
    check(writer.create(files, "o.itx"), "writer: no output");
    std::size_t n = 0;
    while (reader.nextRow()) {
        writer.writeRow(reader.row());
        ++n;
    }
    reader.close();
    writer.close();
    check(n == expected.rows.size(), "reader: the number of rows differs");
    std::string lines;
    for (const auto& row : expected.rows)
        lines += kivo::fuzz::referenceDataLine(row);
    check(files.files.at("o.itx") == lines, "reader: the rows written differ");
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
    checkLines(data, piece, options >> 4U, lines);
    checkReader(data, piece, page);
    return 0;
}
