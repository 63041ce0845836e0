#include "core/run/notice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using kivo::core::because;
using kivo::core::kLastReasonKind;
using kivo::core::Language;
using kivo::core::Notice;
using kivo::core::noticeDisplayText;
using kivo::core::NoticeKind;
using kivo::core::noticeLines;
using kivo::core::Reason;
using kivo::core::ReasonKind;
using kivo::core::reasonText;
using kivo::core::within;

TEST(NoticeLines, EachLoneCrAndEachCrLfIsOneLineEnd)
{
    EXPECT_EQ(noticeLines("one\r\ntwo\r\rthree\n"), "one\ntwo\n\nthree\n");
    EXPECT_EQ(noticeLines("\r"), "\n");
    EXPECT_EQ(noticeLines("\r\n\r"), "\n\n");
    EXPECT_EQ(noticeLines(""), "");
}

TEST(NoticeDisplayText, TheReasonIsASecondParagraphInJapaneseAndNoReasonAddsNothing)
{
    const Reason reason = within(ReasonKind::CannotOpen, "/d/a b.dat", Reason{{}, "Permission denied"});
    EXPECT_EQ(noticeDisplayText({NoticeKind::FileNotOpen, "a b.dat", 0, reason}),
              "File[ a b.dat ] not open\r\r" + reasonText(reason, Language::Japanese));
    EXPECT_EQ(noticeDisplayText({NoticeKind::OutfileNotOpen, {}}), "Outfile not open");
}

// kivo-convert's lines keep the words scripts and users have always read from it.
TEST(ReasonText, StepsOutermostFirstThenTheSystemsSentenceAsItIs)
{
    const Reason reason = within(ReasonKind::CannotCreate, "/d/o.itx",
                                 within(ReasonKind::CannotWriteInFolder, "/d", Reason{{}, "Permission denied"}));
    EXPECT_EQ(reasonText(reason, Language::English),
              "cannot create /d/o.itx: cannot write in the folder /d: Permission denied");
    const std::string japanese = reasonText(reason, Language::Japanese);
    const std::string tail = ": Permission denied";
    ASSERT_GT(japanese.size(), tail.size());
    EXPECT_EQ(japanese.substr(japanese.size() - tail.size()), tail);
    EXPECT_LT(japanese.find("/d/o.itx"), japanese.find("/d "));
    EXPECT_EQ(reasonText(Reason{{}, "Is a directory"}, Language::Japanese), "Is a directory");
    EXPECT_EQ(reasonText({}, Language::Japanese), "");
}

// Every step has Japanese words of its own for the windows, naming its subject wherever
// the English words do.
TEST(ReasonText, EveryStepIsWordedInJapanese)
{
    const std::string subject = "/d/S.dat";
    for (int k = 0; k <= static_cast<int>(kLastReasonKind); ++k) {
        const Reason reason = because(static_cast<ReasonKind>(k), subject);
        const std::string japanese = reasonText(reason, Language::Japanese);
        const std::string english = reasonText(reason, Language::English);
        EXPECT_TRUE(std::any_of(japanese.begin(), japanese.end(), [](char c) { return (c & 0x80) != 0; }))
            << k << ": " << japanese;
        EXPECT_NE(english, "") << k;
        EXPECT_EQ(japanese.find(subject) != std::string::npos, english.find(subject) != std::string::npos)
            << k << ": " << japanese;
    }
}

} // namespace
