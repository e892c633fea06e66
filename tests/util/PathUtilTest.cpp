// tests/util/PathUtilTest.cpp — path joining and cutting, number parsing and profile reads.
#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

#include "util/PathUtil.h"

namespace
{
struct AppendCase
{
    const char* pszPath;
    const char* pszTail;
    char chSeparator;
    UINT cchPath;
    BOOL fResult;
    const char* pszExpected;
};

const AppendCase c_appendCases[] = {
    {"", "name", '\\', 64, TRUE, "\\name"},
    {"", "\\name", '\\', 64, TRUE, "\\name"},
    {"C:\\dir", "name", '\\', 64, TRUE, "C:\\dir\\name"},
    {"C:\\dir", "\\name", '\\', 64, TRUE, "C:\\dir\\name"},
    {"C:\\dir\\", "name", '\\', 64, TRUE, "C:\\dir\\name"},
    {"C:\\dir\\", "\\name", '\\', 64, TRUE, "C:\\dir\\name"},
    // Only one leading separator of the tail is dropped.
    {"C:\\", "\\\\x", '\\', 64, TRUE, "C:\\\\x"},
    {"C:\\d", "", '\\', 64, TRUE, "C:\\d\\"},
    // Room for the text but not for its terminating zero: refused.
    {"C:\\d", "ab", '\\', 7, FALSE, "C:\\d"},
    {"C:\\d", "ab", '\\', 8, TRUE, "C:\\d\\ab"},
    {"C:\\d\\", "ab", '\\', 7, FALSE, "C:\\d\\"},
    {"C:\\d\\", "\\ab", '\\', 8, TRUE, "C:\\d\\ab"},
    {"", "ab", '\\', 3, FALSE, ""},
    {"", "ab", '\\', 4, TRUE, "\\ab"},
    {"a", "b", '/', 64, TRUE, "a/b"},
    {"a/", "/b", '/', 64, TRUE, "a/b"},
    {"a\\", "b", '/', 64, TRUE, "a\\/b"},
};
} // namespace

TEST(PathUtilTest, AppendWithSeparatorJoinsOnceOrLeavesThePathAlone)
{
    for (const AppendCase& c : c_appendCases)
    {
        SCOPED_TRACE(std::string(c.pszPath) + " + " + c.pszTail + " in " + std::to_string(c.cchPath));
        char szPath[80];
        memset(szPath, '#', sizeof(szPath));
        strcpy(szPath, c.pszPath);
        char szBefore[80];
        memcpy(szBefore, szPath, sizeof(szPath));

        EXPECT_EQ(c.fResult, AppendWithSeparator(c.pszTail, c.chSeparator, szPath, c.cchPath));
        EXPECT_STREQ(c.pszExpected, szPath);
        if (!c.fResult)
        {
            EXPECT_EQ(0, memcmp(szBefore, szPath, sizeof(szPath)));
        }
        // Nothing is written past the buffer size given.
        for (size_t i = c.cchPath; i < sizeof(szPath); i++)
            EXPECT_EQ(szBefore[i], szPath[i]) << "byte " << i;
    }
}

TEST(PathUtilTest, AppendPathUsesBackslash)
{
    char szPath[16] = "";
    ASSERT_TRUE(AppendPath("name", szPath, sizeof(szPath)));
    EXPECT_STREQ("\\name", szPath);
    ASSERT_TRUE(AppendPath("\\b.txt", szPath, sizeof(szPath)));
    EXPECT_STREQ("\\name\\b.txt", szPath);
    EXPECT_FALSE(AppendPath("long", szPath, sizeof(szPath)));
    EXPECT_STREQ("\\name\\b.txt", szPath);
}

TEST(PathUtilTest, StripLastComponentCutsBackToBackslashOrColon)
{
    struct Case
    {
        const char* pszPath;
        const char* pszExpected;
    };
    const Case cases[] = {
        {"C:\\a\\b.txt", "C:\\a"},
        {"C:\\a\\", "C:\\a"},
        {"C:\\a", "C:"},
        {"C:\\", "C:"},
        {"C:name", "C:"},
        {"name", ""},
        {"", ""},
        {"\\\\srv\\share", "\\\\srv"},
        {"dir/file", ""},
        {"\\", ""},
        {"a:b\\c:d", "a:b\\c:"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszPath);
        char szPath[32];
        memset(szPath, '#', sizeof(szPath));
        strcpy(szPath, c.pszPath);
        size_t cchOld = strlen(c.pszPath);
        StripLastComponent(szPath);
        EXPECT_STREQ(c.pszExpected, szPath);
        // Every byte that was cut is zero.
        for (size_t i = strlen(c.pszExpected); i <= cchOld; i++)
            EXPECT_EQ('\0', szPath[i]) << "byte " << i;
        EXPECT_EQ('#', szPath[cchOld + 1]);
    }
    StripLastComponent(nullptr);
}

TEST(PathUtilTest, FindFileNameAndExtensionPointIntoThePath)
{
    struct Case
    {
        const char* pszPath;
        int ichName;      // offset of the file name
        int ichExtension; // offset of the extension, -1 for none
    };
    const Case cases[] = {
        {"C:\\dir\\file.txt", 7, 11},
        {"dir/sub/file", 8, -1},
        {"a\\b/c.d", 4, 5},
        {"a/b\\c", 4, -1},
        {"C:file.txt", 2, 6},
        {"x:y\\z", 4, -1},
        {"file", 0, -1},
        {"C:\\dir\\", 7, -1},
        {"", 0, -1},
        {"C:\\dir.v2\\file", 10, -1},
        {"C:\\dir.v2\\file.tar.gz", 10, 18},
        {"file.", 0, 4},
        {".profile", 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszPath);
        char szPath[32];
        strcpy(szPath, c.pszPath);
        EXPECT_EQ(szPath + c.ichName, FindFileName(szPath));
        EXPECT_EQ(c.pszPath + c.ichName, FindFileName(c.pszPath));
        EXPECT_EQ(c.ichExtension < 0 ? nullptr : szPath + c.ichExtension, FindExtension(szPath));
        EXPECT_EQ(c.ichExtension < 0 ? nullptr : c.pszPath + c.ichExtension, FindExtension(c.pszPath));
    }
    EXPECT_EQ(nullptr, FindFileName(static_cast<LPCSTR>(nullptr)));
    EXPECT_EQ(nullptr, FindExtension(static_cast<LPCSTR>(nullptr)));
}

TEST(PathUtilTest, ParseNumberAcceptsDecimalOctalAndHex)
{
    struct Case
    {
        const char* pszText;
        DWORD dwExpected;
    };
    const Case cases[] = {
        {"0x1F", 31},
        {"0X1f", 31},
        {"017", 15},
        {" 42 ", 42},
        {"\t42\t", 42},
        {"+7", 7},
        {"  +7", 7},
        {"0", 0},
        {"00", 0},
        {"0x0", 0},
        {"007", 7},
        {"4294967295", 0xFFFFFFFF},
        {"0xFFFFFFFF", 0xFFFFFFFF},
        {"037777777777", 0xFFFFFFFF},
        {"0x00000000000010", 16},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pszText);
        DWORD dw = 0xCDCDCDCD;
        EXPECT_TRUE(ParseNumber(c.pszText, &dw));
        EXPECT_EQ(c.dwExpected, dw);
    }
}

TEST(PathUtilTest, ParseNumberRejectsMalformedTextAndLeavesTheValue)
{
    const char* const texts[] = {
        "08",           "09",
        "4 2",          "7+",
        "abc",          "",
        "   ",          "+",
        "++7",          "+7+",
        "0x",           "0x ",
        "0xg",          "00x1",
        "x1",           "-1",
        "1a",           "12 x",
        "7 +",          "1f",
        "0x1 2",        "0X+1",
        "4294967296",   "0x100000000",
        "040000000000", "99999999999999999999",
    };
    for (const char* pszText : texts)
    {
        SCOPED_TRACE(pszText);
        DWORD dw = 0xCDCDCDCD;
        EXPECT_FALSE(ParseNumber(pszText, &dw));
        EXPECT_EQ(0xCDCDCDCDu, dw);
    }
    DWORD dw = 0xCDCDCDCD;
    EXPECT_FALSE(ParseNumber(nullptr, &dw));
    EXPECT_EQ(0xCDCDCDCDu, dw);
}

// A private profile file of its own in the temporary folder, deleted afterwards.
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
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, szFile); // flush any cached copy
        DeleteFileA(szFile);
    }
    void WriteContents(const std::string& strText)
    {
        HANDLE h =
            CreateFileA(szFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        DWORD cbWritten = 0;
        EXPECT_TRUE(WriteFile(h, strText.data(), static_cast<DWORD>(strText.size()), &cbWritten, nullptr));
        CloseHandle(h);
    }
    // The names of a zero-separated list that ends with two zeros.
    static std::vector<std::string> Names(LPCSTR psz)
    {
        std::vector<std::string> names;
        for (; *psz; psz += strlen(psz) + 1)
            names.push_back(psz);
        return names;
    }
    static SIZE_T BlockSize(LPSTR psz) { return GlobalSize(GlobalHandle(psz)); }

    char szFile[MAX_PATH] = "";
};

TEST_F(PathUtilProfileTest, ValueBufferGrowsBy32UntilTheValueFits)
{
    struct Case
    {
        size_t cch;
        SIZE_T cbExpected;
    };
    // A value of size - 1 characters looks cut, so it takes the next size.
    const Case cases[] = {{0, 32}, {30, 32}, {31, 64}, {62, 64}, {63, 96}, {100, 128}};
    std::string strIni = "[Sounds]\r\n";
    for (const Case& c : cases)
        strIni += "Len" + std::to_string(c.cch) + "=" + std::string(c.cch, 'v') + "\r\n";
    WriteContents(strIni);

    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.cch);
        std::string strKey = "Len" + std::to_string(c.cch);
        LPSTR psz = ReadProfileString("Sounds", strKey.c_str(), "", szFile);
        ASSERT_NE(nullptr, psz);
        EXPECT_EQ(std::string(c.cch, 'v'), psz);
        EXPECT_EQ(c.cbExpected, BlockSize(psz));
        EXPECT_NE(0u, GlobalFlags(GlobalHandle(psz)) & GMEM_LOCKCOUNT);
        FreeProfileString(psz);
    }
}

TEST_F(PathUtilProfileTest, MissingEntriesGiveTheDefault)
{
    WriteContents("[Settings]\r\nSelfCapture=1\r\n");
    const std::string strLongDefault(40, 'd');
    struct Case
    {
        const char* pszSection;
        const char* pszKey;
        const char* pszDefault;
        std::string strExpected;
    };
    const Case cases[] = {
        {"Settings", "SelfCapture", "0", "1"},
        {"Settings", "Missing", "dflt", "dflt"},
        {"Nowhere", "SelfCapture", "dflt", "dflt"},
        {"Settings", "Missing", "", ""},
        {"Settings", "Missing", strLongDefault.c_str(), strLongDefault},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.pszSection) + "/" + c.pszKey);
        LPSTR psz = ReadProfileString(c.pszSection, c.pszKey, c.pszDefault, szFile);
        ASSERT_NE(nullptr, psz);
        EXPECT_EQ(c.strExpected, psz);
        FreeProfileString(psz);
    }
}

TEST_F(PathUtilProfileTest, KeyAndSectionListsEndWithTwoZeros)
{
    WriteContents("[Window Messages]\r\n15=0\r\n160=0\r\n275=0\r\n512=0\r\n1024=1\r\n2048=1\r\n"
                  "4096=1\r\n8192=1\r\n[Applications]\r\nnotepad.exe=0\r\n");

    LPSTR psz = ReadProfileString("Window Messages", nullptr, "", szFile);
    ASSERT_NE(nullptr, psz);
    std::vector<std::string> keys = Names(psz);
    EXPECT_EQ((std::vector<std::string>{"15", "160", "275", "512", "1024", "2048", "4096", "8192"}), keys);
    size_t cchList = 0;
    for (const std::string& str : keys)
        cchList += str.size() + 1;
    EXPECT_EQ('\0', psz[cchList]);
    EXPECT_EQ(64u, BlockSize(psz)); // a list of 35 characters
    FreeProfileString(psz);

    psz = ReadProfileString(nullptr, nullptr, "", szFile);
    ASSERT_NE(nullptr, psz);
    EXPECT_EQ((std::vector<std::string>{"Window Messages", "Applications"}), Names(psz));
    FreeProfileString(psz);
}

TEST_F(PathUtilProfileTest, ListFitsOnlyWithRoomForBothZeros)
{
    struct Case
    {
        size_t cchFirstKey; // the list is this key, a zero, "k", a zero and the final zero
        SIZE_T cbExpected;
    };
    // Lists of 29 and 30 characters before the final zero: 30 is size - 2, which also means "cut".
    const Case cases[] = {{26, 32}, {27, 64}};
    std::string strIni;
    for (const Case& c : cases)
        strIni += "[S" + std::to_string(c.cchFirstKey) + "]\r\n" + std::string(c.cchFirstKey, 'a') +
                  "=1\r\nk=2\r\n";
    WriteContents(strIni);

    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.cchFirstKey);
        std::string strSection = "S" + std::to_string(c.cchFirstKey);
        LPSTR psz = ReadProfileString(strSection.c_str(), nullptr, "", szFile);
        ASSERT_NE(nullptr, psz);
        EXPECT_EQ((std::vector<std::string>{std::string(c.cchFirstKey, 'a'), "k"}), Names(psz));
        EXPECT_EQ(c.cbExpected, BlockSize(psz));
        FreeProfileString(psz);
    }
}
