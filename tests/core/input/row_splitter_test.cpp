#include "core/input/row_splitter.h"
#include "memory_files.h"
#include "number_model.h"
#include "reference.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using kivo::core::CodePage;
using kivo::core::FieldBytes;
using kivo::core::findFieldStop;
using kivo::core::kScanSlack;
using kivo::core::LinePiece;
using kivo::core::LineReader;
using kivo::core::RowLayout;
using kivo::core::RowScan;
using kivo::testing::modelNumber;

namespace {

// A field ends at the separator or at any control byte; a quoted layout also stops at the
// quote, the blank and "!"; a byte of 0x80 or above stops it only when asked.
template <bool Quotes> const char* naiveFieldStop(const char* p, const char* end, char c, bool stopAtHigh)
{
    for (; p != end; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        const bool quoteStop = Quotes && (*p == '"' || *p == ' ' || *p == '!');
        if (*p == c || byte < 0x20 || quoteStop || (stopAtHigh && byte >= 0x80))
            return p;
    }
    return end;
}

// The word-at-a-time search must agree with a byte loop wherever the stop byte falls in a
// word, and whatever stands before it: bytes next to ',', the control bytes and the quote
// in value, and high bytes, are where borrows between bytes give false hits.
template <bool Quotes> void expectFieldStopAgreesWithAByteLoop()
{
    const char alphabet[] = {',',    '\0',   '\r', '\t', '\x1F',         ' ', '!', '"', '#', 'a',
                             '\x80', '\xFF', '+',  '-',  '\x2C' ^ '\x80'};
    std::uint32_t seed = 12345;
    for (int round = 0; round < 20000; ++round) {
        seed = seed * 1664525u + 1013904223u;
        std::string text(seed % 41, 'x');
        for (char& ch : text) {
            seed = seed * 1664525u + 1013904223u;
            ch = (seed >> 24) % 4 == 0 ? alphabet[(seed >> 8) % sizeof alphabet] : 'x';
        }
        const char* begin = text.data();
        const char* end = begin + text.size();
        for (bool high : {false, true}) {
            ASSERT_EQ(findFieldStop<Quotes>(begin, end, ',', high), naiveFieldStop<Quotes>(begin, end, ',', high))
                << "text of " << text.size() << " bytes, round " << round << ", quotes " << Quotes;
        }
    }
}

TEST(CharSearch, FieldStopAgreesWithAByteLoop)
{
    expectFieldStopAgreesWithAByteLoop<false>();
    expectFieldStopAgreesWithAByteLoop<true>();
}

// What a split of a line in one piece hands on: the bytes and the number of calls of each
// slot (both layouts here have fewer than eight), and the row's bookkeeping.
struct Split {
    std::array<std::string, 8> fields;
    std::array<int, 8> calls{};
    RowScan s;
};

template <FieldBytes Mode, bool Vector>
void splitLine(Split& split, const RowLayout& layout, bool twoByte, LinePiece piece)
{
    split.calls = {};
    split.s = {};
    kivo::core::splitter_detail::split<Mode, Vector>(split.s, layout, twoByte, piece,
                                                     [&split](int slot, std::string_view bytes) {
                                                         split.fields.at(static_cast<std::size_t>(slot)) = bytes;
                                                         ++split.calls.at(static_cast<std::size_t>(slot));
                                                     });
}

// The splits of one line and what the model expects of them, kept from line to line so that
// their strings are allocated once.
struct Judging {
    Split raw;
    Split judged;
    std::array<std::string, 8> expected;
};

std::string described(const Judging& j, LinePiece piece, bool twoByte, bool vector)
{
    std::string text = "\"" + std::string(piece.bytes) + "\"" + (twoByte ? " under CP932" : "")
                       + (vector ? ", vector" : ", byte-wise");
    for (std::size_t slot = 0; slot < j.expected.size(); ++slot) {
        if ((j.raw.s.ended & kivo::core::slotBit(static_cast<int>(slot))) != 0)
            text += "\n  slot " + std::to_string(slot) + ": \"" + j.judged.fields[slot] + "\" in "
                    + std::to_string(j.judged.calls[slot]) + " calls, expected \"" + j.expected[slot] + "\"";
    }
    return text;
}

// A line lying whole in one piece, judged with and without the vector look, gives each field
// that ends once, as the number rule's model makes of the raw field, with the raw split's
// bookkeeping (s.filled above all: the moment pair is chosen by it). One assertion a split:
// the cases run to hundreds of thousands.
void expectJudgedAsTheModel(Judging& j, const RowLayout& layout, bool twoByte, LinePiece piece)
{
    splitLine<FieldBytes::Raw, false>(j.raw, layout, twoByte, piece);
    for (std::size_t slot = 0; slot < j.expected.size(); ++slot) {
        // A field that the raw split holds empty, as it does one holding a CR or a tab, is no
        // number.
        if ((j.raw.s.ended & kivo::core::slotBit(static_cast<int>(slot))) != 0)
            j.expected[slot] = modelNumber(j.raw.calls[slot] != 0 ? j.raw.fields[slot] : std::string());
    }
    for (const bool vector : {false, true}) {
        if (vector)
            splitLine<FieldBytes::Judged, true>(j.judged, layout, twoByte, piece);
        else
            splitLine<FieldBytes::Judged, false>(j.judged, layout, twoByte, piece);
        const RowScan& s = j.judged.s;
        bool same = s.filled == j.raw.s.filled && s.ended == j.raw.s.ended
                    && s.unreadableSlots == j.raw.s.unreadableSlots && s.done == j.raw.s.done;
        for (std::size_t slot = 0; slot < j.expected.size(); ++slot) {
            const bool ended = (j.raw.s.ended & kivo::core::slotBit(static_cast<int>(slot))) != 0;
            same = same && j.judged.calls[slot] == (ended ? 1 : 0)
                   && (!ended || j.judged.fields[slot] == j.expected[slot]);
        }
        ASSERT_TRUE(same) << described(j, piece, twoByte, vector) << "\n  filled " << s.filled << " for "
                          << j.raw.s.filled << ", ended " << s.ended << " for " << j.raw.s.ended << ", unreadable "
                          << s.unreadableSlots << " for " << j.raw.s.unreadableSlots;
    }
}

// The values a field takes before one of its bytes is replaced: numbers with and without a
// sign, a point and an exponent, a number inside blanks, and NaN or INF.
std::vector<std::string> shapesOf(std::size_t length)
{
    std::string digits;
    for (std::size_t k = 0; k < length; ++k)
        digits += static_cast<char>('0' + (k * 7 + 3) % 10);
    std::string marked = digits;
    marked[0] = '-';
    marked[length / 3] = '.';
    if (length >= 6) {
        marked[length - 4] = 'E';
        marked[length - 3] = '+';
    }
    std::vector<std::string> shapes = {digits, marked};
    if (length >= 3)
        shapes.push_back(" " + digits.substr(2) + " ");
    if (length >= 4) {
        std::string word = (length % 2 == 0 ? "-iNf" : "+nAn") + std::string(length - 4, ' ');
        shapes.push_back(word);
    }
    return shapes;
}

// Every byte class a value may hold: digit, point, signs, exponent marks, blank, comma,
// quote, tab, CR, NUL, letter and a byte that leads a two-byte character under CP932.
constexpr char kClasses[] = {'5', '.', '+', '-', 'e', 'E', ' ', ',', '"', '\t', '\r', '\0', 'x', '\x83'};

TEST(RowSplit, JudgedFieldsAreWhatTheNumberRuleMakesOfThem)
{
    const RowLayout older = RowLayout::older();
    const RowLayout today = RowLayout::fromColumns(std::array<int, 7>{1, 2, 3, 4, 5, 6, 7}, RowLayout::Kind::Today);
    // The value stands once with fields after it and once at the line's end, where the bytes
    // after the line are digits and commas that no field may take.
    const struct {
        const RowLayout& layout;
        std::string before;
        std::string between;
    } rows[] = {
        {older, "", ",,2,3,"},
        {today, "\"a,b\",", ",3,4,5,6,"},
    };
    Judging judging;
    std::string beyond;
    while (beyond.size() < kScanSlack)
        beyond += "1,";
    for (std::size_t length = 1; length <= 64; ++length) {
        for (const std::string& shape : shapesOf(length)) {
            std::vector<std::string> values = {shape};
            for (std::size_t at = 0; at < length; ++at) {
                for (const char c : kClasses) {
                    values.push_back(shape);
                    values.back()[at] = c;
                }
            }
            for (const std::string& value : values) {
                // The code page tells only how a byte of 0x80 or above goes with the next one.
                const bool high = value.find('\x83') != std::string::npos;
                for (const auto& row : rows) {
                    const std::string line = row.before + value + row.between + value;
                    const std::string bytes = line + beyond;
                    const LinePiece piece{std::string_view(bytes.data(), line.size()), true};
                    expectJudgedAsTheModel(judging, row.layout, false, piece);
                    if (high)
                        expectJudgedAsTheModel(judging, row.layout, true, piece);
                }
            }
        }
    }
}

// Runs of columns that no wave needs are passed by counting their commas 64 bytes at a time:
// any byte that the count must not pass over, at any place in a run, and a line that ends
// inside one, give the fields that the slow models of the fuzzers find, split by the rules
// alone.
TEST(RowSplit, UnneededColumnsArePassedAsTheRulesSplitThem)
{
    constexpr std::array<int, 2> kColumns = {1, 60};
    // Columns 2 to 59, mostly empty as in today's rows: about 90 bytes.
    std::string run;
    for (int column = 2; column < 60; ++column)
        run += column % 7 == 0 ? "12.5," : ",";
    std::string beyond;
    while (beyond.size() < kScanSlack)
        beyond += "1,";
    Split split;
    const auto expectSplit = [&](const std::string& line) {
        const std::string bytes = line + beyond;
        const LinePiece piece{std::string_view(bytes.data(), line.size()), true};
        const std::string text = line.substr(0, line.find('\0'));
        for (const bool twoByte : {false, true}) {
            const CodePage page = twoByte ? CodePage::Cp932 : CodePage::Utf8;
            for (const auto kind : {RowLayout::Kind::Older, RowLayout::Kind::Today}) {
                // Today's layout: the fields between commas outside quoted stretches, the
                // text after the last one too; the older one: a field counts only with the
                // comma that ends it.
                std::vector<std::string> fields;
                if (kind == RowLayout::Kind::Today) {
                    fields = kivo::fuzz::referenceFields(text, page);
                } else {
                    std::size_t from = 0;
                    for (const std::size_t comma : kivo::fuzz::referenceCommas(text, page)) {
                        fields.push_back(text.substr(from, comma - from));
                        from = comma + 1;
                    }
                }
                splitLine<FieldBytes::Judged, true>(split, RowLayout::fromColumns(kColumns, kind), twoByte, piece);
                for (std::size_t slot = 0; slot < kColumns.size(); ++slot) {
                    const auto column = static_cast<std::size_t>(kColumns[slot]);
                    const int calls = column < fields.size() ? 1 : 0;
                    ASSERT_EQ(split.calls[slot], calls) << line << ", slot " << slot << (twoByte ? " under CP932" : "");
                    if (calls == 1) {
                        ASSERT_EQ(split.fields[slot], modelNumber(fields[column])) << line << ", slot " << slot;
                    }
                }
            }
        }
    };
    for (std::size_t at = 0; at < run.size(); ++at) {
        for (const char c : kClasses) {
            std::string varied = run;
            varied[at] = c;
            expectSplit("c,1.5," + varied + "-2.5E-3,7");
        }
        expectSplit("c,1.5," + run.substr(0, at));
    }
}

// A row whose last needed field ends a read block: the vector look reads past the block into
// its slack, which the sanitizers check is there.
TEST(RowSplit, AJudgedFieldEndsAReadBlock)
{
    const std::string number = "-1.23456789012E-005";
    const struct {
        RowLayout layout;
        std::string row;
        std::size_t slot; // the slot of the field before the line end
    } cases[] = {
        {RowLayout::older(), "1,,2,3,4," + number + ",\n", 4},  // the deviation of the older layout
        {RowLayout::fromColumns(std::array<int, 2>{1, 2}, RowLayout::Kind::Today), "c,1," + number + "\r\n", 1},
    };
    Judging judging;
    for (const auto& c : cases) {
        const std::string filler(LineReader::kBlockSize - c.row.size() - 1, 'x');
        kivo::testing::MemorySource source(filler + "\n" + c.row);
        LineReader lines(source);
        ASSERT_TRUE(lines.nextLine());
        lines.skipLine();
        ASSERT_TRUE(lines.nextLine());
        const LinePiece piece = lines.piece();
        ASSERT_TRUE(piece.lineEnds);
        expectJudgedAsTheModel(judging, c.layout, false, piece);
        EXPECT_EQ(judging.judged.fields[c.slot], number) << c.row;
    }
}

} // namespace
