#include "core/run/detailed_run.h"

#include "core/input/detailed_reader.h"
#include "core/output/detailed_writer.h"
#include "core/waves/wave_name.h"

#include <array>
#include <cstdint>

namespace kivo::core {

namespace {

constexpr WaveSet kAlways = waveBit(kTime) | waveBit(kField) | waveBit(kTemperature);

bool isDigit(char c) noexcept
{
    return c >= '0' && c <= '9';
}

// Whether Igor reads `value` as a number other than NaN: a decimal number with an optional
// sign, point and exponent, or an infinity, with blanks around it.
bool holdsNumber(std::string_view value) noexcept
{
    if (value.size() > DetailedReader::kMaxValueBytes)
        return false;
    while (!value.empty() && value.front() == ' ')
        value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ')
        value.remove_suffix(1);
    if (!value.empty() && (value.front() == '+' || value.front() == '-'))
        value.remove_prefix(1);
    if (value == "INF" || value == "inf" || value == "Inf")
        return true;
    std::size_t i = 0;
    std::size_t digits = 0;
    for (; i < value.size() && isDigit(value[i]); ++i)
        ++digits;
    if (i < value.size() && value[i] == '.') {
        for (++i; i < value.size() && isDigit(value[i]); ++i)
            ++digits;
    }
    if (digits == 0)
        return false;
    if (i < value.size() && (value[i] == 'e' || value[i] == 'E')) {
        ++i;
        if (i < value.size() && (value[i] == '+' || value[i] == '-'))
            ++i;
        if (i == value.size() || !isDigit(value[i]))
            return false;
        while (i < value.size() && isDigit(value[i]))
            ++i;
    }
    return i == value.size();
}

// Converts one queued file into its block, or tells why it has none; false when the file
// cannot be opened.
class FileConversion {
public:
    FileConversion(Host& host, FileSystem& files, CodePage page, DetailedWriter& writer, FolderNames& folders)
        : m_host(host), m_files(files), m_page(page), m_writer(writer), m_folders(folders)
    {
    }

    bool convert(const QueueEntry& entry, const std::string& prefix)
    {
        DetailedReader first(m_page);
        if (!first.open(m_files, entry.fullPath))
            return false;
        const DetailedOutcome outcome = first.readPreamble();
        if (outcome != DetailedOutcome::Rows) {
            first.close();
            tell(outcome, entry.displayName);
            return true;
        }
        const WaveSet waves = kAlways | wavesWithNumbers(first);
        first.close();

        // The file is read again from its start: inputs are regular files.
        DetailedReader second(m_page);
        if (!second.open(m_files, entry.fullPath))
            return false;
        std::vector<std::string> header;
        const DetailedOutcome again = second.readPreamble(&header);
        if (again != DetailedOutcome::Rows) {
            // Changed between the two readings: told as what it is now.
            second.close();
            tell(again, entry.displayName);
            return true;
        }
        second.narrow(waves);
        const std::int64_t count = writeBlock(second, waves, entry, prefix, header);
        second.close();
        m_host.notify({NoticeKind::PointsExtracted, entry.displayName, count});
        return true;
    }

private:
    void tell(DetailedOutcome outcome, const std::string& displayName)
    {
        static constexpr std::array<NoticeKind, 3> kinds = {NoticeKind::NotSquid, NoticeKind::NoDataSection,
                                                            NoticeKind::NoKnownColumns};
        m_host.notify({kinds[static_cast<std::size_t>(outcome)], displayName});
    }

    // The waves other than time, field and temperature that hold a number in some row. Reads
    // only as far as the answer is open, and each row only as far as the open waves stand.
    static WaveSet wavesWithNumbers(DetailedReader& reader)
    {
        WaveSet open = reader.plan().present & ~kAlways;
        WaveSet found = 0;
        reader.narrow(open);
        std::array<std::string_view, kDetailedWaves> values{};
        while (open != 0 && reader.nextRow(values)) {
            WaveSet now = 0;
            for (int wave = 0; wave < kDetailedWaves; ++wave) {
                if ((open & waveBit(wave)) != 0 && holdsNumber(values[static_cast<std::size_t>(wave)]))
                    now |= waveBit(wave);
            }
            if (now != 0) {
                found |= now;
                open &= ~now;
                reader.narrow(open);
            }
        }
        return found;
    }

    std::int64_t writeBlock(DetailedReader& reader, WaveSet waves, const QueueEntry& entry, const std::string& prefix,
                            const std::vector<std::string>& header)
    {
        std::vector<DeclaredWave> declared;
        std::array<int, kDetailedWaves> order{};
        std::size_t n = 0;
        for (int wave = 0; wave < kDetailedWaves; ++wave) {
            if ((waves & waveBit(wave)) == 0)
                continue;
            const auto k = static_cast<std::size_t>(wave);
            declared.push_back({kDetailedWaveKinds[k].suffix, kDetailedWaveKinds[k].unit, reader.plan().column[k]});
            order[n++] = wave;
        }
        m_writer.beginBlock(m_folders.take(entry.displayName, m_page), prefix, declared);
        std::array<std::string_view, kDetailedWaves> values{};
        std::array<std::string_view, kDetailedWaves> row{};
        std::int64_t count = 0;
        while (reader.nextRow(values)) {
            for (std::size_t k = 0; k < n; ++k)
                row[k] = values[static_cast<std::size_t>(order[k])];
            m_writer.writeRow(std::span<const std::string_view>(row.data(), n));
            ++count;
        }
        m_writer.endBlock(entry.displayName, header);
        return count;
    }

    Host& m_host;
    FileSystem& m_files;
    CodePage m_page;
    DetailedWriter& m_writer;
    FolderNames& m_folders;
};

} // namespace

std::optional<Notice> convertQueueDetailed(Host& host, DetailedWriter& writer, const std::string& prefix,
                                           FileSystem& files, CodePage page)
{
    FolderNames folders;
    FileConversion conversion(host, files, page, writer, folders);
    while (host.queueCount() > 0) {
        const QueueEntry entry = host.queueFront();
        if (!conversion.convert(entry, prefix))
            return Notice{NoticeKind::FileNotOpen, entry.displayName, 0, files.failureReason()};
        host.queueRemoveFront();
    }
    return std::nullopt;
}

} // namespace kivo::core
