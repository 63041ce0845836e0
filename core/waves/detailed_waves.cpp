#include "core/waves/detailed_waves.h"

namespace kivo::core {

namespace {

constexpr int kNoColumn = -1;

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
// VSM's own, so each of those feeds a wave only in its own kind of file.
enum TodayTitle : int {
    tTime,
    tField,
    tTemperature,
    tMoment,
    tMomentSD,
    tDcMoment,
    tDcMomentSD,
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
};
constexpr std::array<std::string_view, 19> kTodayDetailedTitles = {
    "Time Stamp (sec)",
    "Magnetic Field (Oe)",
    "Temperature (K)",
    "Moment (emu)",
    "M. Std. Err. (emu)",
    "DC Moment Free Ctr (emu)",
    "DC Moment Err Free Ctr (emu)",
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
};

// The moments of any kind: a file with none of them has nothing to convert.
constexpr WaveSet kMoments = waveBit(kLongMoment) | waveBit(kACMomentRe) | waveBit(kACMomentIm) | waveBit(kACChiRe)
                             | waveBit(kACChiIm);

struct Builder {
    std::span<const std::string_view> titles;
    std::span<const int> columns;
    std::array<int, kDetailedSlots> columnOfSlot{};
    DetailedPlan plan;

    Builder(std::span<const std::string_view> t, std::span<const int> c) : titles(t), columns(c)
    {
        columnOfSlot.fill(kNoColumn);
    }

    int column(int title) const
    {
        return static_cast<std::size_t>(title) < columns.size() ? columns[static_cast<std::size_t>(title)] : kNoColumn;
    }

    // Wave `wave` takes the column of `title`, if the file has it.
    void take(int wave, int title)
    {
        const int at = column(title);
        if (at == kNoColumn)
            return;
        columnOfSlot[static_cast<std::size_t>(wave)] = at;
        plan.present |= waveBit(wave);
        plan.column[static_cast<std::size_t>(wave)] = std::string(titles[static_cast<std::size_t>(title)]);
    }
};

} // namespace

std::span<const std::string_view> detailedTitles(RowLayout::Kind kind)
{
    if (kind == RowLayout::Kind::Older)
        return kOlderTitles;
    return kTodayDetailedTitles;
}

std::optional<DetailedPlan> detailedPlan(RowLayout::Kind kind, std::span<const int> columnOfTitle)
{
    Builder b(detailedTitles(kind), columnOfTitle);
    const bool older = kind == RowLayout::Kind::Older;
    b.take(kTime, older ? int{oTime} : int{tTime});
    b.take(kField, older ? int{oField} : int{tField});
    b.take(kTemperature, older ? int{oTemperature} : int{tTemperature});
    if (older) {
        b.take(kLongMoment, oMoment);
        b.take(kLongMomentSD, oMomentSD);
        b.take(kACMomentRe, oRe);
        b.take(kACMomentReSD, oReSD);
        b.take(kACMomentIm, oIm);
        b.take(kACMomentImSD, oImSD);
        b.take(kACFrequency, oFrequency);
        b.take(kACDrive, oDrive);
    } else if (b.column(tAcmsRe) != kNoColumn) {
        b.take(kLongMoment, tAcmsMoment);
        b.take(kLongMomentSD, tAcmsMomentSD);
        b.take(kACMomentRe, tAcmsRe);
        b.take(kACMomentIm, tAcmsIm);
        b.take(kACFrequency, tAcmsFrequency);
        b.take(kACDrive, tAcmsDrive);
    } else {
        // A pair counts only with both of its titles, as in the normal output.
        const bool firstPair = b.column(tMoment) != kNoColumn && b.column(tMomentSD) != kNoColumn;
        const bool dcPair = b.column(tDcMoment) != kNoColumn && b.column(tDcMomentSD) != kNoColumn;
        if (firstPair) {
            b.take(kLongMoment, tMoment);
            b.take(kLongMomentSD, tMomentSD);
        }
        if (dcPair) {
            b.plan.dcPair = true;
            b.columnOfSlot[kDcMomentSlot] = b.column(tDcMoment);
            b.columnOfSlot[kDcMomentSDSlot] = b.column(tDcMomentSD);
            b.plan.present |= waveBit(kLongMoment) | waveBit(kLongMomentSD);
            for (auto [wave, title] : {std::pair{kLongMoment, tDcMoment}, std::pair{kLongMomentSD, tDcMomentSD}}) {
                std::string& column = b.plan.column[static_cast<std::size_t>(wave)];
                column += (column.empty() ? "" : ", else ");
                column += kTodayDetailedTitles[static_cast<std::size_t>(title)];
            }
        }
        b.take(kACFrequency, tFrequency);
        b.take(kACDrive, tDrive);
    }
    if (kind == RowLayout::Kind::Today) {
        b.take(kACChiRe, tChiRe);
        b.take(kACChiReSD, tChiReSD);
        b.take(kACChiIm, tChiIm);
        b.take(kACChiImSD, tChiImSD);
    }
    const WaveSet always = waveBit(kTime) | waveBit(kField) | waveBit(kTemperature);
    if ((b.plan.present & always) != always || (b.plan.present & kMoments) == 0)
        return std::nullopt;
    b.plan.layout = RowLayout::fromColumns(b.columnOfSlot, kind);
    return std::move(b.plan);
}

DetailedPlan DetailedPlan::only(WaveSet waves) const
{
    DetailedPlan narrowed = *this;
    std::array<int, kDetailedSlots> columnOfSlot{};
    columnOfSlot.fill(kNoColumn);
    for (std::size_t at = 0; at < layout.slotOfColumn.size(); ++at) {
        const int slot = layout.slotOfColumn[at];
        // The DC pair's slots stand in for the long moment and its error.
        const int wave = slot == kDcMomentSlot ? kLongMoment : slot == kDcMomentSDSlot ? kLongMomentSD : slot;
        // The pair rule looks at the VSM moment and the DC moment whichever wave is wanted.
        const bool pairRule = dcPair && (waves & (waveBit(kLongMoment) | waveBit(kLongMomentSD))) != 0
                              && (slot == kLongMoment || slot == kDcMomentSlot);
        if (slot != RowLayout::kNone && ((waves & waveBit(wave)) != 0 || pairRule))
            columnOfSlot[static_cast<std::size_t>(slot)] = static_cast<int>(at);
    }
    narrowed.layout = RowLayout::fromColumns(columnOfSlot, layout.kind);
    narrowed.present &= waves;
    return narrowed;
}

void detailedValues(const DetailedPlan& plan, std::span<const std::string_view, kDetailedSlots> fields,
                    std::uint32_t filled, std::span<std::string_view, kDetailedWaves> values) noexcept
{
    for (std::size_t k = 0; k < kDetailedWaves; ++k)
        values[k] = fields[k];
    if (plan.dcPair && (filled & waveBit(kLongMoment)) == 0) {
        const bool dc = (filled & waveBit(kDcMomentSlot)) != 0;
        values[kLongMoment] = dc ? fields[kDcMomentSlot] : std::string_view();
        values[kLongMomentSD] = dc ? fields[kDcMomentSDSlot] : std::string_view();
    }
}

} // namespace kivo::core
