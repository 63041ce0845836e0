// Dropped paths and typed prefixes of arbitrary bytes through path splitting, the wave-prefix
// sanitizer and the whole drop intake, in both code pages and with both separators.
//
// Input: one option byte (bit 0 CP932, bit 1 backslash separators), then dropped paths
// separated by 0x1E. Each path is also typed into the prefix field once.
//
// The model below is written from the intake's rules, character by character, and shares no
// code with intake/: a copy of the product could never disagree with it.

#include "core/run/notice.h"
#include "fuzz_check.h"
#include "intake/intake.h"
#include "memory_files.h"
#include "recording_window.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using kivo::core::CodePage;
using kivo::core::Notice;
using kivo::core::NoticeKind;
using kivo::core::QueueEntry;
using kivo::intake::PathParts;
using kivo::testing::check;
using kivo::testing::RecordingHost;

namespace {

constexpr std::string_view kAsciiLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kAsciiDigits = "0123456789";

bool isLetter(char c)
{
    return kAsciiLetters.find(c) != std::string_view::npos;
}

bool isWaveNameByte(char c)
{
    return isLetter(c) || kAsciiDigits.find(c) != std::string_view::npos || c == '_';
}

// The characters of `path`, each as its own bytes: under CP932 a byte 0x81..0x9F or
// 0xE0..0xFC takes the byte after it along when that one is 0x40..0x7E or 0x80..0xFC, so
// that second byte is never a character of its own.
std::vector<std::string> characters(std::string_view path, CodePage page)
{
    std::vector<std::string> chars;
    for (std::size_t at = 0; at < path.size();) {
        const unsigned byte = static_cast<unsigned char>(path[at]);
        const bool pair = page == CodePage::Cp932 && ((0x81 <= byte && byte <= 0x9F) || (0xE0 <= byte && byte <= 0xFC))
                          && at + 1 < path.size();
        const unsigned next = pair ? static_cast<unsigned char>(path[at + 1]) : 0;
        const std::size_t width = pair && ((0x40 <= next && next <= 0x7E) || (0x80 <= next && next <= 0xFC)) ? 2 : 1;
        chars.emplace_back(path.substr(at, width));
        at += width;
    }
    return chars;
}

std::string joined(const std::vector<std::string>& chars, std::size_t from, std::size_t to)
{
    std::string text;
    for (std::size_t k = from; k < to; ++k)
        text += chars[k];
    return text;
}

// A split path, and which of its two marks it held.
struct ModelSplit {
    PathParts parts;
    bool hasDot = false;       // the path holds a "." of its own
    bool hasSeparator = false; // the text before that "." holds a separator of its own
};

// Working from the end: the extension follows the last "." anywhere in the path; the stem
// before it splits at its last separator into directory and name, and without a separator
// the directory is the whole stem and the name is empty.
ModelSplit modelSplit(std::string_view path, char separator, CodePage page)
{
    const std::vector<std::string> chars = characters(path, page);
    const std::string dot(1, '.');
    const std::string slash(1, separator);

    ModelSplit split;
    std::size_t stemEnd = chars.size();
    for (std::size_t k = chars.size(); k-- > 0;) {
        if (chars[k] == dot) {
            split.hasDot = true;
            split.parts.extension = joined(chars, k + 1, chars.size());
            stemEnd = k;
            break;
        }
    }
    split.parts.directory = joined(chars, 0, stemEnd);
    for (std::size_t k = stemEnd; k-- > 0;) {
        if (chars[k] == slash) {
            split.hasSeparator = true;
            split.parts.directory = joined(chars, 0, k);
            split.parts.name = joined(chars, k + 1, stemEnd);
            break;
        }
    }
    return split;
}

struct ModelPrefix {
    std::string prefix;
    bool firstLetterNotice;
};

// The sanitizer's rules: a first byte that is not an ASCII letter (or no first byte) gives
// the notice and becomes "w"; each later byte outside letters, digits and "_" becomes "_";
// only the first 242 bytes are kept, so that PREFIX_LongMomentSD fits Igor's 255.
ModelPrefix modelSanitize(const std::string& typed)
{
    ModelPrefix result{"", typed.empty() || !isLetter(typed.front())};
    result.prefix = result.firstLetterNotice ? "w" : typed.substr(0, 1);
    for (std::size_t k = 1; k < typed.size() && k < 242; ++k)
        result.prefix.push_back(isWaveNameByte(typed[k]) ? typed[k] : '_');
    return result;
}

void checkSanitizer(const std::string& typed)
{
    std::string prefix = typed;
    const bool replacedFirst = kivo::intake::sanitizePrefix(prefix);
    const ModelPrefix model = modelSanitize(typed);
    check(prefix == model.prefix, "sanitizer: result differs from the model");
    check(replacedFirst == model.firstLetterNotice, "sanitizer: wrong answer for the first byte");
    check(!prefix.empty() && isLetter(prefix[0]), "sanitizer: result does not start with an ASCII letter");
    for (char c : prefix)
        check(isWaveNameByte(c), "sanitizer: result holds a byte outside letters, digits and _");
    // Igor takes wave names of up to 255 bytes; _LongMomentSD is 13 of them.
    check(prefix.size() == (typed.empty() ? 1 : std::min<std::size_t>(typed.size(), 242)), "sanitizer: wrong length");
    std::string again = prefix;
    check(!kivo::intake::sanitizePrefix(again) && again == prefix, "sanitizer: not idempotent");

    RecordingHost host;
    host.prefixField = typed;
    kivo::intake::SanitizeWavePrefix(host);
    check(host.prefixField == model.prefix, "field sanitizer: field differs from the model");
    const std::vector<Notice> expected = model.firstLetterNotice
                                             ? std::vector<Notice>{{NoticeKind::PrefixFirstLetter, {}}}
                                             : std::vector<Notice>{};
    check(host.notices == expected, "field sanitizer: notices differ");
}

// One drop onto an empty window, as the intake's rules tell it.
void checkDrop(const std::vector<std::string>& paths, char separator, CodePage page)
{
    RecordingHost host;
    kivo::intake::AddDroppedFiles(host, paths, separator, page);

    std::vector<Notice> expectedNotices;
    std::vector<QueueEntry> expectedQueue;
    std::string outputPath;
    std::string wavePrefix;
    for (const std::string& path : paths) {
        const PathParts parts = modelSplit(path, separator, page).parts;
        if (parts.extension.empty()) {
            expectedNotices.push_back({NoticeKind::DirectoryDropped, {}});
            continue;
        }
        const std::string file = parts.name + "." + parts.extension;
        expectedQueue.push_back({file, parts.directory + separator + file});
        if (outputPath.empty())
            outputPath = parts.directory + separator + parts.name + ".itx";
        const ModelPrefix sanitized = modelSanitize(wavePrefix.empty() ? parts.name : wavePrefix);
        if (sanitized.firstLetterNotice)
            expectedNotices.push_back({NoticeKind::PrefixFirstLetter, {}});
        wavePrefix = sanitized.prefix;
    }
    // The queue was empty before the drop, so growing past one entry tells of concatenation.
    if (expectedQueue.size() >= 2)
        expectedNotices.push_back({NoticeKind::FilesConcatenated, {}});

    check(std::vector<QueueEntry>(host.queue.entries().begin(), host.queue.entries().end()) == expectedQueue,
          "drop: queue differs");
    check(host.notices == expectedNotices, "drop: notices differ");
    check(host.outputField == outputPath, "drop: output path differs");
    check(host.prefixField == wavePrefix, "drop: wave prefix differs");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    const CodePage page = (bytes[0] & 1U) != 0 ? CodePage::Cp932 : CodePage::Utf8;
    const char separator = (bytes[0] & 2U) != 0 ? '\\' : '/';
    const std::string_view body(reinterpret_cast<const char*>(bytes) + 1, size - 1);

    std::vector<std::string> paths;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = body.find('\x1E', start);
        paths.emplace_back(body.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos)
            break;
        start = at + 1;
    }

    for (const std::string& path : paths) {
        const PathParts parts = kivo::intake::splitPath(path, separator, page);
        const ModelSplit model = modelSplit(path, separator, page);
        check(parts == model.parts, "splitPath differs from the model");
        // Nothing is lost or invented: the parts put together give the path back.
        std::string whole = parts.directory;
        if (model.hasSeparator)
            whole += separator + parts.name;
        if (model.hasDot)
            whole += "." + parts.extension;
        check(whole == path, "splitPath: parts do not give the path back");
        checkSanitizer(path);
    }
    checkDrop(paths, separator, page);
    return 0;
}
