#include "core/waves/igor_date.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using kivo::core::igorDateOffset;
using kivo::core::readOpeningTime;
using kivo::core::RowLayout;
using kivo::core::TimePrecision;

namespace {

constexpr auto kOlder = RowLayout::Kind::Older;
constexpr auto kToday = RowLayout::Kind::Today;

struct OffsetCase {
    const char* what;
    const char* line;
    RowLayout::Kind layout;
    std::string offset;
    TimePrecision precision;
};

// Worked out by hand. 1970-01-01 is 2,082,844,800 s after 1904-01-01 and 1899-12-30 is
// 126,316,800 s before it; 1904-01-02 is 86,400 s after it.
const OffsetCase kOffsets[] = {
    // 1164777384.812 is 2006-11-29 05:16:24.812 UTC, shown as 9:16:24 PM the day before: UTC-8.
    {"older layout: Unix seconds and the time zone", "FILEOPENTIME, 1164777384.812000 11/28/2006, 9:16:24 PM",
     kOlder, "2082816000", TimePrecision::Stamp},
    // 3764744147.23462 s from 1899-12-30 is 2019-04-18 10:15:47.23; the header says 11:16.
    {"today's layout: seconds from 1899-12-30", "FILEOPENTIME,3764744147.23462,04/18/2019,11:16 am", kToday,
     "-126313200", TimePrecision::Stamp},
    // 2021-04-19 15:20 is 42,843 days and 55,200 s after 1904-01-01: 3,701,690,400 s.
    {"stamps from no fixed day: the header's time less the stamp", "FILEOPENTIME,9352831.33,04-19-2021,3:20 pm",
     kToday, "3692337568.67", TimePrecision::Minute},
    {"a negative offset keeps its fraction", "FILEOPENTIME,100.25,01/01/1904,12:00 AM", kToday, "-100.25",
     TimePrecision::Minute},
    {"12 AM is midnight", "FILEOPENTIME,0,01/02/1904,12:00:01 AM", kToday, "86401", TimePrecision::Second},
    {"12 PM is noon", "FILEOPENTIME,0,01/02/1904,12:30 PM", kToday, "131400", TimePrecision::Minute},
    {"a 24-hour clock", "FILEOPENTIME,0,01/02/1904,23:59", kToday, "172740", TimePrecision::Minute},
    // Seven and a half minutes is the line between two quarter hours, on either side.
    {"under half a quarter hour ahead is no zone", "FILEOPENTIME, 0 01/01/1970, 12:07:29 AM", kOlder,
     "2082844800", TimePrecision::Stamp},
    {"over half a quarter hour ahead is one", "FILEOPENTIME, 0 01/01/1970, 12:07:31 AM", kOlder, "2082845700",
     TimePrecision::Stamp},
    {"over half a quarter hour behind is one", "FILEOPENTIME, 0 12/31/1969, 11:52:29 PM", kOlder, "2082843900",
     TimePrecision::Stamp},
};

TEST(IgorDate, OffsetMakesTheOpeningStampTheHeadersLocalTime)
{
    for (const OffsetCase& c : kOffsets) {
        const auto opening = readOpeningTime(c.line);
        ASSERT_TRUE(opening) << c.what;
        const auto offset = igorDateOffset(*opening, c.layout);
        EXPECT_EQ(offset.seconds, c.offset) << c.what;
        EXPECT_EQ(offset.precision, c.precision) << c.what;
    }
}

TEST(IgorDate, OpeningTimeKeepsTheStampAsWritten)
{
    const auto opening = readOpeningTime("FILEOPENTIME, 1164777384.812000 11/28/2006, 9:16:24 PM");
    ASSERT_TRUE(opening);
    EXPECT_EQ(opening->stamp, "1164777384.812000");
    EXPECT_EQ(opening->stampValue(), 1164777384.812);
}

TEST(IgorDate, LineThatDoesNotReadGivesNoDate)
{
    const char* const lines[] = {
        "FILEOPENTIME,9352831.33,04-19-2021",          // no time
        "FILEOPENTIME,9352831.33,13/19/2021,3:20 pm",  // month 13
        "FILEOPENTIME,9352831.33,02/29/2021,3:20 pm",  // no leap day in 2021
        "FILEOPENTIME,9352831.33,04/19/2021,13:20 pm", // hour 13 of 12
        "FILEOPENTIME,9352831.33,04/19/2021,0:20 am",  // hour 0 of 12
        "FILEOPENTIME,9352831.33,04/19/2021,3:60 pm",
        "FILEOPENTIME,9.35e6,04/19/2021,3:20 pm",
        "FILEOPENTIME,-5,04/19/2021,3:20 pm",
        "FILEOPENTIME,9352831.33,04/19/21,3:20 pm",
        "FILEOPENTIME,9352831.33,04/19/2021,3:20 pm,x",
        "FILEOPENTIMES,9352831.33,04/19/2021,3:20 pm",
        "INFO,9352831.33,04/19/2021,3:20 pm",
    };
    for (const char* line : lines)
        EXPECT_FALSE(readOpeningTime(line)) << line;
}

} // namespace
