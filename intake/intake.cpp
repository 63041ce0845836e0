#include "intake/intake.h"

#include "core/run/notice.h"
#include "core/waves/wave_name.h"

#include <utility>

namespace kivo::intake {

PathParts splitPath(std::string_view path, char separator, core::CodePage page)
{
    // The dot is looked for in the whole path, not only in its last part: a dotted folder
    // above an extensionless name still yields an extension, and users have long relied on
    // the names this gives (C:\run.1\data queues as run.1\data with the prefix run).
    const std::size_t dot = core::findLastChar(path, '.', page);
    std::string_view stem = path;
    std::string_view extension;
    if (dot != std::string_view::npos) {
        stem = path.substr(0, dot);
        extension = path.substr(dot + 1);
    }

    PathParts parts;
    parts.extension = std::string(extension);
    const std::size_t slash = core::findLastChar(stem, separator, page);
    if (slash == std::string_view::npos) {
        parts.directory = std::string(stem);
    } else {
        parts.directory = std::string(stem.substr(0, slash));
        parts.name = std::string(stem.substr(slash + 1));
    }
    return parts;
}

bool sanitizePrefix(std::string& prefix)
{
    // Igor refuses wave names over 255 bytes; the longest suffix, _LongMomentSD, takes 13.
    return core::sanitizeWaveName(prefix, kMaxPrefixSize);
}

void SanitizeWavePrefix(core::Host& host)
{
    host.exchange(core::Exchange::FromControls);
    std::string sanitized = host.wavePrefix;
    // The notice comes before the value changes: while it is open the field still shows
    // what the user typed.
    if (sanitizePrefix(sanitized))
        host.notify({core::NoticeKind::PrefixFirstLetter, {}});
    host.wavePrefix = std::move(sanitized);
    host.exchange(core::Exchange::ToControls);
}

void AddDroppedFiles(core::Host& host, const std::vector<std::string>& paths, char separator,
                     core::CodePage page)
{
    host.exchange(core::Exchange::FromControls);
    const std::size_t countBefore = host.queueCount();

    for (const std::string& path : paths) {
        const PathParts parts = splitPath(path, separator, page);
        if (parts.extension.empty()) {
            host.notify({core::NoticeKind::DirectoryDropped, {}});
            continue;
        }

        const std::string base = parts.directory + separator + parts.name;
        host.queueAppend({parts.name + "." + parts.extension, base + "." + parts.extension});
        // Only empty fields take defaults, so the first usable file of a batch decides
        // them and whatever the user typed stays.
        if (host.outputPath.empty())
            host.outputPath = base + ".itx";
        if (host.wavePrefix.empty())
            host.wavePrefix = parts.name;
        host.exchange(core::Exchange::ToControls);
        SanitizeWavePrefix(host);
    }

    // Told once per growth of the queue past one entry, counting from before the drop, so
    // three files dropped onto an empty queue give one notice and later drops none.
    // The detailed output keeps each file apart, so nothing is concatenated to tell of.
    if (countBefore < 2 && host.queueCount() > 1 && !host.detailed)
        host.notify({core::NoticeKind::FilesConcatenated, {}});
}

} // namespace kivo::intake
