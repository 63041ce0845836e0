// Dropped paths and typed prefixes of arbitrary bytes through path splitting, the wave-prefix
// sanitizer and the whole drop intake, in both code pages and with both separators.
//
// Input: one option byte (bit 0 CP932, bit 1 backslash separators), then dropped paths
// separated by 0x1E. Each path is also typed into the prefix field once.

#include "core/notice.h"
#include "intake/intake.h"
#include "memory_files.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using kivo::core::CodePage;
using kivo::core::Notice;
using kivo::core::NoticeKind;
using kivo::core::QueueEntry;
using kivo::intake::PathParts;
using kivo::testing::RecordingHost;

namespace {

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_intake: %s\n", what);
    std::abort();
}

void check(bool ok, const char* what)
{
    if (!ok)
        fail(what);
}

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isWaveNameByte(char c)
{
    return isLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

// The last position of `c` as a character of its own, walking characters from the start.
std::size_t modelFindLast(std::string_view text, char c, CodePage page)
{
    std::size_t last = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (page == CodePage::Cp932 && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC))) {
            ++i;
            continue;
        }
        if (text[i] == c)
            last = i;
    }
    return last;
}

PathParts modelSplit(std::string_view path, char separator, CodePage page)
{
    const std::size_t dot = modelFindLast(path, '.', page);
    const std::string_view stem = dot == std::string_view::npos ? path : path.substr(0, dot);
    PathParts parts;
    if (dot != std::string_view::npos)
        parts.extension = std::string(path.substr(dot + 1));
    const std::size_t slash = modelFindLast(stem, separator, page);
    if (slash == std::string_view::npos) {
        parts.directory = std::string(stem);
    } else {
        parts.directory = std::string(stem.substr(0, slash));
        parts.name = std::string(stem.substr(slash + 1));
    }
    return parts;
}

void checkSanitizer(const std::string& typed)
{
    std::string prefix = typed;
    const bool replacedFirst = kivo::intake::sanitizePrefix(prefix);
    check(replacedFirst == (typed.empty() || !isLetter(typed[0])), "sanitizer: wrong answer for the first byte");
    check(!prefix.empty() && isLetter(prefix[0]), "sanitizer: result does not start with an ASCII letter");
    for (char c : prefix)
        check(isWaveNameByte(c), "sanitizer: result holds a byte outside letters, digits and _");
    // Igor takes wave names of up to 255 bytes; _LongMomentSD is 13 of them.
    check(prefix.size() == (typed.empty() ? 1 : std::min<std::size_t>(typed.size(), 242)), "sanitizer: wrong length");
    for (std::size_t i = 1; i < prefix.size(); ++i) {
        if (isWaveNameByte(typed[i]))
            check(prefix[i] == typed[i], "sanitizer: a good byte was replaced");
    }
    std::string again = prefix;
    check(!kivo::intake::sanitizePrefix(again) && again == prefix, "sanitizer: not idempotent");

    RecordingHost host;
    host.prefixField = typed;
    kivo::intake::SanitizeWavePrefix(host);
    check(host.prefixField == prefix, "field sanitizer: field differs from sanitizePrefix");
    const std::vector<Notice> expected =
        replacedFirst ? std::vector<Notice>{{NoticeKind::PrefixFirstLetter, {}}} : std::vector<Notice>{};
    check(host.notices == expected, "field sanitizer: notices differ");
}

void checkDrop(const std::vector<std::string>& paths, char separator, CodePage page)
{
    RecordingHost host;
    kivo::intake::AddDroppedFiles(host, paths, separator, page);

    std::vector<Notice> notices;
    std::vector<QueueEntry> queue;
    std::string output;
    std::string prefix;
    for (const std::string& path : paths) {
        const PathParts parts = modelSplit(path, separator, page);
        if (parts.extension.empty()) {
            notices.push_back({NoticeKind::DirectoryDropped, {}});
            continue;
        }
        const std::string base = parts.directory + separator + parts.name;
        queue.push_back({parts.name + "." + parts.extension, base + "." + parts.extension});
        if (output.empty())
            output = base + ".itx";
        if (prefix.empty())
            prefix = parts.name;
        if (prefix.empty() || !isLetter(prefix[0]))
            notices.push_back({NoticeKind::PrefixFirstLetter, {}});
        kivo::intake::sanitizePrefix(prefix);
    }
    if (queue.size() > 1)
        notices.push_back({NoticeKind::FilesConcatenated, {}});

    check(std::vector<QueueEntry>(host.queue.entries().begin(), host.queue.entries().end()) == queue, "drop: queue differs");
    check(host.notices == notices, "drop: notices differ");
    check(host.outputField == output, "drop: output path differs");
    check(host.prefixField == prefix, "drop: wave prefix differs");
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
        check(parts == modelSplit(path, separator, page), "splitPath differs from the model");
        // Nothing is lost or invented: the parts put together give the path back.
        const std::size_t dot = modelFindLast(path, '.', page);
        const std::string_view stem = std::string_view(path).substr(0, dot);
        std::string whole = modelFindLast(stem, separator, page) != std::string_view::npos
                                ? parts.directory + separator + parts.name
                                : parts.directory;
        if (dot != std::string_view::npos)
            whole += "." + parts.extension;
        check(whole == path, "splitPath: parts do not give the path back");
        checkSanitizer(path);
    }
    checkDrop(paths, separator, page);
    return 0;
}
