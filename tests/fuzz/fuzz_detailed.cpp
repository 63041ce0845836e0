// The detailed "Make itx" run over files in memory: each converted file in an Igor data
// folder of its own, with units and the file's header in the notes. Checks on every input
// that the output reads as Igor reads it (CR LF line ends, blocks that open and close, data
// lines as long as their declarations, folder names Igor takes and tells apart, strings that
// close on command lines Igor can read), that the notes give back each file's name and
// header whole, that the points match the notices and the lines after each column line, and
// that an input that cannot be opened leaves no output, the earlier file untouched and the
// batch as it was.
//
// Input: one option byte, then records separated by 0x1E: the wave-prefix field's text,
// then up to eight input files. A file's record is its display name, 0x1F and its bytes, or
// its bytes alone, named "K.dat" after its place K in the queue.
//   byte 0: bits 0-2 read piece size, bit 3 CP932, bit 4 the second file is missing

#include "core/run/conversion_run.h"
#include "core/run/notice.h"
#include "intake/intake.h"
#include "fuzz_check.h"
#include "memory_files.h"
#include "recording_window.h"
#include "reference.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using kivo::core::CodePage;
using kivo::core::Notice;
using kivo::core::NoticeKind;
using kivo::core::QueueEntry;
using kivo::testing::check;
using kivo::testing::MemoryFileSystem;
using kivo::testing::RecordingHost;

namespace {

const std::size_t kPieces[] = {1, 2, 5, 64, 4096, 65537, 300000, kivo::testing::kNever};
constexpr char kRecordSeparator = '\x1E';
constexpr char kNameSeparator = '\x1F';
constexpr std::size_t kMaxFiles = 8;
// Igor Pro 6 reads command lines of at most 400 bytes; Igor Pro before 8 takes object names
// of at most 31 bytes, and Igor Pro 8 wave names of at most 255.
constexpr std::size_t kMaxCommandLine = 400;
constexpr std::size_t kMaxFolderName = 31;
constexpr std::size_t kMaxWaveName = 255;
// Stands for a string in what is left of a command line once its strings are taken out.
constexpr char kString = '\x01';
const std::string kOutput = "/out/result.itx";
const std::string kEarlier = "an earlier output the user keeps\r\n";

struct Input {
    std::string name;
    std::string path;
    std::string contents;
};

// What the check reads of one data folder's block.
struct Block {
    std::vector<std::string> waves;
    std::size_t points = 0;
    std::map<std::string, int> xScales;
    std::map<std::string, int> units;
    // Each wave's note, one entry per line of the note, each line in the pieces its
    // command lines gave.
    std::map<std::string, std::vector<std::vector<std::string>>> notes;
};

std::vector<std::string_view> split(std::string_view text, std::string_view separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isIgorName(std::string_view name, std::size_t maxSize)
{
    if (name.empty() || name.size() > maxSize || !isLetter(name[0]))
        return false;
    for (const char c : name) {
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '_')
            return false;
    }
    return true;
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

// The bytes of the character at text[i]: a CP932 lead byte and its second byte, or a
// well-formed UTF-8 sequence; any other byte is one.
std::size_t charSize(std::string_view text, std::size_t i, CodePage page)
{
    const auto b = static_cast<unsigned char>(text[i]);
    if (page == CodePage::Cp932)
        return isCp932Lead(b) && i + 1 < text.size() && isCp932Second(static_cast<unsigned char>(text[i + 1])) ? 2 : 1;
    const std::size_t size = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 1;
    if (i + size > text.size())
        return 1;
    for (std::size_t k = 1; k < size; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 1;
    }
    return size;
}

// What a note keeps of a line of text: every character but the control bytes, which no
// Igor string holds. Under CP932 a lead byte without its second byte is no character.
struct NoteText {
    std::string text;
    // Where the line's characters start in `text`, and its end: the places a note may be
    // cut. Bytes that a dropped control byte brings together are no character of the line.
    std::set<std::size_t> starts;
};

NoteText noteText(std::string_view line, CodePage page)
{
    NoteText kept;
    for (std::size_t i = 0; i < line.size();) {
        const auto b = static_cast<unsigned char>(line[i]);
        const std::size_t size = charSize(line, i, page);
        if (b >= 0x20 && b != 0x7F && !(page == CodePage::Cp932 && isCp932Lead(b) && size == 1)) {
            kept.starts.insert(kept.text.size());
            kept.text.append(line.substr(i, size));
        }
        i += size;
    }
    kept.starts.insert(kept.text.size());
    return kept;
}

struct CommandLine {
    std::string skeleton;             // the line with each string made one kString
    std::vector<std::string> strings; // their texts, escapes undone
};

// Reads a command line as Igor does: inside a string a backslash takes the character after
// it, and a double quote ends the string. Under CP932 Igor joins a lead byte with whatever
// byte follows, so a lead byte without a second byte would swallow a quote or a backslash.
CommandLine readCommandLine(std::string_view line, CodePage page)
{
    CommandLine read;
    bool inString = false;
    for (std::size_t i = 0; i < line.size();) {
        if (page == CodePage::Cp932 && isCp932Lead(static_cast<unsigned char>(line[i])))
            check(i + 1 < line.size() && isCp932Second(static_cast<unsigned char>(line[i + 1])),
                  "a command line holds a lead byte without its second byte");
        std::size_t size = charSize(line, i, page);
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
            check(i + 1 < line.size(), "a backslash escapes the end of a command line");
            ++i;
            size = charSize(line, i, page);
        }
        read.strings.back().append(line.substr(i, size));
        i += size;
    }
    check(!inString, "a string on a command line does not close");
    return read;
}

bool declared(const Block& block, std::string_view wave)
{
    for (const std::string& name : block.waves) {
        if (name == wave)
            return true;
    }
    return false;
}

// One trailer line of a block (after "X "): scalings and notes of the block's own waves,
// each string where its command takes one and nothing after it but what the command takes.
void readTrailerLine(std::string_view text, CodePage page, Block& block)
{
    const CommandLine read = readCommandLine(text, page);
    std::size_t next = 0;
    for (std::string_view command : split(read.skeleton, ";")) {
        while (command.starts_with(' '))
            command.remove_prefix(1);
        const std::size_t at = command.find(kString);
        check(at != std::string_view::npos && command.find(kString, at + 1) == std::string_view::npos,
              "a trailer command without its one string");
        const std::string& string = read.strings.at(next++);
        const std::string_view head = command.substr(0, at);
        const std::string_view tail = command.substr(at + 1);
        if (head == "SetScale/P x 0,1," || head == "SetScale d 0,0,") {
            check(tail.starts_with(", ") && declared(block, tail.substr(2)), "a SetScale of no wave of its block");
            std::map<std::string, int>& given = head.starts_with("SetScale/P") ? block.xScales : block.units;
            ++given[std::string(tail.substr(2))];
            continue;
        }
        const bool goesOn = head.starts_with("Note/NOCR ");
        check(goesOn || head.starts_with("Note "), "a trailer command other than SetScale and Note");
        check(tail.empty(), "something follows a note's string");
        check(head.ends_with(", "), "a note without its comma");
        const std::string_view wave = head.substr(goesOn ? 10 : 5, head.size() - 2 - (goesOn ? 10 : 5));
        check(declared(block, wave), "a note of no wave of its block");
        auto& note = block.notes[std::string(wave)];
        if (goesOn) {
            check(!note.empty(), "a note goes on before it began");
            note.back().push_back(string);
        } else {
            note.push_back({string});
        }
    }
    check(next == read.strings.size(), "a string outside every command");
}

// The blocks of a detailed output, checked line by line against the shape Igor reads.
std::vector<Block> readOutput(std::string_view out, CodePage page)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\n')
            check(i > 0 && out[i - 1] == '\r', "a line feed without its CR");
        if (out[i] == '\r')
            check(i + 1 < out.size() && out[i + 1] == '\n', "a CR without its line feed");
    }
    check(out.starts_with("IGOR\r\n"), "the output does not start with IGOR");
    check(out.ends_with("\r\n"), "the output's last line does not end in CR LF");
    const std::vector<std::string_view> lines = split(out.substr(0, out.size() - 2), "\r\n");
    enum class Stage { BetweenBlocks, FolderMade, WavesDeclared, Data, Trailer };
    Stage stage = Stage::BetweenBlocks;
    std::vector<Block> blocks;
    std::set<std::string> folders;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        switch (stage) {
        case Stage::BetweenBlocks: {
            constexpr std::string_view kMake = "X NewDataFolder/O/S ";
            check(line.starts_with(kMake), "between blocks, a line other than NewDataFolder");
            const std::string_view folder = line.substr(kMake.size());
            check(isIgorName(folder, kMaxFolderName), "a data folder name Igor does not take");
            check(folders.insert(lowered(folder)).second, "two data folders named alike but for case");
            blocks.emplace_back();
            stage = Stage::FolderMade;
            break;
        }
        case Stage::FolderMade: {
            const std::vector<std::string_view> names = split(line, "\t");
            check(names.size() > 1 && names[0] == "WAVES/D", "a data folder without waves declared next");
            std::set<std::string> seen;
            for (std::size_t k = 1; k < names.size(); ++k) {
                check(isIgorName(names[k], kMaxWaveName), "a wave name Igor does not take");
                check(seen.insert(lowered(names[k])).second, "a wave declared twice in one block");
                blocks.back().waves.emplace_back(names[k]);
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
            check(items.size() == blocks.back().waves.size(), "a data line's items differ in number from its waves");
            for (const std::string_view item : items) {
                check(!item.empty(), "a data line holds an empty item");
                check(kivo::fuzz::referenceValue(std::string(item)) == item, "a data item is no number Igor reads");
            }
            ++blocks.back().points;
            break;
        }
        case Stage::Trailer:
            check(line.starts_with("X "), "a block's trailer holds a line that is no command");
            check(line.size() <= kMaxCommandLine, "a command line longer than Igor reads");
            if (line == "X SetDataFolder ::")
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

// A wave's note: where its values come from, then the file's header, a line each, every
// line cut only between two of its characters.
void checkNote(const std::vector<std::vector<std::string>>& note, const Input& input, const Sections& file,
               CodePage page)
{
    check(note.size() == 2 + file.header.size(), "a note's lines differ in number from the header's and two");
    for (std::size_t k = 0; k < note.size(); ++k) {
        std::string line;
        std::vector<std::size_t> cuts;
        for (const std::string& piece : note[k]) {
            cuts.push_back(line.size());
            line += piece;
        }
        if (k == 0) {
            NoteText source = noteText(input.name, page);
            check(line.starts_with("Source:"), "a note's first line does not name its file");
            check(line.substr(7) == source.text, "a note's first line names another file");
            for (const std::size_t cut : cuts)
                check(cut <= 7 || source.starts.count(cut - 7) != 0, "a note line cut inside a character");
        } else if (k == 1) {
            check(line.starts_with("Column:"), "a note's second line names no column");
        } else {
            const NoteText header = noteText(file.header[k - 2], page);
            check(line == header.text, "a note line differs from its header line");
            for (const std::size_t cut : cuts)
                check(header.starts.count(cut) != 0, "a note line cut inside a character");
        }
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

    const std::string_view body(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    const std::vector<std::string_view> records = split(body, std::string_view(&kRecordSeparator, 1));
    const std::string prefixField(records[0]);
    std::vector<Input> inputs;
    for (std::size_t i = 1; i < records.size() && inputs.size() < kMaxFiles; ++i) {
        const std::string_view record = records[i];
        const std::size_t cut = record.find(kNameSeparator);
        const std::string place = std::to_string(inputs.size());
        inputs.push_back({cut == std::string_view::npos ? place + ".dat" : std::string(record.substr(0, cut)),
                          "/in/" + place,
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
    kivo::intake::SanitizeWavePrefix(taken);
    const std::string prefix = taken.prefixField;

    const kivo::core::RunResult result =
        kivo::core::OnMakeItx(host, &kivo::intake::SanitizeWavePrefix, files, page);
    check(files.stagedAlive == 0, "a staging file outlived the run");

    // One notice per file, in the queue's order, after the prefix's own.
    std::size_t told = 0;
    if (prefixField.empty() || !isLetter(prefixField[0])) {
        check(!host.notices.empty() && host.notices[0].kind == NoticeKind::PrefixFirstLetter,
              "no notice for a prefix that does not start with a letter");
        told = 1;
    }
    const bool endsAtMissing = secondMissing && inputs.size() >= 2;
    const std::size_t read = endsAtMissing ? 1 : inputs.size();
    check(host.notices.size() == told + (endsAtMissing ? 2 : inputs.size()), "not one notice per file read");
    std::vector<std::size_t> converted; // the files that gave points, in order
    for (std::size_t k = 0; k < read; ++k) {
        const Notice& notice = host.notices[told + k];
        check(notice.name == inputs[k].name, "a notice names another file than the queue's next");
        const kivo::fuzz::Reading reading = kivo::fuzz::referenceRead(inputs[k].contents, page);
        switch (reading.outcome) {
        case kivo::fuzz::Outcome::NotSquid:
            check(notice.kind == NoticeKind::NotSquid, "a file without [Header] first is not told as no SQUID file");
            break;
        case kivo::fuzz::Outcome::NoDataSection:
            check(notice.kind == NoticeKind::NoDataSection, "a file without [Data] is not told as such");
            break;
        case kivo::fuzz::Outcome::NoColumnLine:
            check(notice.kind == NoticeKind::NoKnownColumns, "a file without a column line is not told as such");
            break;
        case kivo::fuzz::Outcome::ColumnMismatch:
        case kivo::fuzz::Outcome::Rows:
            check(notice.kind == NoticeKind::PointsExtracted || notice.kind == NoticeKind::NoKnownColumns,
                  "a file with a column line told as something else");
            if (notice.kind == NoticeKind::PointsExtracted) {
                check(notice.count >= 0 && static_cast<std::size_t>(notice.count) == sectionsOf(inputs[k].contents).rows,
                      "the points told differ from the lines after the column line");
                converted.push_back(k);
            }
            break;
        }
    }

    if (endsAtMissing) {
        check(host.notices.back() == Notice{NoticeKind::FileNotOpen, inputs[1].name, 0, host.notices.back().reason},
              "no notice for the file that cannot be opened");
        check(!result.outputWritten && !result.everyInputOpened, "a run that met a missing input reported success");
        check(files.files == before, "a run that met a missing input changed the files");
        check(host.queue.entries() == queued, "a run that met a missing input did not give the batch back");
        check(host.prefixField == prefix && host.outputField == kOutput,
              "a run that met a missing input changed the fields");
        return 0;
    }
    check(result.outputWritten && result.everyInputOpened, "a run over files that all open reported a failure");
    check(host.queue.empty() && host.prefixField.empty() && host.outputField.empty(),
          "a finished run left the batch or the fields");

    const std::vector<Block> blocks = readOutput(files.files.at(kOutput), page);
    check(blocks.size() == converted.size(), "data folders differ in number from the files told converted");
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const Block& block = blocks[b];
        const Input& input = inputs[converted[b]];
        check(block.points == static_cast<std::size_t>(host.notices[told + converted[b]].count),
              "a block's data lines differ from the points its notice tells");
        const Sections file = sectionsOf(input.contents);
        for (const std::string& wave : block.waves) {
            check(wave.starts_with(prefix + "_"), "a wave name does not start with the prefix");
            check(block.xScales.count(wave) != 0 && block.xScales.at(wave) == 1
                      && block.units.count(wave) != 0 && block.units.at(wave) == 1,
                  "a wave without its one x scaling and one unit");
            check(block.notes.count(wave) != 0, "a wave without a note");
            checkNote(block.notes.at(wave), input, file, page);
        }
    }
    return 0;
}
