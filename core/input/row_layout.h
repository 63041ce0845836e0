#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kivo::core {

// Which fields of a row are held, and in which slot. A layout can be built for any set of
// columns (fromColumns); the row splitter (row_splitter.h) serves any such layout, and a
// wave plan (core/waves/wave_plan.h) says which slot feeds which wave.
struct RowLayout {
    enum class Kind : std::uint8_t {
        // Time, Comment, Field, Temperature, Long Moment, its deviation, ...: every byte is
        // data, and a field counts only when a comma ends it.
        Older,
        // Today's instruments ("Comment,Time Stamp (sec),..."): commas inside a quoted
        // stretch do not split, and the line end ends the last field.
        Today,
    };
    using Slot = std::int16_t;
    static constexpr Slot kNone = -1;
    // Slots are told apart by one bit each in the splitter's masks.
    static constexpr int kMaxSlots = 32;

    // The slot of each column, up to the last column needed, and for a column that feeds
    // none, how many columns in a row from it feed none (so many commas to pass at once).
    std::vector<Slot> slotOfColumn;
    std::vector<std::uint32_t> unneededRun;
    // The needed columns in order, each with the number of columns that no wave needs
    // between it and the one before: a row is walked from one needed field to the next.
    struct Needed {
        std::uint32_t column;
        std::uint32_t gap;
        Slot slot;
    };
    std::vector<Needed> needed;
    Kind kind = Kind::Older;

    // The older layout's fixed columns: time, field, temperature, moment and its deviation
    // in slots 0 to 4; its comment column is read and dropped.
    static RowLayout older();
    // Slot k takes the field of column columnOfSlot[k]; a negative column feeds no slot.
    // At most kMaxSlots slots.
    static RowLayout fromColumns(std::span<const int> columnOfSlot, Kind kind);
};

} // namespace kivo::core
