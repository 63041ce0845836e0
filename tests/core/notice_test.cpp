#include "core/notice.h"

#include <gtest/gtest.h>

namespace {

using kivo::core::noticeLines;

TEST(NoticeLines, EachLoneCrAndEachCrLfIsOneLineEnd)
{
    EXPECT_EQ(noticeLines("one\r\ntwo\r\rthree\n"), "one\ntwo\n\nthree\n");
    EXPECT_EQ(noticeLines("\r"), "\n");
    EXPECT_EQ(noticeLines("\r\n\r"), "\n\n");
    EXPECT_EQ(noticeLines(""), "");
}

} // namespace
