#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kivo::core {

// Which fields of a row are held, and in which slot, as a file's column line says.
//
// A layout can be built for any set of columns: match the wanted titles in the column line
// with a TitleMatcher (column_titles.h) and hand its columns to fromColumns(); slot k then
// takes the field of the column of wanted title k. The row splitter (row_splitter.h) serves
// any such layout. The five waves of the normal output are one such list: kTodayTitles, with
// today(), or the fixed columns of older().
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
    // The slots of the five waves' values, in both layouts; the DC pair only in today's.
    enum WaveSlot : Slot { Time, Field, Temperature, Moment, MomentSD, DcMoment, DcMomentSD };

    // The slot of each column, up to the last column needed, and for a column that feeds
    // none, how many columns in a row from it feed none (so many commas to pass at once).
    std::vector<Slot> slotOfColumn;
    std::vector<std::uint32_t> unneededRun;
    Kind kind = Kind::Older;

    // The older layout's fixed columns; its comment column is read and dropped.
    static RowLayout older();
    // Slot k takes the field of column columnOfSlot[k]; a negative column feeds no slot.
    // At most kMaxSlots slots.
    static RowLayout fromColumns(std::span<const int> columnOfSlot, Kind kind);
    // The layout of today's instruments, from the columns of kTodayTitles; none when the
    // file does not convert (no time, field or temperature, or no moment pair whole).
    static std::optional<RowLayout> today(std::span<const int> columnOfTitle);

    // The slots the five waves take their values from, given the slots whose field a row
    // holds not empty (bit k for slot k); -1 for a missing value. In today's layout the
    // moment and its error come from the first pair whose moment is there.
    std::array<int, 5> waveSlots(std::uint32_t filled) const noexcept
    {
        if (kind == Kind::Today && (filled & (1u << Moment)) == 0) {
            if ((filled & (1u << DcMoment)) != 0)
                return {Time, Field, Temperature, DcMoment, DcMomentSD};
            return {Time, Field, Temperature, -1, -1};
        }
        return {Time, Field, Temperature, Moment, MomentSD};
    }
};

// The titles of today's instruments that feed the waves, by WaveSlot. The moment comes from
// the first pair whose moment a row holds: the moment of VSM mode, else the fitted moment of
// DC scan mode, whose free-centre fit is the one analysis tools in the field use.
inline constexpr std::array<std::string_view, 7> kTodayTitles = {
    "Time Stamp (sec)",         "Magnetic Field (Oe)",          "Temperature (K)", "Moment (emu)", "M. Std. Err. (emu)",
    "DC Moment Free Ctr (emu)", "DC Moment Err Free Ctr (emu)",
};

} // namespace kivo::core
