// The detailed "Make itx" run over files in memory: the batch in its prefix's data folder,
// each converted file in a folder named by its stem, with units, the file's header in the
// notes, the sample's facts as globals and what Igor computes from them. Checks on every
// input that the output reads as Igor reads it (CR LF line ends, blocks that open and close,
// data lines as long as their declarations, folder names made from the file names by the
// stem rules, strings that close on command lines Igor can read), that Igor loads it, that
// the notes and the source global give back each file's path and header whole, that the
// one summary tells each file's outcome, folder and points, and that a run that converts
// nothing, or meets an input that cannot be opened, leaves the earlier file untouched.
//
// Input: one option byte, then records separated by 0x1E: the wave-prefix field's text,
// then up to eight input files. A file's record is its display name, 0x1F and its bytes, or
// its bytes alone, named "K.dat" after its place K in the queue; its path is "/in/K/" and
// its display name.
//   byte 0: bits 0-2 read piece size, bit 3 CP932, bit 4 the second file is missing,
//           bit 5 no prefix (an empty field, run without the prefix check)

#include "core/run/conversion_run.h"
#include "core/run/notice.h"
#include "core/run/run_summary.h"
#include "core/waves/header_notes.h"
#include "intake/intake.h"
#include "fuzz_check.h"
#include "igor_loader.h"
#include "memory_files.h"
#include "recording_window.h"
#include "reference.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <cstdio>
#include <exception>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using kivo::core::CodePage;
using kivo::core::Notice;
using kivo::core::NoticeKind;
using kivo::core::noticeLines;
using kivo::core::QueueEntry;
using kivo::core::RunSummary;
using kivo::testing::check;
using kivo::testing::split;
using kivo::testing::MemoryFileSystem;
using kivo::testing::RecordingHost;

namespace {

const std::size_t kPieces[] = {1, 2, 5, 64, 4096, 65537, 300000, kivo::testing::kNever};
constexpr char kRecordSeparator = '\x1E';
constexpr char kNameSeparator = '\x1F';
constexpr std::size_t kMaxFiles = 8;
// Igor Pro 6 reads command lines of at most 400 bytes. Igor Pro 8 takes names of at most
// 255 bytes, and a stem leaves room for the suffixes put after it; Igor Pro before 8 takes
// names of at most 31.
constexpr std::size_t kMaxCommandLine = 400;
constexpr std::size_t kMaxStem = 241;
constexpr std::size_t kMaxWaveName = 255;
constexpr std::size_t kMaxOldName = 31;
// Stands for a string in what is left of a command line once its strings are taken out.
constexpr char kString = '\x01';
const std::string kOutput = "/out/result.itx";
const std::string kEarlier = "an earlier output the user keeps\r\n";
const std::string kMakeFolder = "X NewDataFolder/O/S ";
const std::string kParentFolder = "X SetDataFolder ::";

struct Input {
    std::string name;
    std::string path;
    std::string contents;
};

// What the check reads of one data folder's block.
struct Block {
    std::string folder;
    std::vector<std::string> declared;             // the waves of WAVES/D, in order
    std::vector<std::string> computed;             // the waves Duplicate makes, in order
    std::set<std::string> names;                   // every wave's name, without case
    std::map<std::string, std::string> copiedFrom; // a computed wave's source
    std::map<std::string, std::vector<std::string>> assigned;
    std::size_t points = 0;
    std::map<std::string, int> xScales;
    std::map<std::string, std::vector<std::string>> units;
    // Each wave's note, one entry per line of the note, each line in the pieces its
    // command lines gave.
    std::map<std::string, std::vector<std::vector<std::string>>> notes;
    std::set<std::string> variables;
    // Each string global in the pieces its command lines gave.
    std::map<std::string, std::vector<std::string>> strings;
};

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isIgorName(std::string_view name, std::size_t maxSize)
{
    if (name.empty() || name.size() > maxSize || !isLetter(name[0]))
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) { return isLetter(c) || isDigit(c) || c == '_'; });
}

std::string lowered(std::string_view name)
{
    std::string s(name);
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

bool isCp932Lead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isCp932Second(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// The size of the well-formed UTF-8 character at text[i], or 0. Overlong forms, surrogates
// and code points past U+10FFFF are not well formed.
std::size_t utf8Size(std::string_view text, std::size_t i)
{
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80)
        return 1;
    const std::size_t size = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (size == 0 || i + size > text.size())
        return 0;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    const unsigned char low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
    if (second < low || second > high)
        return 0;
    for (std::size_t k = 2; k < size; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    return size;
}

// The bytes of the character at text[i] that an Igor string may hold, or 0 for a byte that
// is none: a control byte, a CP932 lead byte without its second byte, a byte of no
// well-formed UTF-8 character.
std::size_t charSize(std::string_view text, std::size_t i, CodePage page)
{
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x20 || b == 0x7F)
        return 0;
    if (page == CodePage::Utf8)
        return utf8Size(text, i);
    if (!isCp932Lead(b))
        return 1;
    return i + 1 < text.size() && isCp932Second(static_cast<unsigned char>(text[i + 1])) ? 2 : 0;
}

// What a string keeps of a text: every character that an Igor string may hold, in order.
struct KeptText {
    std::string text;
    // Where its characters start in `text`, and its end: the places a string may be cut.
    // Bytes that a dropped byte brings together are no character of the text.
    std::set<std::size_t> starts;
};

KeptText keptText(std::string_view line, CodePage page)
{
    KeptText kept;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t size = charSize(line, i, page);
        if (size == 0) {
            ++i;
            continue;
        }
        kept.starts.insert(kept.text.size());
        kept.text.append(line.substr(i, size));
        i += size;
    }
    kept.starts.insert(kept.text.size());
    return kept;
}

std::string joined(const std::vector<std::string>& pieces)
{
    std::string whole;
    for (const std::string& piece : pieces)
        whole += piece;
    return whole;
}

// Checks that `pieces`, the strings of one note line or one global, join into `head` and
// the kept text, each piece after the first starting at one of its characters.
void checkPieces(const std::vector<std::string>& pieces, std::string_view head, const KeptText& kept,
                 const char* differs)
{
    std::string joined;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (k > 0)
            check(joined.size() >= head.size() && kept.starts.count(joined.size() - head.size()) != 0,
                  "a string cut inside a character");
        joined += pieces[k];
    }
    check(joined.size() == head.size() + kept.text.size() && joined.starts_with(head) && joined.ends_with(kept.text),
          differs);
}

// The characters of a file name as its stem is made of them: under CP932 a lead byte and a
// second byte make one, so that a second byte that is a letter or a "." is neither.
std::vector<std::string_view> nameCharacters(std::string_view name, CodePage page)
{
    std::vector<std::string_view> chars;
    for (std::size_t i = 0; i < name.size();) {
        const bool two = page == CodePage::Cp932 && isCp932Lead(static_cast<unsigned char>(name[i]))
                         && i + 1 < name.size() && isCp932Second(static_cast<unsigned char>(name[i + 1]));
        chars.push_back(name.substr(i, two ? 2 : 1));
        i += chars.back().size();
    }
    return chars;
}

void cutStem(std::string& stem, std::size_t maxSize)
{
    if (stem.size() <= maxSize)
        return;
    stem.resize(maxSize);
    while (stem.back() == '_')
        stem.pop_back();
}

// A display name's stem: the name before its last ".", letters, digits and "_" kept, any
// run of other characters one "_", none at either end, "w" before a digit or for nothing.
std::string stemOf(std::string_view name, CodePage page)
{
    std::vector<std::string_view> chars = nameCharacters(name, page);
    const auto dot = std::find(chars.rbegin(), chars.rend(), ".");
    if (dot != chars.rend())
        chars.erase(std::prev(dot.base()), chars.end());
    std::string stem;
    for (const std::string_view c : chars) {
        if (c.size() == 1 && (isLetter(c[0]) || isDigit(c[0])))
            stem += c;
        else if (!stem.empty() && stem.back() != '_')
            stem += '_';
    }
    if (!stem.empty() && stem.back() == '_')
        stem.pop_back();
    if (stem.empty() || isDigit(stem[0]))
        stem.insert(0, "w");
    cutStem(stem, kMaxStem);
    return stem;
}

// The folder of each file of the batch: its stem, unless an earlier file was given it
// (Igor compares names without case); then its stem with "_2", "_3", ..., the first that no
// file of the batch has as its stem nor was given.
std::vector<std::string> batchFolders(const std::vector<Input>& inputs, CodePage page)
{
    std::vector<std::string> stems;
    std::set<std::string> own;
    for (const Input& input : inputs) {
        stems.push_back(stemOf(input.name, page));
        own.insert(lowered(stems.back()));
    }
    std::set<std::string> given;
    const auto isFree = [&](const std::string& name) {
        return given.count(lowered(name)) == 0 && own.count(lowered(name)) == 0;
    };
    std::vector<std::string> folders;
    for (const std::string& stem : stems) {
        std::string folder = stem;
        for (int n = 2; given.count(lowered(folder)) != 0; ++n) {
            const std::string number = "_" + std::to_string(n);
            std::string numbered = stem;
            cutStem(numbered, kMaxStem - number.size());
            numbered += number;
            if (isFree(numbered))
                folder = numbered;
        }
        given.insert(lowered(folder));
        folders.push_back(folder);
    }
    return folders;
}

struct CommandLine {
    std::string skeleton;             // the line with each string made one kString
    std::vector<std::string> strings; // their texts, escapes undone
};

// Reads a command line as Igor does: a CP932 lead byte takes the byte after it, and inside a
// string a backslash escapes the character after it and a double quote ends the string.
// Every byte belongs to a character a string may hold, and the only escapes are of "\\" and
// "\"": Igor would read "\t" or "\r" as another character.
CommandLine readCommandLine(std::string_view line, CodePage page)
{
    CommandLine read;
    bool inString = false;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t size = charSize(line, i, page);
        check(size != 0, "a command line holds a byte of no character its code page has");
        if (!inString) {
            if (line[i] == '"') {
                inString = true;
                read.strings.emplace_back();
                read.skeleton += kString;
            } else {
                read.skeleton.append(line.substr(i, size));
            }
            i += size;
            continue;
        }
        if (line[i] == '"') {
            inString = false;
            ++i;
            continue;
        }
        if (line[i] == '\\') {
            check(i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"'),
                  "a backslash that escapes neither a backslash nor a quote");
            ++i;
        }
        read.strings.back().append(line.substr(i, size));
        i += size;
    }
    check(!inString, "a string on a command line does not close");
    return read;
}

bool hasWave(const Block& block, std::string_view wave)
{
    return std::find(block.declared.begin(), block.declared.end(), wave) != block.declared.end()
           || std::find(block.computed.begin(), block.computed.end(), wave) != block.computed.end();
}

bool isNumber(std::string_view text)
{
    return !text.empty() && kivo::fuzz::referenceValue(std::string(text)) == text
           && text.find_first_of("nNiI") == std::string_view::npos;
}

// A command without a string: a global variable, a computed wave made or given its values.
void readPlainCommand(std::string_view command, Block& block)
{
    if (command.starts_with("Variable/G ")) {
        const std::vector<std::string_view> sides = split(command.substr(11), " = ");
        check(sides.size() == 2, "a variable without its one value");
        const std::string name(sides[0]);
        check(name == "SampleMass" || name == "MolecularWeight" || name == "FileOpened", "a variable of no known name");
        check(isNumber(sides[1]), "a variable's value is no number Igor reads");
        check(block.variables.insert(name).second, "a variable made twice in one folder");
        return;
    }
    if (command.starts_with("Duplicate/O ")) {
        const std::vector<std::string_view> waves = split(command.substr(12), ", ");
        check(waves.size() == 2 && hasWave(block, waves[0]), "a Duplicate of no wave of its folder");
        const std::string made(waves[1]);
        check(isIgorName(made, kMaxWaveName) && made.starts_with(block.folder + "_"),
              "a computed wave not named as its folder's waves");
        check(block.names.insert(lowered(made)).second, "a computed wave takes the name of another");
        block.computed.push_back(made);
        block.copiedFrom[made] = waves[0];
        return;
    }
    const std::size_t equals = command.find(" = ");
    check(equals != std::string_view::npos, "a command other than those of the detailed output");
    const std::string wave(command.substr(0, equals));
    check(block.copiedFrom.count(wave) != 0, "values given to a wave that no Duplicate made");
    block.assigned[wave].emplace_back(command.substr(equals + 3));
}

// One trailer line of a block (after "X "): scalings and notes of the block's own waves,
// its globals and computed waves, each string where its command takes one.
void readTrailerLine(std::string_view text, CodePage page, Block& block)
{
    const CommandLine read = readCommandLine(text, page);
    std::size_t next = 0;
    for (std::string_view command : split(read.skeleton, "; ")) {
        const std::size_t at = command.find(kString);
        if (at == std::string_view::npos) {
            readPlainCommand(command, block);
            continue;
        }
        check(command.find(kString, at + 1) == std::string_view::npos, "a command with two strings");
        const std::string& string = read.strings.at(next++);
        const std::string_view head = command.substr(0, at);
        const std::string_view tail = command.substr(at + 1);
        if (head == "SetScale/P x 0,1," || head == "SetScale d 0,0,") {
            check(tail.starts_with(", ") && hasWave(block, tail.substr(2)), "a SetScale of no wave of its block");
            const std::string wave(tail.substr(2));
            if (head.starts_with("SetScale/P"))
                ++block.xScales[wave];
            else
                block.units[wave].push_back(string);
            continue;
        }
        check(tail.empty(), "something follows a string");
        if (head.starts_with("String/G ")) {
            check(head.ends_with(" = "), "a string global without its value");
            const std::string name(head.substr(9, head.size() - 12));
            check(name == "SampleName" || name == "SampleComment" || name == "SourceFile",
                  "a string global of no known name");
            check(block.strings.count(name) == 0, "a string global made twice in one folder");
            block.strings[name] = {string};
            continue;
        }
        if (head.ends_with(" += ")) {
            const std::string name(head.substr(0, head.size() - 4));
            check(block.strings.count(name) != 0, "a string global goes on before it was made");
            block.strings[name].push_back(string);
            continue;
        }
        const bool goesOn = head.starts_with("Note/NOCR ");
        check(goesOn || head.starts_with("Note "), "a command with a string other than those of the detailed output");
        check(head.ends_with(", "), "a note without its comma");
        const std::size_t from = goesOn ? 10 : 5;
        const std::string_view wave = head.substr(from, head.size() - 2 - from);
        check(hasWave(block, wave), "a note of no wave of its block");
        auto& note = block.notes[std::string(wave)];
        if (goesOn) {
            check(!note.empty(), "a note goes on before it began");
            note.back().push_back(string);
        } else {
            note.push_back({string});
        }
    }
    check(next == read.strings.size(), "a string outside every command");
    // A string can always go on on the next line; only names too long for one line may
    // carry a command without strings past the limit.
    if (text.size() + 2 > kMaxCommandLine) {
        check(read.strings.empty(), "a command line with a string longer than Igor reads");
        std::string shortNames(text);
        for (std::size_t at = 0; (at = shortNames.find(block.folder, at)) != std::string::npos; ++at)
            shortNames.replace(at, block.folder.size(), "s");
        check(shortNames.size() + 2 <= kMaxCommandLine, "a command line longer than Igor reads, not for its names");
    }
}

// The blocks of a detailed output, checked line by line against the shape Igor reads.
std::vector<Block> readOutput(std::string_view out, CodePage page, const std::string& prefix)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\n')
            check(i > 0 && out[i - 1] == '\r', "a line feed without its CR");
        if (out[i] == '\r')
            check(i + 1 < out.size() && out[i + 1] == '\n', "a CR without its line feed");
    }
    check(out.starts_with("IGOR\r\n"), "the output does not start with IGOR");
    check(out.ends_with("\r\n"), "the output's last line does not end in CR LF");
    std::vector<std::string_view> lines = split(out.substr(0, out.size() - 2), "\r\n");
    lines.erase(lines.begin());
    if (!prefix.empty()) {
        check(lines.size() >= 2 && lines.front() == kMakeFolder + prefix && lines.back() == kParentFolder,
              "the batch is not in its prefix's data folder");
        lines.erase(lines.begin());
        lines.pop_back();
    }
    enum class Stage { BetweenBlocks, FolderMade, WavesDeclared, Data, Trailer };
    Stage stage = Stage::BetweenBlocks;
    std::vector<Block> blocks;
    std::set<std::string> folders;
    for (const std::string_view line : lines) {
        switch (stage) {
        case Stage::BetweenBlocks: {
            check(line.starts_with(kMakeFolder), "between blocks, a line other than NewDataFolder");
            const std::string_view folder = line.substr(kMakeFolder.size());
            check(isIgorName(folder, kMaxStem), "a data folder name Igor does not take");
            check(folders.insert(lowered(folder)).second, "two data folders named alike but for case");
            blocks.emplace_back();
            blocks.back().folder = folder;
            stage = Stage::FolderMade;
            break;
        }
        case Stage::FolderMade: {
            Block& block = blocks.back();
            const std::vector<std::string_view> names = split(line, "\t");
            check(names.size() > 1 && names[0] == "WAVES/D", "a data folder without waves declared next");
            for (std::size_t k = 1; k < names.size(); ++k) {
                check(isIgorName(names[k], kMaxWaveName) && names[k].starts_with(block.folder + "_"),
                      "a wave not named by its folder's stem and a suffix");
                check(block.names.insert(lowered(names[k])).second, "a wave declared twice in one block");
                block.declared.emplace_back(names[k]);
            }
            stage = Stage::WavesDeclared;
            break;
        }
        case Stage::WavesDeclared:
            check(line == "BEGIN", "a declaration without BEGIN after it");
            stage = Stage::Data;
            break;
        case Stage::Data: {
            if (line == "END") {
                stage = Stage::Trailer;
                break;
            }
            check(line.starts_with('\t'), "a line between BEGIN and END that is no data line");
            const std::vector<std::string_view> items = split(line.substr(1), "\t");
            check(items.size() == blocks.back().declared.size(), "a data line's items differ in number from its waves");
            for (const std::string_view item : items) {
                check(!item.empty(), "a data line holds an empty item");
                check(kivo::fuzz::referenceValue(std::string(item)) == item, "a data item is no number Igor reads");
            }
            ++blocks.back().points;
            break;
        }
        case Stage::Trailer:
            check(line.starts_with("X "), "a block's trailer holds a line that is no command");
            if (line == kParentFolder)
                stage = Stage::BetweenBlocks;
            else
                readTrailerLine(line.substr(2), page, blocks.back());
            break;
        }
    }
    check(stage == Stage::BetweenBlocks, "the output ends inside a block");
    return blocks;
}

// The lines after the column line, each one point, and the header lines; empty when the
// file has no data section.
struct Sections {
    std::vector<std::string> header;
    std::size_t rows = 0;
};

Sections sectionsOf(std::string_view contents)
{
    const std::vector<std::string> lines = kivo::fuzz::referenceLines(contents);
    Sections s;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i] == "[Data]") {
            s.rows = lines.size() - std::min(lines.size(), i + 2);
            return s;
        }
        s.header.push_back(lines[i]);
    }
    return {};
}

// A declared wave's note: the file's path, its columns, then the file's header a line each,
// every line whole unless the header is too long to keep, then one line saying so.
void checkNote(const std::vector<std::vector<std::string>>& note, const Input& input, const Sections& file,
               CodePage page)
{
    std::size_t headerBytes = 0;
    for (const std::string& line : file.header)
        headerBytes += line.size() + 2;
    const bool whole = file.header.size() < kivo::core::HeaderNotes::kMaxLines
                       && headerBytes < kivo::core::HeaderNotes::kMaxBytes;
    check(note.size() >= 2, "a note without its source and column");
    check(whole ? note.size() == 2 + file.header.size() : note.size() <= 3 + file.header.size(),
          "a note's lines differ in number from the header's and two");
    checkPieces(note[0], "Source:", keptText(input.path, page), "a note's first line names another file");
    check(note[1].front().starts_with("Column:"), "a note's second line names no column");
    for (std::size_t k = 2; k < note.size(); ++k) {
        if (!whole && k + 1 == note.size())
            break;
        checkPieces(note[k], "", keptText(file.header[k - 2], page), "a note line differs from its header line");
    }
}

// The rest of one file's block: every wave's one scaling, unit and note, and the source.
void checkBlock(const Block& block, const Input& input, CodePage page)
{
    const Sections file = sectionsOf(input.contents);
    for (const std::string& wave : block.declared) {
        check(block.notes.count(wave) != 0, "a wave without a note");
        checkNote(block.notes.at(wave), input, file, page);
    }
    for (const std::string& wave : block.computed) {
        check(block.notes.count(wave) != 0, "a computed wave without a note");
        check(block.assigned.count(wave) != 0 && block.assigned.at(wave).size() == 1,
              "a computed wave without its one assignment");
    }
    for (const auto* waves : {&block.declared, &block.computed}) {
        for (const std::string& wave : *waves) {
            check(block.xScales.count(wave) != 0 && block.xScales.at(wave) == 1 && block.units.count(wave) != 0
                      && block.units.at(wave).size() == 1,
                  "a wave without its one x scaling and one unit");
        }
    }
    const std::string date = block.folder + "_Date";
    if (block.copiedFrom.count(date) != 0) {
        const std::string time = block.folder + "_Time";
        const std::string& value = block.assigned.at(date).front();
        check(block.copiedFrom.at(date) == time && (value.starts_with(time + " + ") || value.starts_with(time + " - "))
                  && isNumber(std::string_view(value).substr(time.size() + 3)),
              "a date wave that is not the time plus an offset");
        check(block.units.at(date).front() == "dat", "a date wave without Igor's date unit");
    }
    check(block.strings.count("SourceFile") != 0, "a folder without its source file");
    checkPieces(block.strings.at("SourceFile"), "", keptText(input.path, page), "the source file names another file");
}

// The names of the folders and waves written; with no block, nothing was.
bool longNames(const std::string& prefix, const std::vector<Block>& blocks)
{
    bool any = !blocks.empty() && prefix.size() > kMaxOldName;
    for (const Block& block : blocks) {
        any = any || block.folder.size() > kMaxOldName;
        for (const auto* waves : {&block.declared, &block.computed}) {
            for (const std::string& wave : *waves)
                any = any || wave.size() > kMaxOldName;
        }
    }
    return any;
}

// Igor loads the output into the batch's folder, one folder per block holding its waves
// with their points and its source.
void checkLoaded(std::string_view out, CodePage page, const std::string& prefix, const std::vector<Block>& blocks)
{
    kivo::testing::IgorLoader igor(page);
    try {
        igor.load(out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        kivo::testing::fail("Igor does not load the output");
    }
    const kivo::testing::IgorFolder& root = igor.root();
    check(root.waves.empty() && root.variables.empty() && root.strings.empty(), "Igor finds objects in its root");
    const kivo::testing::IgorFolder* batch = &root;
    if (!prefix.empty()) {
        check(root.folders.size() == 1 && root.folders.count(prefix) != 0, "Igor finds no batch folder");
        batch = &root.folder(prefix);
        check(batch->waves.empty() && batch->variables.empty() && batch->strings.empty(),
              "Igor finds objects beside the files' folders");
    }
    check(batch->folders.size() == blocks.size(), "Igor finds folders other than the blocks'");
    for (const Block& block : blocks) {
        check(batch->folders.count(block.folder) != 0, "Igor finds no folder of a block");
        const kivo::testing::IgorFolder& folder = batch->folder(block.folder);
        check(folder.folders.empty() && folder.waves.size() == block.declared.size() + block.computed.size(),
              "Igor finds other waves in a block's folder");
        for (const auto& [name, wave] : folder.waves)
            check(hasWave(block, name) && wave.points.size() == block.points, "Igor loads a wave of other points");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t options = bytes[0];
    const CodePage page = (options & 8U) != 0 ? CodePage::Cp932 : CodePage::Utf8;
    const bool secondMissing = (options & 16U) != 0;
    const bool noPrefix = (options & 32U) != 0;

    const std::string_view body(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    const std::vector<std::string_view> records = split(body, std::string_view(&kRecordSeparator, 1));
    const std::string prefixField = noPrefix ? std::string() : std::string(records[0]);
    std::vector<Input> inputs;
    for (std::size_t i = 1; i < records.size() && inputs.size() < kMaxFiles; ++i) {
        const std::string_view record = records[i];
        const std::size_t cut = record.find(kNameSeparator);
        const std::string place = std::to_string(inputs.size());
        const std::string name = cut == std::string_view::npos ? place + ".dat" : std::string(record.substr(0, cut));
        inputs.push_back({name, "/in/" + place + "/" + name,
                          std::string(cut == std::string_view::npos ? record : record.substr(cut + 1))});
    }

    MemoryFileSystem files;
    files.readPiece = kPieces[options & 7U];
    files.files[kOutput] = kEarlier;
    RecordingHost host;
    host.detailed = true;
    host.prefixField = prefixField;
    host.outputField = kOutput;
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        host.enqueue(inputs[k].name, inputs[k].path);
        if (!(secondMissing && k == 1))
            files.files[inputs[k].path] = inputs[k].contents;
    }
    const std::deque<QueueEntry> queued = host.queue.entries();
    const std::map<std::string, std::string> before = files.files;
    // The prefix as the run takes it; how it is sanitized is fuzz_run's to check.
    RecordingHost taken;
    taken.prefixField = prefixField;
    if (!noPrefix)
        kivo::intake::SanitizeWavePrefix(taken);
    const std::string prefix = taken.prefixField;

    const kivo::core::RunResult result =
        kivo::core::OnMakeItx(host, noPrefix ? nullptr : &kivo::intake::SanitizeWavePrefix, files, page);
    check(files.stagedAlive == 0, "a staging file outlived the run");

    // The prefix's own notice, then one for the run.
    std::size_t told = 0;
    if (!noPrefix && (prefixField.empty() || !isLetter(prefixField[0]))) {
        check(!host.notices.empty() && host.notices[0].kind == NoticeKind::PrefixFirstLetter,
              "no notice for a prefix that does not start with a letter");
        told = 1;
    }
    check(host.notices.size() == told + 1, "not one notice for the run");
    const Notice& notice = host.notices.back();

    if (secondMissing && inputs.size() >= 2) {
        check(notice == Notice{NoticeKind::FileNotOpen, inputs[1].name, 0, notice.reason},
              "no notice for the file that cannot be opened");
        check(!result.outputWritten && !result.everyInputOpened, "a run that met a missing input reported success");
        check(files.files == before, "a run that met a missing input changed the files");
        check(host.queue.entries() == queued, "a run that met a missing input did not give the batch back");
        check(host.prefixField == prefix && host.outputField == kOutput,
              "a run that met a missing input changed the fields");
        return 0;
    }
    check(result.everyInputOpened, "a run over files that all open reported one that did not");
    check(host.queue.empty() && host.prefixField.empty() && host.outputField.empty(),
          "a finished run left the batch or the fields");

    std::vector<Block> blocks;
    if (result.outputWritten) {
        blocks = readOutput(files.files.at(kOutput), page, prefix);
        check(!blocks.empty(), "an output of no file");
        checkLoaded(files.files.at(kOutput), page, prefix, blocks);
    } else {
        check(files.files == before, "a run that wrote no output changed the files");
    }

    // Each block is the next file whose path it names; the files between were passed over.
    const std::vector<std::string> folders = batchFolders(inputs, page);
    RunSummary summary;
    std::size_t b = 0;
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        const Input& input = inputs[k];
        const kivo::fuzz::Outcome outcome = kivo::fuzz::referenceRead(input.contents, page).outcome;
        const bool converted = b < blocks.size() && blocks[b].strings.count("SourceFile") != 0
                               && joined(blocks[b].strings.at("SourceFile")) == keptText(input.path, page).text;
        if (!converted) {
            const NoticeKind kind = outcome == kivo::fuzz::Outcome::NotSquid        ? NoticeKind::NotSquid
                                    : outcome == kivo::fuzz::Outcome::NoDataSection ? NoticeKind::NoDataSection
                                                                                    : NoticeKind::NoKnownColumns;
            summary.files.push_back({input.name, kind, {}, 0});
            continue;
        }
        const Block& block = blocks[b++];
        check(outcome == kivo::fuzz::Outcome::Rows || outcome == kivo::fuzz::Outcome::ColumnMismatch,
              "a file converted that has no column line");
        check(block.points == sectionsOf(input.contents).rows,
              "a block's points differ from the lines after the column line");
        check(block.folder == folders[k], "a data folder not named by its file's stem");
        checkBlock(block, input, page);
        summary.files.push_back({input.name, NoticeKind::PointsExtracted, block.folder,
                                 static_cast<std::int64_t>(block.points)});
    }
    check(b == blocks.size(), "a block of no queued file, or out of the queue's order");
    summary.longNames = longNames(prefix, blocks);
    summary.output = result.outputWritten ? kOutput : std::string();
    check(notice.kind == NoticeKind::RunSummary, "a finished run told other than its summary");
    const Notice expected = kivo::core::summaryNotice(summary);
    if (notice != expected) {
        std::fprintf(stderr, "told:\n%s\nexpected:\n%s\n", noticeLines(notice.detail).c_str(),
                     noticeLines(expected.detail).c_str());
        kivo::testing::fail("the summary differs from the files and the output");
    }
    return 0;
}
