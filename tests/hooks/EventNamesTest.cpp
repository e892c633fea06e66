// tests/hooks/EventNamesTest.cpp — the comment texts beside numbers, at the edges of their tables.
#include <gtest/gtest.h>

#include "hooks/EventNames.h"

namespace
{
// Names at each edge of the table's runs, and the gaps between them.
TEST(EventNamesTest, CodesHaveTheirNamesAndUnknownOutsideTheTables)
{
    const char c_szUnknownKey[] = "unknown virtual key code";
    struct
    {
        int n;
        LPCSTR psz;
    } keys[] = {
        {0, c_szUnknownKey},   {-1, c_szUnknownKey},  {255, c_szUnknownKey},
        {1, "VK_LBUTTON"},     {5, c_szUnknownKey},   {22, c_szUnknownKey},
        {26, c_szUnknownKey},  {48, "ASCII '0'"},     {57, "ASCII '9'"},
        {58, c_szUnknownKey},  {65, "ASCII 'A'"},     {90, "ASCII 'Z'"},
        {94, c_szUnknownKey},  {135, "VK_F24"},       {136, c_szUnknownKey},
        {186, c_szUnknownKey}, {254, "VK_OEM_CLEAR"}, {21, "VK_KANA aka VK_HANGEUL & VK_HANGUL"},
    };
    for (const auto& c : keys)
        EXPECT_STREQ(c.psz, VirtualKeyName(c.n)) << c.n;
    EXPECT_STREQ("MSGF_DIALOGBOX", FilterCodeName(0));
    EXPECT_STREQ("unknown code", FilterCodeName(1));
    EXPECT_STREQ("MSGF_NEXTWINDOW", FilterCodeName(6));
    EXPECT_STREQ("unknown code", FilterCodeName(-1));
    EXPECT_STREQ("HCBT_SETFOCUS", CbtCodeName(9));
    EXPECT_STREQ("HCBT_UNKNOWN", CbtCodeName(10));
    EXPECT_STREQ("HCBT_UNKNOWN", CbtCodeName(-1));
    EXPECT_STREQ("WM_APP", MessageName(32768));
    EXPECT_STREQ("unknown message", MessageName(32769));
    EXPECT_STREQ("unknown message", MessageName(0x10000));
}
} // namespace
