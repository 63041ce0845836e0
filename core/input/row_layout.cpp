#include "core/input/row_layout.h"

#include <cstddef>

namespace kivo::core {

RowLayout RowLayout::older()
{
    return fromColumns(std::array<int, 5>{0, 2, 3, 4, 5}, Kind::Older);
}

RowLayout RowLayout::fromColumns(std::span<const int> columnOfSlot, Kind kind)
{
    RowLayout layout;
    layout.kind = kind;
    for (std::size_t slot = 0; slot < columnOfSlot.size() && slot < kMaxSlots; ++slot) {
        const int column = columnOfSlot[slot];
        if (column < 0)
            continue;
        const auto at = static_cast<std::size_t>(column);
        if (at >= layout.slotOfColumn.size())
            layout.slotOfColumn.resize(at + 1, kNone);
        layout.slotOfColumn[at] = static_cast<Slot>(slot);
    }
    layout.unneededRun.assign(layout.slotOfColumn.size(), 0);
    std::uint32_t run = 0;
    for (std::size_t k = layout.slotOfColumn.size(); k-- > 0;) {
        run = layout.slotOfColumn[k] == kNone ? run + 1 : 0;
        layout.unneededRun[k] = run;
    }
    return layout;
}

std::optional<RowLayout> RowLayout::today(std::span<const int> columnOfTitle)
{
    std::array<int, kTodayTitles.size()> columns{};
    for (std::size_t k = 0; k < columns.size(); ++k)
        columns[k] = k < columnOfTitle.size() ? columnOfTitle[k] : -1;
    const auto has = [&](int slot) { return columns[static_cast<std::size_t>(slot)] >= 0; };
    // A pair counts only with both of its titles.
    const bool firstPair = has(Moment) && has(MomentSD);
    const bool dcPair = has(DcMoment) && has(DcMomentSD);
    if (!has(Time) || !has(Field) || !has(Temperature) || !(firstPair || dcPair))
        return std::nullopt;
    if (!firstPair)
        columns[Moment] = columns[MomentSD] = -1;
    if (!dcPair)
        columns[DcMoment] = columns[DcMomentSD] = -1;
    return fromColumns(columns, Kind::Today);
}

} // namespace kivo::core
