#include "core/files/io_error.h"
#include "core/input/line_reader.h"
#include "crlf_lines.h"
#include "memory_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kivo::core::IoError;
using kivo::core::Line;
using kivo::core::LinePiece;
using kivo::core::LineReader;
using kivo::testing::MemorySource;
using namespace std::string_literals;

namespace {

struct Kept {
    std::string text;
    bool complete;
    friend bool operator==(const Kept&, const Kept&) = default;
};

std::ostream& operator<<(std::ostream& os, const Kept& k)
{
    return os << '"' << k.text << '"' << (k.complete ? "" : " (cut)");
}

std::vector<Kept> readAll(const std::string& data, std::size_t piece, std::size_t keep = LineReader::kWhole)
{
    MemorySource source(data, piece);
    LineReader reader(source);
    std::vector<Kept> lines;
    Line line{};
    while (reader.next(line, keep))
        lines.push_back({std::string(line.text), line.complete});
    return lines;
}

// Reads in pieces of 1, 2, 3, 7 bytes and all at once, so that every case also meets a
// block boundary at every position: the answer must not depend on where blocks end.
const std::size_t kPieces[] = {1, 2, 3, 7, kivo::testing::kNever};

struct LinesCase {
    const char* what;
    std::string data;
    std::vector<std::string> lines;
};

const LinesCase kTextMode[] = {
    {"CR LF becomes a line end", "a\r\nb\r\n", {"a", "b"}},
    {"a lone CR stays in the line", "a\rb\n", {"a\rb"}},
    {"only the CR before LF goes", "a\r\r\n", {"a\r"}},
    {"last line without a line end counts", "a\nb", {"a", "b"}},
    {"a CR at the very end stays", "a\r", {"a\r"}},
    {"empty lines are lines", "\n\r\n\n", {"", "", ""}},
    {"an empty input has no line", "", {}},
    {"Ctrl-Z ends the input mid-line", "a\nb\x1A" "c\nd\n", {"a", "b"}},
    {"Ctrl-Z first", "\x1A" "a\n", {}},
    {"Ctrl-Z after a line end adds no line", "a\r\n\x1A\r\n", {"a"}},
    {"NUL ends the text, the rest of the line is dropped", "ab\0cd\r\nef\n"s, {"ab", "ef"}},
    {"NUL first", "\0[Header]\nx"s, {"", "x"}},
};

TEST(LineReader, ReadsLikeTextModeWhereverBlocksEnd)
{
    for (const LinesCase& c : kTextMode) {
        std::vector<Kept> expected;
        for (const std::string& line : c.lines)
            expected.push_back({line, true});
        for (std::size_t piece : kPieces)
            EXPECT_EQ(readAll(c.data, piece), expected) << c.what << ", pieces of " << piece;
    }
}

struct KeepCase {
    const char* what;
    std::string line;
    std::size_t keep;
    Kept kept;
};

const KeepCase kFirstBytes[] = {
    {"exactly the limit is whole", "abc\r\n", 3, {"abc", true}},
    {"one byte over is cut", "abcd\r\n", 3, {"abc", false}},
    {"a NUL before the limit ends the text", "ab\0cdef\n"s, 3, {"ab", true}},
    {"a CR inside the limit stays", "ab\r\r\n", 3, {"ab\r", true}},
};

TEST(LineReader, KeepsAtMostTheFirstBytesAskedFor)
{
    for (const KeepCase& c : kFirstBytes) {
        for (std::size_t piece : kPieces) {
            const auto lines = readAll(c.line + "nx\n", piece, c.keep);
            ASSERT_EQ(lines.size(), 2u) << c.what;
            EXPECT_EQ(lines[0], c.kept) << c.what << ", pieces of " << piece;
            EXPECT_EQ(lines[1].text, "nx") << c.what;
        }
    }
}

struct PieceCase {
    const char* what;
    std::string line;
    std::string text;  // the line's text: its bytes up to the first NUL
};

const std::string kBlockLine(LineReader::kBlockSize - 2, '7');

const PieceCase kPieceCases[] = {
    {"commas and more", "a,b,c,d\r\n", "a,b,c,d"},
    {"a CR before the line end goes, one elsewhere stays", "a\rb\r\r\n", "a\rb\r"},
    {"the text ends at a NUL", "a\0,b,c\n"s, "a"},
    {"a lead byte and its second", "\x81,a,b,c\n", "\x81,a,b,c"},
    {"the line end is the block's last byte", kBlockLine + "\r\n", kBlockLine},
};

// Scans load up to kScanSlack bytes past a piece: under the sanitizers a piece without them,
// at the end of a block or standing for a held CR or a line end, fails here.
void readSlack(const LinePiece& p)
{
    const char* after = p.bytes.data() + p.bytes.size();
    for (std::size_t k = 0; k < kivo::core::kScanSlack; ++k) {
        // Volatile, so that the optimiser keeps every read.
        volatile char byte = after[k];
        static_cast<void>(byte);
    }
}

// A row is read in pieces when it crosses blocks: put together up to the first NUL they
// are the line's text, and a row that stops early leaves the next line intact.
TEST(LineReader, PiecesOfALineMakeItsText)
{
    for (const PieceCase& c : kPieceCases) {
        for (std::size_t piece : kPieces) {
            MemorySource source(c.line + "nx\n", piece);
            LineReader reader(source);
            ASSERT_TRUE(reader.nextLine());
            std::string text;
            LinePiece p{};
            do {
                p = reader.piece();
                readSlack(p);
                text.append(p.bytes);
            } while (!p.lineEnds);
            EXPECT_EQ(text.substr(0, text.find('\0')), c.text) << c.what << ", pieces of " << piece;
            Line line{};
            ASSERT_TRUE(reader.next(line));
            EXPECT_EQ(line.text, "nx") << c.what;

            MemorySource again(c.line + "nx\n", piece);
            LineReader stops(again);
            ASSERT_TRUE(stops.nextLine());
            stops.piece();
            ASSERT_TRUE(stops.next(line));
            EXPECT_EQ(line.text, "nx") << c.what << ", stopped after one piece of " << piece;
            EXPECT_FALSE(stops.nextLine());
        }
    }
}

TEST(LineReader, LinesLongerThanABlockAreSkippedWithoutBeingHeld)
{
    const std::string longLine = "abc" + std::string(3 * LineReader::kBlockSize, 'x');
    const auto lines = readAll(longLine + "\r\nshort\r\n", kivo::testing::kNever, 10);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (Kept{"abcxxxxxxx", false}));
    EXPECT_EQ(lines[1], (Kept{"short", true}));

    const auto whole = readAll(longLine + "\r\n", kivo::testing::kNever);
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0].text, longLine);
}

TEST(LineReader, CrLfSplitAcrossTheBlockBoundary)
{
    // The CR is the last byte of the first block and the LF the first of the second.
    std::string data(LineReader::kBlockSize - 1, 'a');
    data += "\r\nb\r\n";
    const auto lines = readAll(data, kivo::testing::kNever);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, std::string(LineReader::kBlockSize - 1, 'a'));
    EXPECT_EQ(lines[1].text, "b");
}

// A file of several blocks, read ahead: lines that cross every block boundary, and a
// Ctrl-Z in a block that was read ahead.
TEST(LineReader, LargeFilesArriveLineByLineWhateverTheirBlocksHold)
{
    std::string data;
    const auto addLines = [&data](std::size_t upTo, std::size_t shortest, std::size_t spread) {
        for (std::size_t k = 0; data.size() < upTo; ++k)
            data += std::string(shortest + k * 7919 % spread, static_cast<char>('a' + k % 26)) + "\r\n";
    };
    addLines(2 * LineReader::kBlockSize, 60, 200);
    addLines(3 * LineReader::kBlockSize, 0, 12);
    addLines(3 * LineReader::kBlockSize + LineReader::kBlockSize / 2, 60, 200);
    const std::size_t ctrlZ = data.size() - 1000;
    data[ctrlZ] = '\x1A';
    addLines(4 * LineReader::kBlockSize + 10, 60, 200);
    std::vector<Kept> expected;
    for (const std::string& line : kivo::testing::crLfLines(data.substr(0, ctrlZ)))
        expected.push_back({line, true});
    EXPECT_EQ(readAll(data, kivo::testing::kNever), expected);
}

// Small reads, and whole blocks that are read ahead: the lines before the failing byte
// arrive, then the error with the file's name.
TEST(LineReader, ReadErrorsReachTheCaller)
{
    std::string blocks;
    for (int k = 0; blocks.size() < 3 * LineReader::kBlockSize; ++k)
        blocks += std::string(static_cast<std::size_t>(k % 97), 'x') + "\r\n";
    const struct {
        std::string data;
        std::size_t piece;
        std::size_t failAfter;
    } cases[] = {
        {"a\nb\nc\n", 2, 3},
        {blocks, kivo::testing::kNever, 2 * LineReader::kBlockSize + 50},
    };
    for (const auto& c : cases) {
        MemorySource source(c.data, c.piece, c.failAfter, "/data/run1.dat");
        LineReader reader(source);
        std::vector<std::string> read;
        Line line{};
        try {
            while (reader.next(line))
                read.emplace_back(line.text);
            ADD_FAILURE() << "no read error";
        } catch (const IoError& e) {
            EXPECT_EQ(e.path(), "/data/run1.dat");
            EXPECT_STREQ(e.what(), "/data/run1.dat へのｱｸｾｽ中に不明なｴﾗｰが発生しました。");
        }
        std::string before = c.data.substr(0, c.failAfter);
        before.erase(before.find_last_of('\n') + 1);
        std::vector<std::string> expected;
        for (std::string& l : kivo::testing::crLfLines(before))
            expected.push_back(l.substr(0, l.find('\n')));
        EXPECT_EQ(read, expected) << c.data.size() << " bytes";
    }
}

} // namespace
