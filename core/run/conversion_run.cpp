#include "core/run/conversion_run.h"

#include "core/input/squid_reader.h"
#include "core/output/detailed_writer.h"
#include "core/output/itx_writer.h"
#include "core/run/run_summary.h"
#include "core/waves/igor_number.h"
#include "core/waves/wave_name.h"

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

namespace kivo::core {

namespace {

// The normal output: five waves named after the prefix, every file's rows one after the
// other.
class NormalOutput {
public:
    static constexpr OutputKind kKind = OutputKind::Normal;

    explicit NormalOutput(const std::string& prefix) : m_prefix(prefix) {}

    bool create(FileSystem& files, const std::string& path) { return m_writer.create(files, path); }
    void begin() { m_writer.writeHeader(m_prefix); }
    static constexpr bool surveys() { return false; }
    void survey(SquidDataReader& /*reader*/) {}
    static void nextEntry() {}
    static FileHeader* header() { return nullptr; }
    void beginFile(SquidDataReader& /*reader*/, const QueueEntry& /*entry*/) { m_momentRows = m_writer.momentRows(); }
    void writeRow(std::span<const std::string_view> values) { m_writer.writeRow(values); }
    void endFile(const QueueEntry& /*entry*/) { m_writer.settle(); }
    void end() { m_writer.writeTrailer(m_prefix); }
    void close() { m_writer.close(); }
    // Every file's outcome is told as it comes.
    void tell(Host& host, const Notice& notice)
    {
        host.notify(notice);
        // An AC measurement leaves the moment columns empty; its values are in the detailed
        // output, which the user would not think of from a count of points alone.
        if (notice.kind == NoticeKind::PointsExtracted && notice.count > 0 && m_writer.momentRows() == m_momentRows)
            host.notify({NoticeKind::NoMoment, notice.name});
    }
    // Files written by other instruments carry other columns; the window passes them over
    // without a notice, and the command line tells why.
    static void passOver(Host& host, const std::string& displayName, const Reason& reason)
    {
        host.passedOver(displayName, reason);
    }
    // The five waves are declared whatever the files give, as they always were.
    static constexpr bool wroteAny() { return true; }
    static void finish(Host& /*host*/, const std::string& /*written*/) {}

private:
    const std::string& m_prefix;
    ItxWriter m_writer;
    std::int64_t m_momentRows = 0; // before the file being written
};

// The waves every plan begins with: time, field and temperature.
constexpr WaveSet kAlways = waveBit(0) | waveBit(1) | waveBit(2);

// The detailed output: each file in a data folder of its own, with the waves that hold a
// number in some row, their units, and the file's header in their notes. Each file is read
// twice: once to see which waves hold a number, once to write them.
class DetailedOutput {
public:
    static constexpr OutputKind kKind = OutputKind::Detailed;

    // The stems of every queued file are made unique before anything is written, so that
    // no file takes a name that a later file has of its own.
    DetailedOutput(const std::string& prefix, const std::vector<QueueEntry>& queued, CodePage page)
        : m_prefix(prefix), m_writer(page)
    {
        std::vector<std::string> stems;
        stems.reserve(queued.size());
        for (const QueueEntry& entry : queued)
            stems.push_back(fileStem(entry.displayName, page));
        m_stems = uniqueStems(stems);
    }

    bool create(FileSystem& files, const std::string& path) { return m_writer.create(files, path); }
    void begin() { m_writer.beginBatch(m_prefix); }
    static constexpr bool surveys() { return true; }

    // Finds the waves other than time, field and temperature that hold a number in some
    // row. Reads only as far as the answer is open, and each row only as far as the open
    // waves stand.
    void survey(SquidDataReader& reader)
    {
        const WavePlan whole = reader.plan();
        WaveSet open = whole.all() & ~kAlways;
        WaveSet found = 0;
        reader.usePlan(whole.only(open));
        while (open != 0 && reader.nextRow()) {
            const std::span<const std::string_view> values = reader.row();
            WaveSet now = 0;
            std::size_t k = 0;
            for (int wave = 0; wave < static_cast<int>(whole.waves.size()); ++wave) {
                if ((open & waveBit(wave)) != 0 && holdsNumber(values[k++]))
                    now |= waveBit(wave);
            }
            if (now != 0) {
                found |= now;
                open &= ~now;
                reader.usePlan(whole.only(open));
            }
        }
        m_waves = kAlways | whole.withTheirValues(found);
    }

    // Each queued file in turn, the next stem with it.
    void nextEntry() { ++m_entry; }
    FileHeader* header()
    {
        m_header.emplace();
        return &*m_header;
    }
    void beginFile(SquidDataReader& reader, const QueueEntry& /*entry*/)
    {
        m_layout = reader.plan().layout.kind;
        reader.usePlan(reader.plan().only(m_waves));
        m_writer.beginBlock(stem(), reader.plan().waves);
    }
    void writeRow(std::span<const std::string_view> values) { m_writer.writeRow(values); }
    void endFile(const QueueEntry& entry)
    {
        const SampleFacts& facts = m_header->facts;
        std::optional<DateOffset> date;
        if (facts.openingTime)
            date = igorDateOffset(*facts.openingTime, m_layout);
        m_writer.endBlock({entry.fullPath, m_header->notes.lines(), facts, date});
        m_summary.longNames = m_writer.longestName() > kMaxOldNameSize;
    }
    void end() { m_writer.endBatch(m_prefix); }
    void close() { m_writer.close(); }
    // A batch of hundreds of files would need as many OKs: the outcomes are told together
    // once the output is in place.
    void tell(Host& /*host*/, const Notice& notice)
    {
        m_summary.files.push_back({notice.name, notice.kind, {}, notice.count});
        if (notice.kind == NoticeKind::PointsExtracted)
            m_summary.files.back().folder = stem();
    }
    // The user chose this output to see every file's waves: one passed over is told.
    void passOver(Host& host, const std::string& displayName, const Reason& /*reason*/)
    {
        tell(host, {NoticeKind::NoKnownColumns, displayName});
    }
    // An output of no file would replace an earlier one with nothing.
    bool wroteAny() const
    {
        return std::any_of(m_summary.files.begin(), m_summary.files.end(),
                           [](const RunSummary::File& f) { return f.outcome == NoticeKind::PointsExtracted; });
    }
    void finish(Host& host, const std::string& written)
    {
        m_summary.output = written;
        host.notify(summaryNotice(m_summary));
    }

private:
    const std::string& stem() const { return m_stems.at(m_entry - 1); }

    const std::string& m_prefix;
    DetailedWriter m_writer;
    std::vector<std::string> m_stems;
    std::size_t m_entry = 0;
    WaveSet m_waves = 0;
    RowLayout::Kind m_layout = RowLayout::Kind::Older;
    std::optional<FileHeader> m_header;
    RunSummary m_summary;
};

// Tells the user of a file that gives no rows.
template <typename Output>
void tellNoRows(Host& host, Output& output, PreambleOutcome outcome, const std::string& displayName)
{
    switch (outcome) {
    case PreambleOutcome::NotSquid:
        output.tell(host, {NoticeKind::NotSquid, displayName});
        return;
    case PreambleOutcome::NoDataSection:
        output.tell(host, {NoticeKind::NoDataSection, displayName});
        return;
    case PreambleOutcome::NoColumnLine:
        output.passOver(host, displayName, because(ReasonKind::NoColumnLine));
        return;
    case PreambleOutcome::ColumnMismatch:
        output.passOver(host, displayName, because(ReasonKind::ColumnsNotRead));
        return;
    case PreambleOutcome::Rows:
        return;
    }
}

// Converts the queue front first into `output`, removing each entry once its file is done.
// Stops at the first file that cannot be opened, leaving it queued, and returns its notice.
template <typename Output>
std::optional<Notice> convertQueue(Host& host, Output& output, FileSystem& files, CodePage page)
{
    while (host.queueCount() > 0) {
        const QueueEntry entry = host.queueFront();
        output.nextEntry();
        // A file is read once, or twice where the output first surveys its rows; the file
        // is read again from its start, since inputs are regular files.
        for (bool surveying = Output::surveys();; surveying = false) {
            SquidDataReader reader(page, Output::kKind);
            if (!reader.open(files, entry.fullPath))
                return Notice{NoticeKind::FileNotOpen, entry.displayName, 0, files.failureReason()};
            const PreambleOutcome outcome = reader.readPreamble(surveying ? nullptr : output.header());
            if (outcome != PreambleOutcome::Rows) {
                // A file changed between two readings is told as what it is now.
                tellNoRows(host, output, outcome, entry.displayName);
                reader.close();
                break;
            }
            if (surveying) {
                output.survey(reader);
                reader.close();
                continue;
            }
            output.beginFile(reader, entry);
            std::int64_t count = 0;
            while (reader.nextRow()) {
                output.writeRow(reader.row());
                ++count;
            }
            output.endFile(entry);
            output.tell(host, {NoticeKind::PointsExtracted, entry.displayName, count});
            reader.close();
            break;
        }
        host.queueRemoveFront();
    }
    return std::nullopt;
}

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

// Creates the output, converts the queue into it and tells how it went. The output is put
// in place only when every queued file could be opened and it holds what the user asked
// for; otherwise an earlier file stays, and the batch is given back at a file that could
// not be opened.
template <typename Output>
RunResult writeOutput(Host& host, Output& output, FileSystem& files, CodePage page, const Batch& batch)
{
    RunResult result;
    // The output is discarded with its writer unless it was closed.
    if (!output.create(files, batch.outputPath)) {
        host.notify({NoticeKind::OutfileNotOpen, {}, 0, files.failureReason()});
        return result;
    }
    std::optional<Notice> unopened;
    try {
        output.begin();
        unopened = convertQueue(host, output, files, page);
        if (!unopened && output.wroteAny()) {
            output.end();
            output.close();
            result.outputWritten = true;
        }
    } catch (...) {
        // Whatever ended the run (a failed read or write, memory running out), the
        // window must not be left with the queue half drained.
        restoreBatch(host, batch);
        throw;
    }
    if (unopened) {
        // An output without that file's rows would pass for the whole batch: the run ends
        // there, as at a read error, and the earlier output stays.
        restoreBatch(host, batch);
        host.notify(*unopened);
        result.everyInputOpened = false;
        return result;
    }
    output.finish(host, result.outputWritten ? batch.outputPath : std::string());
    host.outputPath.clear();
    host.wavePrefix.clear();
    host.exchange(Exchange::ToControls);
    return result;
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
    const Batch batch{queued, prefix, outputPath};

    // Replacing a queued input with the output would destroy the measurement it converts.
    if (const QueueEntry* input = inputAtOutput(files, outputPath, queued)) {
        host.notify({NoticeKind::OutfileNotOpen, {}, 0,
                     because(ReasonKind::OutputNamesInput, systemTextToUtf8(input->displayName))});
        return {};
    }
    if (host.detailed) {
        DetailedOutput output(prefix, queued, page);
        return writeOutput(host, output, files, page, batch);
    }
    NormalOutput output(prefix);
    return writeOutput(host, output, files, page, batch);
}

} // namespace kivo::core
