#pragma once

#include "core/input/row_layout.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kivo::core {

// The waves a file can give in the detailed output, in the order they are declared. Each is
// also the slot of the row layout that holds its value; the DC scan pair has two more.
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
    // The fitted moment of DC scan mode and its error, for rows without a VSM moment.
    kDcMomentSlot = kDetailedWaves,
    kDcMomentSDSlot,
    kDetailedSlots,
};

struct DetailedWaveKind {
    std::string_view suffix;
    std::string_view unit;
};

inline constexpr std::array<DetailedWaveKind, kDetailedWaves> kDetailedWaveKinds = {{
    {"_Time", "s"},
    {"_Field", "Oe"},
    {"_Temperature", "K"},
    {"_LongMoment", "emu"},
    {"_LongMomentSD", "emu"},
    {"_ACMomentRe", "emu"},
    {"_ACMomentReSD", "emu"},
    {"_ACMomentIm", "emu"},
    {"_ACMomentImSD", "emu"},
    {"_ACChiRe", "emu/Oe"},
    {"_ACChiReSD", "emu/Oe"},
    {"_ACChiIm", "emu/Oe"},
    {"_ACChiImSD", "emu/Oe"},
    {"_ACFrequency", "Hz"},
    {"_ACDrive", "Oe"},
}};

using WaveSet = std::uint32_t; // bit k for wave k

constexpr WaveSet waveBit(int wave) noexcept
{
    return WaveSet{1} << static_cast<unsigned>(wave);
}

// How the rows of one file feed the detailed waves.
struct DetailedPlan {
    // Slot k holds the field of wave k; the DC pair's slots come after the waves.
    RowLayout layout;
    WaveSet present = 0; // the waves whose column the file has
    // Today's moment and its error come, row by row, from the first pair whose moment is
    // there: the VSM moment's slots, else the DC pair's.
    bool dcPair = false;
    std::array<std::string, kDetailedWaves> column{}; // the title(s) of each present wave

    // The same plan reading only the slots that feed `waves`, so that rows are split no
    // further than they need to be.
    DetailedPlan only(WaveSet waves) const;
};

// The titles a column line of `kind` is matched against, exactly as they stand.
std::span<const std::string_view> detailedTitles(RowLayout::Kind kind);

// The plan for a file whose column line has the titles of detailedTitles(kind) at
// `columnOfTitle`; none when the file has no time, field or temperature, or no moment of
// any kind, and is passed over.
std::optional<DetailedPlan> detailedPlan(RowLayout::Kind kind, std::span<const int> columnOfTitle);

// The value of each wave in a row whose slots hold `fields`, `filled` the slots that are not
// empty.
void detailedValues(const DetailedPlan& plan, std::span<const std::string_view, kDetailedSlots> fields,
                    std::uint32_t filled, std::span<std::string_view, kDetailedWaves> values) noexcept;

} // namespace kivo::core
