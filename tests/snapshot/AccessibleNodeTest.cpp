// tests/snapshot/AccessibleNodeTest.cpp — the accessibility text: its escaping, its exact layout, and a
// real window's object tree.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "snapshot/AccessibleNode.h"
#include "util/GlobalText.h"

namespace
{
TEST(AccessibleNodeTest, TheEscaperKeepsControlCharactersAsReferences)
{
    const struct
    {
        const char* pszIn;
        const char* pszOut;
    } cases[] = {
        {"a&b", "a&amp;b"},     {"<x>", "&lt;x&gt;"},  {"#1", "&#x23;1"},
        {"\t\b", "&#x9;&#x8;"}, {"f\x0Cg", "f&#xc;g"}, {"line\r\nnext", "line\r\nnext"},
        {"\xE9", "\xC3\xA9"},   {"\"'", "\"'"},
    };
    for (const auto& c : cases)
    {
        LPSTR psz = AccessibilityEscape(c.pszIn);
        ASSERT_NE(nullptr, psz);
        EXPECT_STREQ(c.pszOut, psz) << c.pszIn;
        delete[] psz;
    }
}

TEST(AccessibleNodeTest, TheTextHasItsFixedLayout)
{
    AccessibleNode root;
    root.hwnd = reinterpret_cast<HWND>(77);
    root.bstrName = SysAllocString(L"R&D");
    root.dwRole = 10;
    root.dwState = 1048576;
    root.left = -1;
    root.right = 5;
    root.cChildren = 1;
    root.pChildren = new AccessibleNode[1];
    root.pChildren[0].dwRole = 43;
    root.pChildren[0].bottom = 2;
    const char* pszExpected =
        "\t<Object>\n"
        " \t\t<Name>R&amp;D</Name>\n"
        "   \t\t<hWnd>\n77</hWnd> \t\t<Role>10</Role>\n"
        "  \t\t<state>1048576</state>\n"
        " \t\t<RECT><left>-1</left><top>0</top><right>5</right><bottom>0</bottom></RECT>\n"
        "\t\t<children>\n"
        "\t\t\t<Object>\n"
        "     \t\t\t\t<Role>43</Role>\n"
        "  \t\t\t\t<state>0</state>\n"
        " \t\t\t\t<RECT><left>0</left><top>0</top><right>0</right><bottom>2</bottom></RECT>\n"
        "\t\t\t</Object>\n"
        "\t\t</children>\n"
        "\t</Object>\n";
    ASSERT_NE(nullptr, root.ToXml(1));
    EXPECT_STREQ(pszExpected, root.pszXml);

    AccessibleNode deep;
    std::string xml = deep.ToXml(60);
    EXPECT_EQ(std::string(49, '\t') + "<Object>\n", xml.substr(0, 58)) << "depth is capped at 49 tabs";
}

// Wine answers E_NOTIMPL for many child objects: whatever it answers, the dump is made and well formed.
TEST(AccessibleNodeTest, AWindowsObjectTreeIsCaptured)
{
    HWND hwnd = CreateWindowExA(0, "#32770", "Dump Me", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                nullptr, nullptr, nullptr);
    CreateWindowExA(0, "BUTTON", "Press", WS_CHILD | WS_VISIBLE, 5, 5, 60, 20, hwnd, nullptr, nullptr,
                    nullptr);
    CoInitialize(nullptr);
    LPSTR psz = AccessibilityText(hwnd);
    CoUninitialize();
    DestroyWindow(hwnd);
    ASSERT_NE(nullptr, psz);
    std::string xml = psz;
    GlobalTextFree(psz);
    EXPECT_EQ(0u, xml.find("\t<Object>\n")) << xml;
    EXPECT_NE(std::string::npos, xml.find("<Name>Dump Me</Name>")) << xml;
    EXPECT_NE(std::string::npos, xml.find("<children>")) << xml;
    EXPECT_EQ("\t</Object>\n", xml.substr(xml.size() - 11));
}
} // namespace
