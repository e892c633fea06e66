// tests/util/PathUtilTest.cpp — path joining and cutting, number parsing and profile reads.
#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

#include "tests/config/ConfigTestFiles.h"
#include "util/PathUtil.h"

TEST(PathUtilTest, AppendJoinsWithOneSeparatorOrLeavesThePathAlone)
{
    const struct
    {
        const char *pszPath, *pszTail;
        char chSeparator;
        UINT cchPath;
        BOOL fResult;
        const char* pszExpected;
    } cases[] = {
        {"", "name", '\\', 16, TRUE, "\\name"},
        {"C:\\dir", "name", '\\', 16, TRUE, "C:\\dir\\name"},
        {"C:\\dir\\", "\\name", '\\', 16, TRUE, "C:\\dir\\name"},
        // Room for the text but not for its terminating zero: refused.
        {"C:\\d", "ab", '\\', 7, FALSE, "C:\\d"},
        {"C:\\d", "ab", '\\', 8, TRUE, "C:\\d\\ab"},
        {"", "ab", '\\', 3, FALSE, ""},
        {"a/", "/b", '/', 16, TRUE, "a/b"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.pszPath) + " + " + c.pszTail + " in " + std::to_string(c.cchPath));
        char szPath[16], szBefore[16];
        memset(szPath, '#', sizeof(szPath));
        strcpy(szPath, c.pszPath);
        memcpy(szBefore, szPath, sizeof(szPath));
        EXPECT_EQ(c.fResult, c.chSeparator == '\\'
                                 ? AppendPath(c.pszTail, szPath, c.cchPath)
                                 : AppendWithSeparator(c.pszTail, c.chSeparator, szPath, c.cchPath));
        EXPECT_STREQ(c.pszExpected, szPath);
        // A refusal writes nothing, and nothing is ever written past the size given.
        size_t cbSame = c.fResult ? sizeof(szPath) - c.cchPath : sizeof(szPath);
        EXPECT_EQ(0, memcmp(szBefore + sizeof(szPath) - cbSame, szPath + sizeof(szPath) - cbSame, cbSame));
    }
}

TEST(PathUtilTest, StripLastComponentZeroesBackToBackslashOrColon)
{
    const struct
    {
        const char *pszPath, *pszExpected;
    } cases[] = {{"C:\\a\\b.txt", "C:\\a"}, {"C:\\", "C:"}, {"C:name", "C:"}, {"dir/file", ""}, {"", ""}};
    for (const auto& c : cases)
    {
        char szPath[16];
        memset(szPath, '#', sizeof(szPath));
        strcpy(szPath, c.pszPath);
        StripLastComponent(szPath);
        EXPECT_STREQ(c.pszExpected, szPath) << c.pszPath;
        for (size_t i = strlen(c.pszExpected); i <= strlen(c.pszPath); i++)
            EXPECT_EQ('\0', szPath[i]) << c.pszPath << " byte " << i;
    }
    StripLastComponent(nullptr);
}

TEST(PathUtilTest, FindFileNameAndExtensionPointIntoThePath)
{
    const struct
    {
        const char* pszPath;
        int ichName, ichExtension; // -1: no extension
    } cases[] = {
        {"C:\\dir\\file.txt", 7, 11}, {"a\\b/c.d", 4, 5},        {"C:file.txt", 2, 6}, {"file", 0, -1},
        {"C:\\dir.v2\\file", 10, -1}, {"d.v2\\f.tar.gz", 5, 10}, {".profile", 0, 0},
    };
    for (const auto& c : cases)
    {
        char szPath[32];
        strcpy(szPath, c.pszPath);
        EXPECT_EQ(szPath + c.ichName, FindFileName(szPath)) << c.pszPath;
        EXPECT_EQ(c.ichExtension < 0 ? nullptr : c.pszPath + c.ichExtension, FindExtension(c.pszPath))
            << c.pszPath;
    }
    EXPECT_EQ(nullptr, FindFileName(static_cast<LPCSTR>(nullptr)));
    EXPECT_EQ(nullptr, FindExtension(static_cast<LPSTR>(nullptr)));
}

TEST(PathUtilTest, ParseNumberTakesDecimalOctalAndHexAndNothingElse)
{
    const struct
    {
        const char* pszText;
        DWORD dwExpected;
    } accepted[] = {
        {"0X1f", 31},
        {"017", 15},
        {" 42 ", 42},
        {"\t+7", 7},
        {"0", 0},
        {"4294967295", 0xFFFFFFFF},
        {"0xFFFFFFFF", 0xFFFFFFFF},
        {"037777777777", 0xFFFFFFFF},
    };
    for (const auto& c : accepted)
    {
        DWORD dw = 0xCDCDCDCD;
        EXPECT_TRUE(ParseNumber(c.pszText, &dw)) << c.pszText;
        EXPECT_EQ(c.dwExpected, dw) << c.pszText;
    }
    const char* const rejected[] = {nullptr,       "08",          "4 2", "",   "  ",   "++7",
                                    "0x",          "0xg",         "-1",  "1f", "0X+1", "4294967296",
                                    "0x100000000", "040000000000"};
    for (const char* pszText : rejected)
    {
        DWORD dw = 0xCDCDCDCD;
        EXPECT_FALSE(ParseNumber(pszText, &dw)) << (pszText ? pszText : "null");
        EXPECT_EQ(0xCDCDCDCDu, dw) << (pszText ? pszText : "null");
    }
}

// A profile file of its own in the temporary folder, deleted afterwards.
class PathUtilProfileTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char szFolder[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(sizeof(szFolder), szFolder));
        ASSERT_NE(0u, GetTempFileNameA(szFolder, "pu", 0, szFile));
    }
    void TearDown() override
    {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, szFile); // drop any cached copy
        DeleteFileA(szFile);
    }
    void Write(const std::string& strText) { EXPECT_TRUE(configtest::WriteBytes(szFile, strText)); }
    // Reads, checks the block size and answers the value, or the names of a list that ends with two zeros.
    std::vector<std::string> Read(LPCSTR pszSection, LPCSTR pszKey, LPCSTR pszDefault, SIZE_T cbExpected)
    {
        std::vector<std::string> names;
        LPSTR psz = ReadProfileString(pszSection, pszKey, pszDefault, szFile);
        if (!psz) return names;
        EXPECT_EQ(cbExpected, GlobalSize(GlobalHandle(psz)));
        if (pszSection && pszKey)
            names.push_back(psz);
        else
        {
            for (LPCSTR pch = psz; *pch; pch += strlen(pch) + 1)
                names.push_back(pch);
        }
        FreeProfileString(psz);
        return names;
    }
    char szFile[MAX_PATH] = "";
};

TEST_F(PathUtilProfileTest, ValueBufferGrowsBy32UntilTheValueFits)
{
    // A value of size - 1 characters may have been cut, so it takes the next size.
    const struct
    {
        size_t cch;
        SIZE_T cbExpected;
    } cases[] = {{30, 32}, {31, 64}, {100, 128}};
    std::string strIni = "[S]\r\n";
    for (const auto& c : cases)
        strIni += "K" + std::to_string(c.cch) + "=" + std::string(c.cch, 'v') + "\r\n";
    Write(strIni);
    for (const auto& c : cases)
    {
        std::string strKey = "K" + std::to_string(c.cch);
        EXPECT_EQ(std::vector<std::string>{std::string(c.cch, 'v')},
                  Read("S", strKey.c_str(), "", c.cbExpected));
    }
    const std::string strLongDefault(40, 'd');
    EXPECT_EQ(std::vector<std::string>{"dflt"}, Read("S", "Missing", "dflt", 32));
    EXPECT_EQ(std::vector<std::string>{strLongDefault}, Read("Nowhere", "K0", strLongDefault.c_str(), 64));
}

TEST_F(PathUtilProfileTest, ListsFitOnlyWithRoomForBothZeros)
{
    // Key lists of 29 and 30 characters before the final zero; 30 is size - 2, which may mean cut.
    Write("[A]\r\n" + std::string(26, 'a') + "=1\r\nk=2\r\n[B]\r\n" + std::string(27, 'b') + "=1\r\nk=2\r\n");
    EXPECT_EQ((std::vector<std::string>{std::string(26, 'a'), "k"}), Read("A", nullptr, "", 32));
    EXPECT_EQ((std::vector<std::string>{std::string(27, 'b'), "k"}), Read("B", nullptr, "", 64));
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), Read(nullptr, nullptr, "", 32));
}
