#pragma once

#include <array>
#include <string_view>

namespace kivo::core {

// The five values of a data row, in wave order: time, field, temperature, moment and
// moment standard deviation. An empty value is a missing one.
using RowValues = std::array<std::string_view, 5>;

// Where a reader hands its rows. Nearly every row lies whole in one read block and arrives
// as views into it. A row that crosses blocks arrives value by value, in pieces, and the
// sink holds the values until the row is complete: neither side ever holds a whole line,
// however long it is.
class RowSink {
public:
    // The most values a row holds at once, and the slot that stands for a missing value.
    static constexpr int kHeldSlots = 7;
    static constexpr int kMissing = -1;

    virtual ~RowSink() = default;

    // Writes a row whose values are views valid for this call. Throws IoError (Write).
    virtual void writeRow(const RowValues& row) = 0;
    // Appends `bytes` to the value held in `slot` for the row being read. The pieces of one
    // value arrive together: once another slot has had bytes, this one has no more.
    // Throws IoError (Write).
    virtual void holdValue(int slot, std::string_view bytes) = 0;
    // Writes the row whose wave k takes the value held in slots[k] (kMissing for a missing
    // value), then forgets every held value. Throws IoError (Write).
    virtual void writeHeldRow(const std::array<int, 5>& slots) = 0;
};

} // namespace kivo::core
