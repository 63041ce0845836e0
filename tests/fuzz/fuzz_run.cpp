// The whole "Make itx" run over files in memory. Checks on every input that the output is a
// well-formed Igor Text file, that it holds one data line per point the notices announce,
// that it is byte for byte what the slow models in reference.h give, and that a failing
// read, write or close, or an input that cannot be opened, leaves no output, the earlier
// file untouched and the batch as it was.
//
// Input: two option bytes, then records separated by 0x1E: the wave-prefix field's text,
// then up to eight input files.
//   byte 0: bits 0-2 read piece size, bit 3 CP932, bits 4-5 failure (none, read, write,
//           commit), bit 6 the second file is missing, bit 7 the output path names the
//           first input
//   byte 1: bits 0-5 where a read or write failure strikes (times 61 bytes), bit 6 sanitize
//           the prefix as the window does, bit 7 closing an input fails

#include "core/run/conversion_run.h"
#include "core/files/io_error.h"
#include "core/run/notice.h"
#include "intake/intake.h"
#include "crlf_lines.h"
#include "fuzz_check.h"
#include "memory_files.h"
#include "recording_window.h"
#include "reference.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using kivo::core::CodePage;
using kivo::core::IoError;
using kivo::core::IoOperation;
using kivo::core::Notice;
using kivo::core::NoticeKind;
using kivo::core::QueueEntry;
using kivo::testing::check;
using kivo::testing::split;
using kivo::testing::MemoryFileSystem;
using kivo::testing::RecordingHost;

namespace {

const std::size_t kPieces[] = {1, 2, 5, 64, 4096, 65537, 300000, kivo::testing::kNever};
constexpr std::array<std::string_view, 5> kSuffixes = {"_Time", "_Field", "_Temperature", "_LongMoment",
                                                        "_LongMomentSD"};
constexpr char kRecordSeparator = '\x1E';
constexpr std::size_t kMaxFiles = 8;
const std::string kOutput = "/out/result.itx";
const std::string kEarlier = "an earlier output the user keeps\r\n";

enum class Failure { None, Read, Write, Commit };

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string modelSanitize(std::string prefix)
{
    if (prefix.empty())
        return "w";
    if (!isLetter(prefix[0]))
        prefix[0] = 'w';
    for (std::size_t i = 1; i < prefix.size(); ++i) {
        const char c = prefix[i];
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '_')
            prefix[i] = '_';
    }
    // Igor takes wave names of up to 255 bytes; _LongMomentSD is 13 of them.
    if (prefix.size() > 242)
        prefix.resize(242);
    return prefix;
}

std::string modelHeader(const std::string& p)
{
    std::string s = "IGOR\r\nWAVES/D";
    for (std::string_view suffix : kSuffixes)
        s += "\t" + p + std::string(suffix);
    return s + "\r\nBEGIN\r\n";
}

std::string modelTrailer(const std::string& p)
{
    std::string s = "END\r\n";
    for (std::string_view suffix : kSuffixes) {
        const std::string name = p + std::string(suffix);
        s += "X SetScale/P x 0,1,\"\", " + name + "; SetScale y 0,0,\"\", " + name + "\r\n";
    }
    return s;
}

// The checks any Igor Text output of a run must pass, whatever the inputs held. Returns the
// number of data lines. A value holding a tab or a CR is written NaN, so every data line
// holds five values whatever the inputs held.
std::size_t checkWellFormed(std::string_view out, const std::string& prefix)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '\n')
            check(i > 0 && out[i - 1] == '\r', "well formed: a line feed without its CR");
    }
    check(out.size() >= 2 && out.substr(out.size() - 2) == "\r\n", "well formed: the file does not end in CR LF");
    const std::vector<std::string> lines = kivo::testing::crLfLines(out);
    check(lines.size() >= 9, "well formed: too few lines");
    check(lines[0] == "IGOR", "well formed: first line is not IGOR");
    const std::vector<std::string_view> declared = split(lines[1], "\t");
    check(declared.size() == 6 && declared[0] == "WAVES/D", "well formed: declaration is not WAVES/D and five names");
    for (std::size_t k = 0; k < kSuffixes.size(); ++k)
        check(declared[k + 1] == prefix + std::string(kSuffixes[k]), "well formed: a declared name differs");
    check(lines[2] == "BEGIN", "well formed: third line is not BEGIN");
    const std::size_t trailerAt = lines.size() - 6;
    check(lines[trailerAt] == "END", "well formed: END is not sixth from last");
    for (std::size_t k = 0; k < kSuffixes.size(); ++k) {
        const std::string name = prefix + std::string(kSuffixes[k]);
        check(lines[trailerAt + 1 + k] == "X SetScale/P x 0,1,\"\", " + name + "; SetScale y 0,0,\"\", " + name,
              "well formed: a SetScale line differs");
    }
    for (std::size_t i = 3; i < trailerAt; ++i) {
        const std::string_view line = lines[i];
        check(!line.empty() && line[0] == '\t', "well formed: a data line does not start with a tab");
        check(line.find('\r') == std::string_view::npos, "well formed: a data line holds a CR");
        const std::vector<std::string_view> values = split(line.substr(1), "\t");
        check(values.size() == 5, "well formed: a data line does not hold five values");
        for (std::string_view value : values)
            check(!value.empty(), "well formed: a data line holds an empty value");
    }
    return trailerAt - 3;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::uint8_t options = bytes[0];
    const std::uint8_t more = bytes[1];
    const CodePage page = (options & 8U) != 0 ? CodePage::Cp932 : CodePage::Utf8;
    const auto failure = static_cast<Failure>((options >> 4) & 3U);
    const bool secondMissing = (options & 64U) != 0;
    const bool outputIsInput = (options & 128U) != 0;
    const std::size_t strikeAt = (more & 63U) * 61U;
    const bool sanitize = (more & 64U) != 0;
    const bool failInputClose = (more & 128U) != 0;

    const std::string_view body(reinterpret_cast<const char*>(bytes) + 2, size - 2);
    std::vector<std::string_view> records = split(body, std::string_view(&kRecordSeparator, 1));
    const std::string prefixField(records[0]);
    std::vector<std::string> contents;
    for (std::size_t i = 1; i < records.size() && contents.size() < kMaxFiles; ++i)
        contents.emplace_back(records[i]);

    MemoryFileSystem files;
    files.readPiece = kPieces[options & 7U];
    files.failInputClose = failInputClose;
    if (failure == Failure::Read)
        files.failReadAfter = strikeAt;
    if (failure == Failure::Write)
        files.failWriteAfter = strikeAt;
    files.failCommit = failure == Failure::Commit;
    files.files[kOutput] = kEarlier;

    RecordingHost host;
    host.prefixField = prefixField;
    for (std::size_t k = 0; k < contents.size(); ++k) {
        const std::string path = "/in/" + std::to_string(k) + ".dat";
        host.enqueue(std::to_string(k) + ".dat", path);
        if (!(secondMissing && k == 1))
            files.files[path] = contents[k];
    }
    host.outputField = outputIsInput && !contents.empty() ? host.queue.front().fullPath : kOutput;
    const std::string outputPath = host.outputField;
    const std::deque<QueueEntry> queued = host.queue.entries();
    const std::map<std::string, std::string> before = files.files;

    // What the run must do, from the models alone.
    const std::string prefix = sanitize ? modelSanitize(prefixField) : prefixField;
    std::vector<Notice> notices;
    if (sanitize && (prefixField.empty() || !isLetter(prefixField[0])))
        notices.push_back({NoticeKind::PrefixFirstLetter, {}});
    std::string expected = modelHeader(prefix);
    // An input that cannot be opened ends the run there, as a failed read does.
    bool endsAtMissing = false;
    for (std::size_t k = 0; k < contents.size(); ++k) {
        const std::string name = std::to_string(k) + ".dat";
        if (secondMissing && k == 1) {
            notices.push_back({NoticeKind::FileNotOpen, name});
            endsAtMissing = true;
            break;
        }
        const kivo::fuzz::Reading reading = kivo::fuzz::referenceRead(contents[k], page);
        switch (reading.outcome) {
        case kivo::fuzz::Outcome::NotSquid:
            notices.push_back({NoticeKind::NotSquid, name});
            break;
        case kivo::fuzz::Outcome::NoDataSection:
            notices.push_back({NoticeKind::NoDataSection, name});
            break;
        case kivo::fuzz::Outcome::NoColumnLine:
        case kivo::fuzz::Outcome::ColumnMismatch:
            break;
        case kivo::fuzz::Outcome::Rows:
            for (const auto& row : reading.rows)
                expected += kivo::fuzz::referenceDataLine(row);
            notices.push_back({NoticeKind::PointsExtracted, name, static_cast<std::int64_t>(reading.rows.size())});
            if (kivo::fuzz::referenceLacksMoments(reading))
                notices.push_back({NoticeKind::NoMoment, name});
            break;
        }
    }
    expected += modelTrailer(prefix);

    std::optional<IoError> error;
    kivo::core::RunResult result;
    try {
        result = kivo::core::OnMakeItx(host, sanitize ? &kivo::intake::SanitizeWavePrefix : nullptr, files, page);
    } catch (const IoError& e) {
        error = e;
    }
    check(files.stagedAlive == 0, "a staging file outlived the run");

    if (outputIsInput && !contents.empty()) {
        check(!error && !result.outputWritten, "an output naming an input was written");
        const kivo::core::Reason namesInput = kivo::core::because(kivo::core::ReasonKind::OutputNamesInput, "0.dat");
        check(!host.notices.empty() && host.notices.back().kind == NoticeKind::OutfileNotOpen
                  && host.notices.back().reason == namesInput,
              "no Outfile notice for an output naming an input");
        check(files.files == before, "files changed although the output names an input");
        check(host.queue.entries() == queued && host.outputField == outputPath, "the batch changed although nothing ran");
        return 0;
    }

    if (error) {
        switch (error->operation()) {
        case IoOperation::Read:
            check(failure == Failure::Read, "a read error nobody injected");
            check(error->path().rfind("/in/", 0) == 0, "a read error names no input");
            check(files.files.count(error->path()) != 0 && files.files.at(error->path()).size() >= strikeAt,
                  "a read error struck before the failing byte");
            break;
        case IoOperation::Write:
            check(failure == Failure::Write, "a write error nobody injected");
            check(error->path() == outputPath, "a write error names another file");
            break;
        case IoOperation::Close:
            check(failure == Failure::Commit || failInputClose, "a close error nobody injected");
            break;
        }
        check(error->what() == kivo::core::ioErrorText(error->operation(), error->path()), "the error text differs");
        check(files.files == before, "a failed run changed the files");
        check(host.queue.entries() == queued, "a failed run did not give the batch back");
        check(host.prefixField == prefix && host.outputField == outputPath, "a failed run changed the fields");
        check(host.notices.size() <= notices.size(), "a failed run gave more notices than a whole run");
        for (std::size_t i = 0; i < host.notices.size(); ++i)
            check(host.notices[i] == notices[i], "a failed run's notices differ from a whole run's");
        return 0;
    }

    if (endsAtMissing) {
        check(!result.outputWritten && !result.everyInputOpened, "a run that met a missing input reported success");
        check(host.notices == notices, "the notices differ from the model's");
        check(files.files == before, "a run that met a missing input changed the files");
        check(host.queue.entries() == queued, "a run that met a missing input did not give the batch back");
        check(host.prefixField == prefix && host.outputField == outputPath,
              "a run that met a missing input changed the fields");
        return 0;
    }
    check(failure != Failure::Commit, "a failing commit went unreported");
    check(!(failure == Failure::Write && expected.size() > strikeAt), "a failing write went unreported");
    check(!(failInputClose && !contents.empty()), "a failing input close went unreported");
    check(result.outputWritten && result.everyInputOpened, "the run's result differs");
    check(host.notices == notices, "the notices differ from the model's");
    const std::string& out = files.files.at(outputPath);
    std::size_t announced = 0;
    for (const Notice& notice : host.notices) {
        if (notice.kind == NoticeKind::PointsExtracted)
            announced += static_cast<std::size_t>(notice.count);
    }
    // A prefix taken unsanitized (Enter pressed in its field) is written as typed; only a
    // prefix without line breaks and tabs can give a well-formed file.
    if (prefix.find_first_of("\t\r\n") == std::string::npos)
        check(checkWellFormed(out, prefix) == announced, "data lines differ from the points announced");
    check(out == expected, "the output differs from the model's bytes");
    check(host.queue.empty() && host.prefixField.empty() && host.outputField.empty(),
          "a finished run left the batch or the fields");
    return 0;
}
