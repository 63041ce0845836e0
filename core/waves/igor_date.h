#pragma once

#include "core/input/row_layout.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kivo::core {

// How finely a time is known: to the minute or second the header writes, or as finely as the
// rows' own time stamps.
enum class TimePrecision { Minute, Second, Stamp };

// The moment an instrument opened a data file, as its "FILEOPENTIME" header line gives it
// twice: as a time stamp of the kind its rows carry, and as the local date and time.
struct OpeningTime {
    std::string stamp;              // as written: digits, perhaps a fraction
    std::int64_t stampUnits = 0;    // the stamp exactly, in units of 10^-stampPlaces seconds
    int stampPlaces = 0;
    std::int64_t local = 0;         // the local date and time, in Igor seconds (from 1904-01-01)
    TimePrecision precision = TimePrecision::Second; // of `local`: Minute or Second

    double stampValue() const noexcept;
};

// The opening time on a header line such as "FILEOPENTIME,3764744147.23462,04/18/2019,11:16 am"
// (month first, "/" or "-", a 12-hour clock with AM or PM, or a 24-hour one without), or none
// when the line is no such line or a part of it is no valid date, time or stamp.
std::optional<OpeningTime> readOpeningTime(std::string_view line);

// What to add to a row's time stamp to give its Igor date, in local time.
struct DateOffset {
    std::string seconds;     // exact decimal text, as Igor reads it: "2082816000", "-100.25"
    TimePrecision precision; // how finely the dates it gives are known
};

// The offset for the rows of a file in `layout` opened at `opening`. Where its stamps count
// from a known day (the older layout: Unix seconds in UTC; today's, when the opening stamp
// passes 3e9: seconds from 1899-12-30), that day's offset from 1904-01-01 plus the whole
// quarter hours that bring the opening stamp nearest the local time (the time zone and summer
// time), with the stamps' own precision. Otherwise the local time less the opening stamp, as
// precise as the local time.
DateOffset igorDateOffset(const OpeningTime& opening, RowLayout::Kind layout);

} // namespace kivo::core
