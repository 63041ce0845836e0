#include "intake/intake.h"

#include "recording_window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kivo::core::Notice;
using kivo::core::NoticeKind;
using kivo::intake::sanitizePrefix;

struct PrefixCase {
    std::string typed;
    std::string sanitized;
    bool firstReplaced;
};

const PrefixCase kPrefixCases[] = {
    {"run1", "run1", false},
    {"Z9_z", "Z9_z", false},
    {"1st-run", "wst_run", true},
    {"", "w", true},
    {"_a", "wa", true},
    {"1", "w", true},
    {"my run", "my_run", false},
    {"x-y", "x_y", false},
    {"a.b,c\\d/e", "a_b_c_d_e", false},
    // The bytes just outside each allowed range: @ [ ` { / :
    {"A@Z[a`z{09/:", "A_Z_a_z_09__", false},
    {"@", "w", true},
    {"[", "w", true},
    {"`", "w", true},
    {"{", "w", true},
    // Every byte of a multi-byte character is judged on its own.
    {"a測", "a___", false},
    {"測定", "w_____", true},
    {"a\x83\x5C", "a__", false},        // CP932 ソ: its 0x5C second byte too
    {"\x83\x5C" "a", "w_a", true},
    {"a\t\r\n", "a___", false},
    {std::string("a\0b", 3), "a_b", false},
    // Cut so that the longest wave name, PREFIX_LongMomentSD, stays within Igor's 255 bytes.
    {std::string(242, 'a'), std::string(242, 'a'), false},
    {std::string(300, 'a'), std::string(242, 'a'), false},
    {"1" + std::string(250, '\xE6'), "w" + std::string(241, '_'), true},
};

TEST(SanitizePrefix, ForcesTheWaveNameShape)
{
    for (const PrefixCase& c : kPrefixCases) {
        std::string prefix = c.typed;
        EXPECT_EQ(sanitizePrefix(prefix), c.firstReplaced) << '"' << c.typed << '"';
        EXPECT_EQ(prefix, c.sanitized) << '"' << c.typed << '"';
    }
}

TEST(SanitizeWavePrefix, WorksOnTheFieldWithOneNoticeAtMost)
{
    for (const PrefixCase& c : kPrefixCases) {
        kivo::testing::RecordingHost window;
        window.wavePrefix = "stale value";
        window.prefixField = c.typed;
        window.outputField = "/out/x.itx";

        kivo::intake::SanitizeWavePrefix(window);

        EXPECT_EQ(window.prefixField, c.sanitized) << '"' << c.typed << '"';
        EXPECT_EQ(window.wavePrefix, c.sanitized) << '"' << c.typed << '"';
        EXPECT_EQ(window.outputField, "/out/x.itx");
        if (c.firstReplaced) {
            ASSERT_EQ(window.shown.size(), 1u) << '"' << c.typed << '"';
            EXPECT_EQ(window.shown[0].notice, (Notice{NoticeKind::PrefixFirstLetter, {}}));
        } else {
            EXPECT_TRUE(window.shown.empty()) << '"' << c.typed << '"';
        }
    }
}

TEST(SanitizeWavePrefix, NoticeOpensWhileTheFieldStillShowsWhatWasTyped)
{
    kivo::testing::RecordingHost window;
    window.prefixField = "1st-run";
    kivo::intake::SanitizeWavePrefix(window);
    ASSERT_EQ(window.shown.size(), 1u);
    EXPECT_EQ(window.shown[0].prefixField, "1st-run");
    EXPECT_EQ(window.prefixField, "wst_run");
}

TEST(SanitizeWavePrefix, AnEmptiedFieldBecomesW)
{
    kivo::testing::RecordingHost window;
    window.prefixField = "run1";
    kivo::intake::SanitizeWavePrefix(window);
    window.prefixField.clear();
    kivo::intake::SanitizeWavePrefix(window);
    EXPECT_EQ(window.prefixField, "w");
    EXPECT_EQ(window.noticeKinds(), std::vector<NoticeKind>{NoticeKind::PrefixFirstLetter});
}

} // namespace
