// tests/output/StateCmpTest.cpp — pairs of small states written through the writer and the tag map; what
// the capture file receives after the first state is the delta.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "output/StateCmp.h"
#include "tests/output/TagMapSupport.h"

using tagmaptest::MapFixture;

namespace
{
// One line of the delta: tabs, text, line feed.
std::string L(int nIndent, const std::string& text)
{
    return std::string(nIndent, '\t') + text + "\n";
}

std::string Delta(const std::string& body)
{
    return L(1, "<EventStateChanges>") + L(2, "<ID state=\"Modified\">2</ID>") + body +
           L(1, "</EventStateChanges>");
}

const char c_szNotepad[] = "  Window\n    hWnd=10\n    hParentWnd=0\n    ClassName=Notepad\n    Text=abc\n";
const char c_szEdit[] = "  Window\n    hWnd=20\n    hParentWnd=0\n    ClassName=Edit\n    Text=x\n";

std::string State(int nId, const std::string& children)
{
    return "GetStateEvent\n  ID=" + std::to_string(nId) + "\n" + children;
}

std::string KeyChildren(int nIndent, const char* pszHwnd, const char* pszParent, const char* pszClass)
{
    return L(nIndent, std::string("<hWnd>") + pszHwnd + "</hWnd>") +
           L(nIndent, std::string("<hParentWnd>") + pszParent + "</hParentWnd>") +
           L(nIndent, std::string("<ClassName>") + pszClass + "</ClassName>");
}

std::string NotepadWithText(const char* pszText)
{
    return std::string("  Window\n    hWnd=10\n    hParentWnd=0\n    ClassName=Notepad\n    Text=") +
           pszText + "\n";
}

// What the capture file receives for the second of two states.
std::string DeltaOf(const std::string& prev, const std::string& cur)
{
    std::string bytes;
    {
        MapFixture first;
        if (!first.Start() || !first.WriteState(1, prev)) return "<state 1 failed>";
        bytes = first.Finish();
    }
    MapFixture both;
    if (!both.Start() || !both.WriteState(1, prev) || !both.WriteState(2, cur)) return "<state 2 failed>";
    std::string all = both.Finish();
    if (all.compare(0, bytes.size(), bytes) != 0) return "<state 1 differs>";
    return all.substr(bytes.size());
}

TEST(StateCmpTest, WritesEachKindOfChangeAsTheComparisonDefinesIt)
{
    const std::string menu = "  Menu\n    hMenu=7\n"
                             "    MenuItem\n      hMenu=7\n      ID=100\n      Index=0\n      Text=Open\n"
                             "    MenuItem\n      hMenu=7\n      ID=101\n      Index=1\n      Text=";
    const std::string buttons = "  ToolBarButton\n    Index=0\n    fsState=";
    const struct
    {
        const char* pszName;
        std::string prev, cur, expected;
    } cases[] = {
        {"only the state number changed", State(1, c_szNotepad), State(2, c_szNotepad), Delta("")},
        {"a window whose text changed", State(1, c_szNotepad), State(2, NotepadWithText("abcd")),
         Delta(L(2, "<Window state=\"Modified\">") + KeyChildren(3, "10", "0", "Notepad") +
               L(3, "<Text state=\"Modified\">abcd</Text>") + L(2, "</Window>"))},
        {"a deleted window keeps only its key children", State(1, std::string(c_szNotepad) + c_szEdit),
         State(2, c_szNotepad),
         Delta(L(2, "<Window state=\"Deleted\">") + KeyChildren(3, "20", "0", "Edit") + L(2, "</Window>"))},
        {"a new window is written whole", State(1, c_szNotepad),
         State(2, std::string(c_szNotepad) +
                      "  Window\n    hWnd=30\n    hParentWnd=10\n    ClassName=Button\n    Text=OK\n"),
         Delta(L(2, "<Window state=\"New\">") + KeyChildren(3, "30", "10", "Button") +
               L(3, "<Text>OK</Text>") + L(2, "</Window>"))},
        {"equal keys are matched by the longest common prefix",
         State(1, NotepadWithText("alpha one") + NotepadWithText("beta two")),
         State(2, NotepadWithText("beta twx") + NotepadWithText("alpha onx")),
         Delta(L(2, "<Window state=\"Modified\">") + KeyChildren(3, "10", "0", "Notepad") +
               L(3, "<Text state=\"Modified\">alpha onx</Text>") + L(2, "</Window>") +
               L(2, "<Window state=\"Modified\">") + KeyChildren(3, "10", "0", "Notepad") +
               L(3, "<Text state=\"Modified\">beta twx</Text>") + L(2, "</Window>"))},
        {"different start tags are never matched", State(1, "  Caption=a\n"), State(2, "  Title=a\n"),
         Delta("\t\t<Caption state=\"Deleted\">\t\t</Caption>\n" + L(2, "<Title state=\"New\">") + "a\n" +
               L(2, "</Title>"))},
        {"menu items and toolbar buttons are matched by their keys",
         State(1, menu + "Save\n" + buttons + "4\n  ToolBarButton\n    Index=1\n    fsState=4\n"),
         State(2, menu + "Save As\n" + buttons + "0\n  ToolBarButton\n    Index=2\n    fsState=4\n"),
         Delta(L(2, "<Menu state=\"Modified\">") + L(3, "<hMenu>7</hMenu>") +
               L(3, "<MenuItem state=\"Modified\">") + L(4, "<hMenu>7</hMenu>") + L(4, "<ID>101</ID>") +
               L(4, "<Index>1</Index>") + L(4, "<Text state=\"Modified\">Save As</Text>") +
               L(3, "</MenuItem>") + L(2, "</Menu>") + L(2, "<ToolBarButton state=\"Modified\">") +
               L(3, "<Index>0</Index>") + L(3, "<fsState state=\"Modified\">0</fsState>") +
               L(2, "</ToolBarButton>") + L(2, "<ToolBarButton state=\"Deleted\">") +
               L(3, "<Index>1</Index>") + L(2, "</ToolBarButton>") + L(2, "<ToolBarButton state=\"New\">") +
               L(3, "<Index>2</Index>") + L(3, "<fsState>4</fsState>") + L(2, "</ToolBarButton>"))},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        EXPECT_EQ(c.expected, DeltaOf(c.prev, c.cur));
    }
}

// An element above 1,000,000 bytes is never matched, so it is written as deleted and whole as new: the
// delta loses nothing, and the assertion reports the size.
TEST(StateCmpTest, AnElementAboveAMillionBytesIsReplacedWhole)
{
    std::string big(1000001, 'q');
    std::string delta =
        DeltaOf(State(1, NotepadWithText(big.c_str())), State(2, NotepadWithText((big + "r").c_str())));
    EXPECT_EQ(Delta(L(2, "<Window state=\"Deleted\">") + KeyChildren(3, "10", "0", "Notepad") +
                    L(2, "</Window>") + L(2, "<Window state=\"New\">") +
                    KeyChildren(3, "10", "0", "Notepad") + L(3, "<Text>" + big + "r</Text>") +
                    L(2, "</Window>")),
              delta);
    // The size reported is the whole element's, above the limit.
    const auto& asserts = tagmaptest::Asserts();
    const std::string prefix = "ASSERT StateCmp GetCompareExtent: Total chars = ";
    EXPECT_TRUE(std::any_of(asserts.begin(), asserts.end(), [&](const std::string& text) {
        return text.rfind(prefix, 0) == 0 && atol(text.c_str() + prefix.size()) > 1000000;
    }));
}

TEST(StateCmpTest, StateAttributeAndAssertionTexts)
{
    char sz[56];
    EXPECT_TRUE(StateCmp::BuildStateAttr(sz, sizeof(sz), "Modified"));
    EXPECT_STREQ(" state=\"Modified\"", sz);
    tagmaptest::Asserts().clear();
    SetAssertObserver([](LPCSTR psz) { tagmaptest::Asserts().push_back(psz); });
    EXPECT_FALSE(StateCmp::BuildStateAttr(sz, 16, "Modified"));
    EXPECT_STREQ("", sz);
    SetAssertObserver(nullptr);
    EXPECT_EQ(std::vector<std::string>{"ASSERT StateCmp BuildStateAttr: attribute exceeds buffer size."},
              tagmaptest::Asserts());
}
} // namespace
