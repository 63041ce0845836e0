#include "core/run/notice.h"

#include <gtest/gtest.h>

namespace {

using kivo::core::Notice;
using kivo::core::noticeDisplayText;
using kivo::core::NoticeKind;
using kivo::core::noticeLines;

TEST(NoticeLines, EachLoneCrAndEachCrLfIsOneLineEnd)
{
    EXPECT_EQ(noticeLines("one\r\ntwo\r\rthree\n"), "one\ntwo\n\nthree\n");
    EXPECT_EQ(noticeLines("\r"), "\n");
    EXPECT_EQ(noticeLines("\r\n\r"), "\n\n");
    EXPECT_EQ(noticeLines(""), "");
}

TEST(NoticeDisplayText, TheReasonIsASecondParagraphAndNoReasonAddsNothing)
{
    EXPECT_EQ(noticeDisplayText({NoticeKind::FileNotOpen, "a b.dat", 0, "cannot open /d/a b.dat: Permission denied"}),
              "File[ a b.dat ] not open\r\rcannot open /d/a b.dat: Permission denied");
    EXPECT_EQ(noticeDisplayText({NoticeKind::OutfileNotOpen, {}}), "Outfile not open");
}

} // namespace
