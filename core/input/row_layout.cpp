#include "core/input/row_layout.h"

#include <array>
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
    std::uint32_t gap = 0;
    for (std::size_t k = 0; k < layout.slotOfColumn.size(); ++k) {
        if (layout.slotOfColumn[k] == kNone) {
            ++gap;
        } else {
            layout.needed.push_back({static_cast<std::uint32_t>(k), gap, layout.slotOfColumn[k]});
            gap = 0;
        }
    }
    return layout;
}

} // namespace kivo::core
