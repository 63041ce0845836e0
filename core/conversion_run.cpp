#include "core/conversion_run.h"

#include "core/detailed_run.h"
#include "core/io_error.h"
#include "core/itx_writer.h"
#include "core/squid_reader.h"

#include <vector>

namespace kivo::core {

namespace {

std::vector<QueueEntry> queueSnapshot(const Host& host)
{
    std::vector<QueueEntry> entries;
    entries.reserve(host.queueCount());
    for (std::size_t i = 0; i < host.queueCount(); ++i)
        entries.push_back(host.queueEntry(i));
    return entries;
}

// The queued input that the output would replace, or null.
const QueueEntry* inputAtOutput(FileSystem& files, const std::string& output, const std::vector<QueueEntry>& queue)
{
    for (const QueueEntry& entry : queue) {
        if (files.sameFile(output, entry.fullPath))
            return &entry;
    }
    return nullptr;
}

// Converts one opened file's rows into the output and tells the user how it went.
void convertFile(Host& host, SquidDataReader& reader, ItxWriter& writer, const std::string& displayName)
{
    switch (reader.readPreamble()) {
    case PreambleOutcome::NotSquid:
        host.notify({NoticeKind::NotSquid, displayName});
        return;
    case PreambleOutcome::NoDataSection:
        host.notify({NoticeKind::NoDataSection, displayName});
        return;
    case PreambleOutcome::NoColumnLine:
    case PreambleOutcome::ColumnMismatch:
        // Files written by other instruments carry other columns; they are passed over quietly.
        return;
    case PreambleOutcome::Rows:
        break;
    }
    std::int64_t count = 0;
    while (reader.nextRow(writer))
        ++count;
    host.notify({NoticeKind::PointsExtracted, displayName, count});
}

} // namespace

RunResult OnMakeItx(Host& host, PrefixCheck checkPrefix, FileSystem& files, CodePage page)
{
    host.exchange(Exchange::FromControls);
    if (checkPrefix != nullptr)
        checkPrefix(host);
    // One prefix for header and trailer, even if the field changes while a notice is open.
    const std::string prefix = host.wavePrefix;
    const std::string outputPath = host.outputPath;
    const std::vector<QueueEntry> queued = queueSnapshot(host);

    RunResult result;
    // Replacing a queued input with the output would destroy the measurement it converts.
    if (const QueueEntry* input = inputAtOutput(files, outputPath, queued)) {
        host.notify(
            {NoticeKind::OutfileNotOpen, {}, 0, "the output names the input " + systemTextToUtf8(input->displayName)});
        return result;
    }
    if (host.detailed)
        return runDetailed(host, {prefix, outputPath, queued}, files, page);
    ItxWriter writer;
    if (!writer.create(files, outputPath)) {
        host.notify({NoticeKind::OutfileNotOpen, {}, 0, files.failureReason()});
        return result;
    }

    try {
        writer.writeHeader(prefix);
        while (host.queueCount() > 0) {
            const QueueEntry entry = host.queueFront();
            SquidDataReader reader(page);
            if (reader.open(files, entry.fullPath)) {
                convertFile(host, reader, writer, entry.displayName);
                reader.close();
            } else {
                // One unreadable file must not cost the user the rest of the batch.
                host.notify({NoticeKind::FileNotOpen, entry.displayName, 0, files.failureReason()});
                result.everyInputOpened = false;
            }
            host.queueRemoveFront();
        }
        writer.writeTrailer(prefix);
        writer.close();
    } catch (const IoError&) {
        // The output is discarded with the writer; give the user back the batch as it was
        // so that it can be converted again once the cause is mended.
        while (host.queueCount() > 0)
            host.queueRemoveFront();
        for (const QueueEntry& entry : queued)
            host.queueAppend(entry);
        host.wavePrefix = prefix;
        host.outputPath = outputPath;
        host.exchange(Exchange::ToControls);
        throw;
    }

    result.outputWritten = true;
    host.outputPath.clear();
    host.wavePrefix.clear();
    host.exchange(Exchange::ToControls);
    return result;
}

} // namespace kivo::core
