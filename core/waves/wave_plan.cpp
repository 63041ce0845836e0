#include "core/waves/wave_plan.h"

#include <algorithm>
#include <array>

namespace kivo::core {

namespace {

constexpr int kNoColumn = -1;

// The detailed output's waves, in the order they are declared. Each is also the slot that
// holds its value; the DC scan pair has two slots more.
enum DetailedWave : int {
    kTime,
    kField,
    kTemperature,
    kLongMoment,
    kLongMomentSD,
    kACMomentRe,
    kACMomentReSD,
    kACMomentIm,
    kACMomentImSD,
    kACChiRe,
    kACChiReSD,
    kACChiIm,
    kACChiImSD,
    kACFrequency,
    kACDrive,
    kDetailedWaves,
    // The fitted moment of DC scan mode and its error, and the DynaCool ACMS II's moment and
    // its error, for rows without a VSM moment.
    kDcMomentSlot = kDetailedWaves,
    kDcMomentSDSlot,
    kAcms2MomentSlot,
    kAcms2MomentSDSlot,
    kDetailedSlots,
};

struct WaveKind {
    std::string_view suffix;
    std::string_view unit;
    int deviationOf = -1;
};

constexpr std::array<WaveKind, kDetailedWaves> kDetailedKinds = {{
    {"_Time", "s"},
    {"_Field", "Oe"},
    {"_Temperature", "K"},
    {"_LongMoment", "emu"},
    {"_LongMomentSD", "emu", kLongMoment},
    {"_ACMomentRe", "emu"},
    {"_ACMomentReSD", "emu", kACMomentRe},
    {"_ACMomentIm", "emu"},
    {"_ACMomentImSD", "emu", kACMomentIm},
    {"_ACChiRe", "emu/Oe"},
    {"_ACChiReSD", "emu/Oe", kACChiRe},
    {"_ACChiIm", "emu/Oe"},
    {"_ACChiImSD", "emu/Oe", kACChiIm},
    {"_ACFrequency", "Hz"},
    {"_ACDrive", "Oe"},
}};

// The older layout (MPMS XL): its DC files carry the long moment, its AC files (.ac.dat) the
// in-phase and out-of-phase moments with the drive that measured them.
enum OlderTitle : int { oTime, oField, oTemperature, oMoment, oMomentSD, oRe, oReSD, oIm, oImSD, oFrequency, oDrive };
constexpr std::array<std::string_view, 11> kOlderTitles = {
    "Time",
    "Field (Oe)",
    "Temperature (K)",
    "Long Moment (emu)",
    "Long Scan Std Dev",
    "m' (emu)",
    "m' Scan Std Dev",
    "m\" (emu)",
    "m\" Scan Std Dev",
    "Wave Frequency (Hz)",
    "Drive Amplitude (Oe)",
};

// Today's instruments: MPMS3 (VSM, DC scan and AC), PPMS with the VSM option, and the PPMS
// ACMS option, whose files are the ones with "M' (emu)". In an ACMS file "Moment (emu)" is
// an AC amplitude and "M-DC (emu)" the DC moment; in an MPMS3 file "Frequency (Hz)" is the
// VSM's own, so each of those feeds a wave only in its own kind of file. The first nine are
// the normal output's titles, in the same order.
enum TodayTitle : int {
    tTime,
    tField,
    tTemperature,
    tMoment,
    tMomentSD,
    tDcMoment,
    tDcMomentSD,
    tAcms2Moment,
    tAcms2MomentSD,
    tAcmsMoment,
    tAcmsMomentSD,
    tAcmsRe,
    tAcmsIm,
    tChiRe,
    tChiReSD,
    tChiIm,
    tChiImSD,
    tFrequency,
    tDrive,
    tAcmsFrequency,
    tAcmsDrive,
    tAcms2ChiRe,
    tAcms2ChiReSD,
    tAcms2ChiIm,
    tAcms2ChiImSD,
};
constexpr std::array<std::string_view, 25> kTodayDetailedTitles = {
    kTodayTitles[0],
    kTodayTitles[1],
    kTodayTitles[2],
    kTodayTitles[3],
    kTodayTitles[4],
    kTodayTitles[5],
    kTodayTitles[6],
    kTodayTitles[7],
    kTodayTitles[8],
    "M-DC (emu)",
    "M-Std.Dev. (emu)",
    "M' (emu)",
    "M'' (emu)",
    "AC X' (emu/Oe)",
    "AC X' Std Err. (emu/Oe)",
    "AC X'' (emu/Oe)",
    "AC X'' Std Err. (emu/Oe)",
    "AC Frequency (Hz)",
    "AC Drive (Oe)",
    "Frequency (Hz)",
    "Amplitude (Oe)",
    // The DynaCool ACMS II writes its susceptibilities so, two blanks and all.
    "AC X'  (emu/Oe)",
    "AC X' Std. Dev. (emu/Oe)",
    "AC X\" (emu/Oe)",
    "AC X\" Std. Dev. (emu/Oe)",
};

// The moments of any kind: a file with none of them has nothing to convert.
constexpr std::array<int, 5> kMoments = {kLongMoment, kACMomentRe, kACMomentIm, kACChiRe, kACChiIm};

// Builds a plan one wave at a time from the columns of the matched titles.
class Builder {
public:
    Builder(std::span<const std::string_view> titles, std::span<const int> columns) : m_titles(titles), m_columns(columns)
    {
        m_columnOfSlot.fill(kNoColumn);
    }

    int column(int title) const
    {
        const auto at = static_cast<std::size_t>(title);
        return at < m_columns.size() ? m_columns[at] : kNoColumn;
    }
    bool has(int title) const { return column(title) != kNoColumn; }
    bool present(int slot) const { return m_present.at(static_cast<std::size_t>(slot)); }

    // Wave `slot` takes the column of `title`, if the file has it.
    void take(int slot, int title)
    {
        if (!has(title))
            return;
        read(slot, title);
        name(slot, title);
    }
    // Wave `slot` is there, and its values come (also) from the column of `title`.
    void name(int slot, int title)
    {
        const auto at = static_cast<std::size_t>(slot);
        m_present.at(at) = true;
        if (!m_column.at(at).empty())
            m_column[at] += ", else ";
        m_column[at] += m_titles[static_cast<std::size_t>(title)];
    }
    // Slot `slot` reads the column of `title`, which feeds no wave of its own.
    void read(int slot, int title) { m_columnOfSlot.at(static_cast<std::size_t>(slot)) = column(title); }

    // The plan of the waves taken, in slot order, each of the kind `kinds` gives its slot.
    WavePlan plan(RowLayout::Kind kind, int slots, std::span<const WaveKind> kinds) const
    {
        WavePlan plan;
        for (int slot = 0; slot < static_cast<int>(kinds.size()); ++slot) {
            const auto at = static_cast<std::size_t>(slot);
            if (m_present[at])
                plan.waves.push_back({kinds[at].suffix, kinds[at].unit, m_column[at], slot, kinds[at].deviationOf});
        }
        plan.layout = RowLayout::fromColumns(std::span<const int>(m_columnOfSlot.data(), static_cast<std::size_t>(slots)), kind);
        return plan;
    }

private:
    std::span<const std::string_view> m_titles;
    std::span<const int> m_columns;
    std::array<int, RowLayout::kMaxSlots> m_columnOfSlot{};
    std::array<bool, RowLayout::kMaxSlots> m_present{};
    std::array<std::string, RowLayout::kMaxSlots> m_column{};
};

// Which wave takes which title's column, where the file has it.
struct Take {
    int slot;
    int title;
};
constexpr Take kCommonOlder[] = {{kTime, oTime}, {kField, oField}, {kTemperature, oTemperature}};
constexpr Take kOlderWaves[] = {
    {kLongMoment, oMoment}, {kLongMomentSD, oMomentSD}, {kACMomentRe, oRe},           {kACMomentReSD, oReSD},
    {kACMomentIm, oIm},     {kACMomentImSD, oImSD},     {kACFrequency, oFrequency}, {kACDrive, oDrive},
};
constexpr Take kCommonToday[] = {{kTime, tTime}, {kField, tField}, {kTemperature, tTemperature}};
constexpr Take kAcmsWaves[] = {
    {kLongMoment, tAcmsMoment}, {kLongMomentSD, tAcmsMomentSD}, {kACMomentRe, tAcmsRe},
    {kACMomentIm, tAcmsIm},     {kACFrequency, tAcmsFrequency}, {kACDrive, tAcmsDrive},
};
constexpr Take kVsmAcWaves[] = {{kACFrequency, tFrequency}, {kACDrive, tDrive}};
constexpr Take kChiWaves[] = {
    {kACChiRe, tChiRe},           {kACChiReSD, tChiReSD},           {kACChiIm, tChiIm},
    {kACChiImSD, tChiImSD},       {kACChiRe, tAcms2ChiRe},          {kACChiReSD, tAcms2ChiReSD},
    {kACChiIm, tAcms2ChiIm},      {kACChiImSD, tAcms2ChiImSD},
};

// The moment pairs of today's instruments, in the order a row looks for its moment, and the
// slots that hold them.
struct Pair {
    int moment;
    int error;
    int momentSlot;
    int errorSlot;
};
constexpr Pair kTodayPairs[] = {
    {tMoment, tMomentSD, kLongMoment, kLongMomentSD},
    {tDcMoment, tDcMomentSD, kDcMomentSlot, kDcMomentSDSlot},
    {tAcms2Moment, tAcms2MomentSD, kAcms2MomentSlot, kAcms2MomentSDSlot},
};

// The normal output's older layout: fixed columns, whatever their titles.
WavePlan olderNormalPlan()
{
    WavePlan plan;
    plan.layout = RowLayout::older();
    for (int k = 0; k < static_cast<int>(kNormalSuffixes.size()); ++k)
        plan.waves.push_back({kNormalSuffixes[static_cast<std::size_t>(k)], {}, {}, k});
    return plan;
}

// The normal output's today layout: the five waves by title. Every row takes its moment and
// error from the first pair whose moment it holds.
std::optional<WavePlan> todayNormalPlan(std::span<const int> columnOfTitle)
{
    Builder b(kTodayTitles, columnOfTitle);
    WavePlan plan;
    plan.momentWave = kLongMoment;
    plan.momentSDWave = kLongMomentSD;
    for (const Pair& pair : kTodayPairs) {
        // A pair counts only with both of its titles.
        if (b.has(pair.moment) && b.has(pair.error)) {
            b.read(pair.momentSlot, pair.moment);
            b.read(pair.errorSlot, pair.error);
            plan.pairs.emplace_back(pair.momentSlot, pair.errorSlot);
        }
    }
    if (!b.has(tTime) || !b.has(tField) || !b.has(tTemperature) || plan.pairs.empty())
        return std::nullopt;
    for (int k = 0; k < static_cast<int>(kNormalSuffixes.size()); ++k)
        plan.waves.push_back({kNormalSuffixes[static_cast<std::size_t>(k)], {}, {}, k});
    b.read(kTime, tTime);
    b.read(kField, tField);
    b.read(kTemperature, tTemperature);
    plan.layout = b.plan(RowLayout::Kind::Today, kDetailedSlots, {}).layout;
    return plan;
}

std::optional<WavePlan> detailedPlan(RowLayout::Kind kind, std::span<const int> columnOfTitle)
{
    const bool older = kind == RowLayout::Kind::Older;
    Builder b(plannedTitles(OutputKind::Detailed, kind), columnOfTitle);
    const auto takeAll = [&b](std::span<const Take> takes) {
        for (const Take& t : takes)
            b.take(t.slot, t.title);
    };
    takeAll(older ? std::span<const Take>(kCommonOlder) : kCommonToday);
    std::vector<std::pair<int, int>> pairs;
    if (older) {
        takeAll(kOlderWaves);
    } else if (b.has(tAcmsRe)) {
        takeAll(kAcmsWaves);
    } else {
        // A pair counts only with both of its titles, as in the normal output; the VSM's
        // has the long moment's own slots.
        for (const Pair& pair : kTodayPairs) {
            if (!b.has(pair.moment) || !b.has(pair.error))
                continue;
            b.read(pair.momentSlot, pair.moment);
            b.read(pair.errorSlot, pair.error);
            b.name(kLongMoment, pair.moment);
            b.name(kLongMomentSD, pair.error);
            pairs.emplace_back(pair.momentSlot, pair.errorSlot);
        }
        takeAll(kVsmAcWaves);
    }
    if (!older)
        takeAll(kChiWaves);
    const bool anyMoment = std::any_of(kMoments.begin(), kMoments.end(), [&b](int slot) { return b.present(slot); });
    if (!b.present(kTime) || !b.present(kField) || !b.present(kTemperature) || !anyMoment)
        return std::nullopt;
    WavePlan plan = b.plan(kind, kDetailedSlots, kDetailedKinds);
    // A VSM file alone reads its moment and error as they stand, as it always has; where
    // another pair may stand in, a row takes the first whose moment it holds.
    if (pairs.size() > 1 || (pairs.size() == 1 && pairs[0].first != kLongMoment)) {
        plan.momentWave = plan.waveOfSlot(kLongMoment);
        plan.momentSDWave = plan.waveOfSlot(kLongMomentSD);
        plan.pairs = std::move(pairs);
    }
    return plan;
}

} // namespace

WaveSet WavePlan::withTheirValues(WaveSet set) const noexcept
{
    WaveSet kept = set;
    for (std::size_t k = 0; k < waves.size(); ++k) {
        const int of = waves[k].deviationOf;
        if (of < 0)
            continue;
        const int measured = waveOfSlot(of);
        if (measured < 0 || (set & waveBit(measured)) == 0)
            kept &= ~waveBit(static_cast<int>(k));
    }
    return kept;
}

int WavePlan::waveOfSlot(int slot) const noexcept
{
    for (std::size_t k = 0; k < waves.size(); ++k) {
        if (waves[k].slot == slot)
            return static_cast<int>(k);
    }
    return -1;
}

WavePlan WavePlan::only(WaveSet set) const
{
    std::array<bool, RowLayout::kMaxSlots> needed{};
    WavePlan narrowed;
    bool pairWave = false;
    for (std::size_t k = 0; k < waves.size(); ++k) {
        if ((set & waveBit(static_cast<int>(k))) == 0)
            continue;
        const int index = static_cast<int>(narrowed.waves.size());
        if (static_cast<int>(k) == momentWave)
            narrowed.momentWave = index;
        if (static_cast<int>(k) == momentSDWave)
            narrowed.momentSDWave = index;
        pairWave = pairWave || static_cast<int>(k) == momentWave || static_cast<int>(k) == momentSDWave;
        narrowed.waves.push_back(waves[k]);
        needed.at(static_cast<std::size_t>(waves[k].slot)) = true;
    }
    if (pairWave && !pairs.empty()) {
        // Whichever of the two is wanted, the rule looks at every pair's moment.
        narrowed.pairs = pairs;
        for (const auto& [m, e] : pairs)
            needed.at(static_cast<std::size_t>(m)) = needed.at(static_cast<std::size_t>(e)) = true;
    }
    std::array<int, RowLayout::kMaxSlots> columnOfSlot{};
    columnOfSlot.fill(kNoColumn);
    int slots = 0;
    for (std::size_t at = 0; at < layout.slotOfColumn.size(); ++at) {
        const int slot = layout.slotOfColumn[at];
        if (slot != RowLayout::kNone && needed.at(static_cast<std::size_t>(slot))) {
            columnOfSlot.at(static_cast<std::size_t>(slot)) = static_cast<int>(at);
            slots = std::max(slots, slot + 1);
        }
    }
    narrowed.layout = RowLayout::fromColumns(std::span<const int>(columnOfSlot.data(), static_cast<std::size_t>(slots)),
                                             layout.kind);
    return narrowed;
}

std::span<const std::string_view> plannedTitles(OutputKind output, RowLayout::Kind layout)
{
    if (output == OutputKind::Normal)
        return layout == RowLayout::Kind::Older ? std::span<const std::string_view>() : kTodayTitles;
    if (layout == RowLayout::Kind::Older)
        return kOlderTitles;
    return kTodayDetailedTitles;
}

std::optional<WavePlan> planWaves(OutputKind output, RowLayout::Kind layout, std::span<const int> columnOfTitle)
{
    if (output == OutputKind::Detailed)
        return detailedPlan(layout, columnOfTitle);
    if (layout == RowLayout::Kind::Older)
        return olderNormalPlan();
    return todayNormalPlan(columnOfTitle);
}

} // namespace kivo::core
