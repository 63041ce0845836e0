#pragma once

#include "core/input/row_layout.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kivo::core {

// The two outputs: the five concatenated waves of the original program, or one data folder
// per file with every wave the file's titles name.
enum class OutputKind : std::uint8_t { Normal, Detailed };

using WaveSet = std::uint32_t; // bit k for wave k of a plan

constexpr WaveSet waveBit(int wave) noexcept
{
    return WaveSet{1} << static_cast<unsigned>(wave);
}

// One wave of a plan.
struct PlannedWave {
    std::string_view suffix; // follows the wave prefix or the file's stem: "_Time"
    std::string_view unit;   // Igor's data unit: "s", "emu/Oe"
    std::string column;      // the column title(s) its values come from
    int slot;                // the layout's slot that holds its value
    int deviationOf = -1;    // the slot of the values whose deviation it holds, if any
};

// Which column feeds which wave, in what order, with which unit, and how a row's moment pair
// is chosen. The reader splits rows by `layout` and hands out the waves' values in order.
struct WavePlan {
    RowLayout layout;
    std::vector<PlannedWave> waves;
    // The moment and its error come, row by row, from the first of `pairs` (moment slot,
    // error slot) whose moment a row holds, and are missing when none does. Empty: every
    // wave reads its own slot.
    int momentWave = -1;
    int momentSDWave = -1;
    std::vector<std::pair<int, int>> pairs;

    // `set` without the deviation waves whose values' wave it lacks: a deviation without the
    // values it belongs to says nothing.
    WaveSet withTheirValues(WaveSet set) const noexcept;
    // The index of the wave read from `slot`, or -1.
    int waveOfSlot(int slot) const noexcept;
    // The waves of `set` in a plan of their own, reading no column the others alone need.
    WavePlan only(WaveSet set) const;
    // Every wave of the plan.
    WaveSet all() const noexcept { return waves.size() >= 32 ? ~WaveSet{0} : waveBit(static_cast<int>(waves.size())) - 1; }
};

// The column titles matched against a column line of `layout` for `output`; none when the
// plan needs no title (the normal output's older layout reads fixed columns).
std::span<const std::string_view> plannedTitles(OutputKind output, RowLayout::Kind layout);

// The plan of a file whose column line has plannedTitles() at `columnOfTitle`; none when the
// file does not convert: no time, field or temperature, or no moment of any kind whole.
std::optional<WavePlan> planWaves(OutputKind output, RowLayout::Kind layout, std::span<const int> columnOfTitle);

// The normal output's five waves, in the order the original program declared them.
inline constexpr std::array<std::string_view, 5> kNormalSuffixes = {
    "_Time", "_Field", "_Temperature", "_LongMoment", "_LongMomentSD",
};

// The titles of today's instruments that feed the normal output's waves: time, field,
// temperature, then the moment pairs, of which a row takes the first whose moment it holds:
// the VSM's, the fitted one of DC scan mode (the free-centre fit, which analysis tools in
// the field use), and the DynaCool ACMS II's.
inline constexpr std::array<std::string_view, 9> kTodayTitles = {
    "Time Stamp (sec)",         "Magnetic Field (Oe)",          "Temperature (K)", "Moment (emu)", "M. Std. Err. (emu)",
    "DC Moment Free Ctr (emu)", "DC Moment Err Free Ctr (emu)", "DC Moment (emu)", "DC Std. Err. (emu)",
};

} // namespace kivo::core
