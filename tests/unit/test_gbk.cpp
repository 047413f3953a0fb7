// The one conversion point between GBK and what the screen shows.
#include "GbkText.h"

#include <gtest/gtest.h>

TEST(GbkText, RoundTripsChinese)
{
    std::string gbk = GbkFromUtf8("所有人");
    EXPECT_EQ(gbk, "\xCB\xF9\xD3\xD0\xC8\xCB");
    EXPECT_EQ(Utf8FromGbk(gbk), "所有人");
    EXPECT_EQ(FromGbk(gbk), QStringLiteral("所有人"));
    EXPECT_EQ(ToGbk(QStringLiteral("你好abc")), GbkFromUtf8("你好abc"));
}

TEST(GbkText, BadBytesBecomeReplacementCharacters)
{
    // A lead byte cut at the end, and a byte that starts no GBK character.
    EXPECT_EQ(FromGbk(std::string("ab\xC4", 3)), QStringLiteral("ab\uFFFD"));
    EXPECT_EQ(FromGbk(std::string("\xFF" "x", 2)), QStringLiteral("\uFFFDx"));
    // A character GBK cannot hold does not stop the conversion.
    EXPECT_EQ(ToGbk(QStringLiteral("a\U0001F600b")), "a?b");
    EXPECT_TRUE(FromGbk(std::string()).isEmpty());
}

TEST(GbkText, CutsOnCharacterBoundaries)
{
    std::string s = "a" + GbkFromUtf8("中文") + "b"; // a, 2, 2, b
    EXPECT_EQ(GbkCutLength(s.data(), s.size(), 2), 1u);
    EXPECT_EQ(GbkCutLength(s.data(), s.size(), 3), 3u);
    EXPECT_EQ(GbkCutLength(s.data(), s.size(), 4), 3u);
    EXPECT_EQ(GbkCutLength(s.data(), s.size(), 100), s.size());
    EXPECT_EQ(GbkCut(s, 5), "a" + GbkFromUtf8("中文"));
}
