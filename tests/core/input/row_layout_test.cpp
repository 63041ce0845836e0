#include "core/input/column_titles.h"
#include "core/input/row_layout.h"
#include "core/waves/wave_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kivo::core::CodePage;
using kivo::core::kTodayTitles;
using kivo::core::matchTitles;
using kivo::core::RowLayout;
using namespace std::string_literals;

namespace {

constexpr int kAbsent = kivo::core::TitleMatcher::kAbsent;

struct TitleCase {
    const char* what;
    std::string line;
    CodePage page;
    std::vector<int> columns; // of time, field, temperature, then the moment pairs
};

const TitleCase kTitleCases[] = {
    {"a title repeated before the others are seen: the first counts",
     "Comment,Time Stamp (sec),Temperature (K),Temperature (K),Magnetic Field (Oe),Time Stamp (sec),Moment (emu),"
     "M. Std. Err. (emu),DC Moment Free Ctr (emu),DC Moment Err Free Ctr (emu)",
     CodePage::Utf8,
     {1, 4, 2, 6, 7, 8, 9, kAbsent, kAbsent}},
    {"a title one byte longer than the longest is another title",
     "Comment,Time Stamp (sec),DC Moment Err Free Ctr (emu)),DC Moment Free Ctr (emu),DC Moment Err Free Ctr (emu",
     CodePage::Utf8,
     {1, kAbsent, kAbsent, kAbsent, kAbsent, 3, kAbsent, kAbsent, kAbsent}},
    {"the text after the last comma is a title, up to a NUL",
     "Comment,Temperature (K),Time Stamp (sec)\0,Moment (emu)"s,
     CodePage::Utf8,
     {2, kAbsent, 1, kAbsent, kAbsent, kAbsent, kAbsent, kAbsent, kAbsent}},
    {"under CP932 a lead byte before a comma is a byte of its own",
     "Comment,\x89\xB7\x93,Time Stamp (sec),Temperature (K)",
     CodePage::Cp932,
     {2, kAbsent, 3, kAbsent, kAbsent, kAbsent, kAbsent, kAbsent, kAbsent}},
};

TEST(TitleMatch, FindsTheColumnOfEachWantedTitle)
{
    for (const TitleCase& c : kTitleCases)
        EXPECT_EQ(matchTitles(c.line, kTodayTitles, c.page, RowLayout::Kind::Today), c.columns) << c.what;
}

// A layout built from any set of wanted columns: each needed column has its slot, and each
// unneeded one knows how many unneeded columns follow it, itself included.
TEST(RowLayout, HoldsTheSlotOfEachWantedColumnAndTheRunsBetween)
{
    const RowLayout layout = RowLayout::fromColumns(std::vector<int>{4, kAbsent, 0, 1}, RowLayout::Kind::Today);
    EXPECT_EQ(layout.slotOfColumn, (std::vector<RowLayout::Slot>{2, 3, RowLayout::kNone, RowLayout::kNone, 0}));
    EXPECT_EQ(layout.unneededRun, (std::vector<std::uint32_t>{0, 0, 2, 1, 0}));
    EXPECT_EQ(layout.kind, RowLayout::Kind::Today);
}

} // namespace
