#include "core/run/conversion_run.h"

#include "core/run/detailed_run.h"
#include "core/output/detailed_writer.h"
#include "core/files/io_error.h"
#include "core/output/itx_writer.h"
#include "core/input/squid_reader.h"

#include <optional>
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
    // Files written by other instruments carry other columns; the window passes them over
    // without a notice.
    case PreambleOutcome::NoColumnLine:
        host.passedOver(displayName, because(ReasonKind::NoColumnLine));
        return;
    case PreambleOutcome::ColumnMismatch:
        host.passedOver(displayName, because(ReasonKind::ColumnsNotRead));
        return;
    case PreambleOutcome::Rows:
        break;
    }
    const std::int64_t momentRowsBefore = writer.momentRows();
    std::int64_t count = 0;
    while (reader.nextRow(writer))
        ++count;
    host.notify({NoticeKind::PointsExtracted, displayName, count});
    // An AC measurement leaves the moment columns empty; its values are in the detailed output.
    if (count > 0 && writer.momentRows() == momentRowsBefore)
        host.notify({NoticeKind::NoMoment, displayName});
}

// Converts the queue front first, removing each entry once its file is done. Stops at the
// first file that cannot be opened, leaving it queued, and returns its notice.
std::optional<Notice> convertQueue(Host& host, ItxWriter& writer, FileSystem& files, CodePage page)
{
    while (host.queueCount() > 0) {
        const QueueEntry entry = host.queueFront();
        SquidDataReader reader(page);
        if (!reader.open(files, entry.fullPath))
            return Notice{NoticeKind::FileNotOpen, entry.displayName, 0, files.failureReason()};
        convertFile(host, reader, writer, entry.displayName);
        reader.close();
        host.queueRemoveFront();
    }
    return std::nullopt;
}

// What the run started from, to give back when it does not finish.
struct Batch {
    const std::vector<QueueEntry>& queued;
    const std::string& prefix;
    const std::string& outputPath;
};

// Gives the user back the batch as it was before the run, so that it can be converted
// again once the cause is mended.
void restoreBatch(Host& host, const Batch& batch)
{
    while (host.queueCount() > 0)
        host.queueRemoveFront();
    for (const QueueEntry& entry : batch.queued)
        host.queueAppend(entry);
    host.wavePrefix = batch.prefix;
    host.outputPath = batch.outputPath;
    host.exchange(Exchange::ToControls);
}

// Creates the output with `writer` and has `convert` write the queue into it; the output is
// put in place only when `convert` returns no notice of a file it could not open. False,
// with the notice told, when the output cannot be created.
template <typename Writer, typename Convert>
bool writeOutput(Host& host, Writer& writer, FileSystem& files, const std::string& outputPath, const Batch& batch,
                 std::optional<Notice>& unopened, Convert convert)
{
    // The output is discarded with the writer unless it was closed.
    if (!writer.create(files, outputPath)) {
        host.notify({NoticeKind::OutfileNotOpen, {}, 0, files.failureReason()});
        return false;
    }
    try {
        unopened = convert();
        if (!unopened)
            writer.close();
    } catch (...) {
        // Whatever ended the run (a failed read or write, memory running out), the
        // window must not be left with the queue half drained.
        restoreBatch(host, batch);
        throw;
    }
    return true;
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
        host.notify({NoticeKind::OutfileNotOpen, {}, 0,
                     because(ReasonKind::OutputNamesInput, systemTextToUtf8(input->displayName))});
        return result;
    }
    std::optional<Notice> unopened;
    bool created = false;
    if (host.detailed) {
        DetailedWriter writer(page);
        created = writeOutput(host, writer, files, outputPath, {queued, prefix, outputPath}, unopened, [&] {
            writer.writeKeyword();
            return convertQueueDetailed(host, writer, prefix, files, page);
        });
    } else {
        ItxWriter writer;
        created = writeOutput(host, writer, files, outputPath, {queued, prefix, outputPath}, unopened, [&] {
            writer.writeHeader(prefix);
            std::optional<Notice> notice = convertQueue(host, writer, files, page);
            if (!notice)
                writer.writeTrailer(prefix);
            return notice;
        });
    }
    if (!created)
        return result;
    if (unopened) {
        // An output without that file's rows would pass for the whole batch: the run ends
        // there, as at a read error, and the earlier output stays.
        restoreBatch(host, {queued, prefix, outputPath});
        host.notify(*unopened);
        result.everyInputOpened = false;
        return result;
    }

    result.outputWritten = true;
    host.outputPath.clear();
    host.wavePrefix.clear();
    host.exchange(Exchange::ToControls);
    return result;
}

} // namespace kivo::core
