// tests/hooks/EventNamesTest.cpp — the comment texts beside numbers, at the edges of their tables.
#include <gtest/gtest.h>

#include "hooks/EventNames.h"

namespace
{
TEST(EventNamesTest, MessagesAreNamedOnlyForTheListedNumbers)
{
    int nNamed = 0;
    for (UINT n = 0; n <= 0x10000; ++n)
        if (std::string(MessageName(n)) != "unknown message")
        {
            ++nNamed;
            EXPECT_EQ(0, std::string(MessageName(n)).rfind("WM_", 0)) << n;
        }
    EXPECT_EQ(47, nNamed);
    EXPECT_STREQ("WM_USER", MessageName(1024));
    EXPECT_STREQ("unknown message", MessageName(1025));
    EXPECT_STREQ("WM_APP", MessageName(32768));
    EXPECT_STREQ("unknown message", MessageName(32769));
    EXPECT_STREQ("WM_MOUSEWHEEL", MessageName(522));
    EXPECT_STREQ("WM_CAPTURECHANGED", MessageName(533));
    EXPECT_STREQ("WM_NCMBUTTONDBLCLK", MessageName(169));
    EXPECT_STREQ("unknown message", MessageName(170));
}

TEST(EventNamesTest, VirtualKeysHaveTheirNamesAndUnknownOutsideTheTable)
{
    struct
    {
        int n;
        LPCSTR psz;
    } cases[] = {
        {0, "unknown virtual key code"},
        {-1, "unknown virtual key code"},
        {255, "unknown virtual key code"},
        {1, "VK_LBUTTON"},
        {3, "VK_CANCEL"},
        {5, "unknown virtual key code"},
        {21, "VK_KANA aka VK_HANGEUL & VK_HANGUL"},
        {22, "unknown virtual key code"},
        {23, "VK_JUNJA"},
        {24, "VK_FINAL"},
        {25, "VK_HANJA aka VK_KANJI"},
        {26, "unknown virtual key code"},
        {27, "VK_ESCAPE"},
        {44, "VK_SNAPSHOT"},
        {47, "VK_HELP"},
        {48, "ASCII '0'"},
        {57, "ASCII '9'"},
        {58, "unknown virtual key code"},
        {64, "unknown virtual key code"},
        {65, "ASCII 'A'"},
        {90, "ASCII 'Z'"},
        {91, "VK_LWIN"},
        {94, "unknown virtual key code"},
        {96, "VK_NUMPAD0"},
        {111, "VK_DIVIDE"},
        {112, "VK_F1"},
        {135, "VK_F24"},
        {136, "unknown virtual key code"},
        {144, "VK_NUMLOCK"},
        {165, "VK_RMENU"},
        {186, "unknown virtual key code"},
        {229, "VK_PROCESSKEY"},
        {246, "VK_ATTN"},
        {254, "VK_OEM_CLEAR"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.psz, VirtualKeyName(c.n)) << c.n;
}

TEST(EventNamesTest, FilterAndCbtCodes)
{
    EXPECT_STREQ("MSGF_DIALOGBOX", FilterCodeName(0));
    EXPECT_STREQ("unknown code", FilterCodeName(1));
    EXPECT_STREQ("MSGF_MENU", FilterCodeName(2));
    EXPECT_STREQ("MSGF_NEXTWINDOW", FilterCodeName(6));
    EXPECT_STREQ("unknown code", FilterCodeName(-1));
    EXPECT_STREQ("HCBT_MOVESIZE", CbtCodeName(0));
    EXPECT_STREQ("HCBT_DESTROYWND", CbtCodeName(4));
    EXPECT_STREQ("HCBT_SETFOCUS", CbtCodeName(9));
    EXPECT_STREQ("HCBT_UNKNOWN", CbtCodeName(10));
    EXPECT_STREQ("HCBT_UNKNOWN", CbtCodeName(-1));
}
} // namespace
