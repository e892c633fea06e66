// tests/output/TagsTest.cpp — the vocabulary: texts by index, the key-attribute lists the state
// comparison matches elements by, and the value-name search.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/Tags.h"
#include "util/Assert.h"

namespace
{
std::vector<std::string>* g_pAsserts;

void OnAssert(LPCSTR pszText)
{
    if (g_pAsserts) g_pAsserts->push_back(pszText);
}

// Collects the assertion texts handed over while it lives.
class AssertWatch
{
  public:
    AssertWatch()
    {
        g_pAsserts = &texts;
        SetAssertObserver(OnAssert);
    }
    ~AssertWatch()
    {
        SetAssertObserver(nullptr);
        g_pAsserts = nullptr;
    }
    AssertWatch(const AssertWatch&) = delete;
    AssertWatch& operator=(const AssertWatch&) = delete;

    std::vector<std::string> texts;
};
} // namespace

TEST(TagsTest, TextsByIndexAndErrorTextsOutsideTheTables)
{
    const struct
    {
        UINT nTag;
        const char* pszText;
    } tags[] = {
        {TAG_BOTTOM, "bottom"},
        {TAG_SIMCAP, "SimCap"},
        {TAG_XML_DECLARATION, "?xml version=\"1.0\"?"},
        {TAG_CBTCREATEWND, "CBTCREATEWND"},
    };
    AssertWatch watch;
    for (const auto& t : tags)
        EXPECT_STREQ(t.pszText, Tags::TagTxt(t.nTag)) << t.nTag;
    EXPECT_STREQ("state", Tags::AttrTxt(ATTR_STATE));
    EXPECT_STREQ("Same", Tags::AttrTxt(ATTR_SAME));
    EXPECT_TRUE(watch.texts.empty());

    EXPECT_STREQ("TagError", Tags::TagTxt(41));
    EXPECT_STREQ("TagError", Tags::TagTxt(0xFFFFFFFF));
    EXPECT_STREQ("AttributeError", Tags::AttrTxt(5));
    EXPECT_EQ((std::vector<std::string>{"ASSERT Tags TagTxt: <41> - invalid tag request.",
                                        "ASSERT Tags TagTxt: <4294967295> - invalid tag request.",
                                        "ASSERT Tags AttrTxt: <5> - invalid attribute request."}),
              watch.texts);
}

TEST(TagsTest, KeyAttributeListsHoldTheirKeysAndReferenceLengths)
{
    // Reference length: tag text + 2 + for each key (2 x key text + 5).
    const struct
    {
        const char* pszTag;
        UINT nTag;
        int nRefLength;
        std::vector<UINT> keys;
    } lists[] = {
        {"Window", TAG_WINDOW, 69, {TAG_HWND, TAG_HPARENTWND, TAG_CLASSNAME}},
        {"Menu", TAG_MENU, 4 + 2 + 15, {TAG_HMENU}},
        {"MenuItem", TAG_MENUITEM, 8 + 2 + 15 + 9 + 15, {TAG_HMENU, TAG_ID, TAG_INDEX}},
        {"Task", TAG_TASK, 4 + 2 + 21 + 19 + 17, {TAG_THREADID, TAG_HTASK16, TAG_HMOD16}},
        {"ToolBarButton", TAG_TOOLBARBUTTON, 13 + 2 + 15, {TAG_INDEX}},
    };
    Tags tags;
    ASSERT_TRUE(tags.BuildKeyAttrLists());
    for (const auto& l : lists)
    {
        KeyAttrList list = tags.FindKeyAttrList(l.pszTag);
        ASSERT_TRUE(list) << l.pszTag;
        EXPECT_EQ(l.nTag, list.Tag()) << l.pszTag;
        EXPECT_EQ(l.nRefLength, list.RefLength()) << l.pszTag;
        std::vector<UINT> keys;
        for (UINT i = 0; i < list.Count(); i++)
            keys.push_back(list.KeyTag(i));
        EXPECT_EQ(l.keys, keys) << l.pszTag;
        EXPECT_EQ(l.nRefLength, tags.KeyAttrListOf(l.nTag).RefLength()) << l.pszTag;
    }

    int nListed = 0;
    for (UINT nTag = 0; nTag < TAG_COUNT; nTag++)
        nListed += tags.KeyAttrListOf(nTag) ? 1 : 0;
    EXPECT_EQ(5, nListed);
}

TEST(TagsTest, FindKeyAttrListMatchesListedTagsExactly)
{
    Tags unbuilt;
    EXPECT_FALSE(unbuilt.FindKeyAttrList("Window")) << "no list before BuildKeyAttrLists";

    Tags tags;
    ASSERT_TRUE(tags.BuildKeyAttrLists());
    for (const char* pszMiss : {"window", "WINDOW", "Window ", "hWnd", "Event", ""})
        EXPECT_FALSE(tags.FindKeyAttrList(pszMiss)) << pszMiss;
    EXPECT_FALSE(tags.FindKeyAttrList(nullptr));
    EXPECT_FALSE(tags.KeyAttrListOf(TAG_COUNT));
}

TEST(TagsTest, ValueNamesAreFoundIgnoringCase)
{
    for (const char* pszHit : {"Action", "zDelta", "ScanCode", "scanCode", "SCANCODE", "hwndNewCapture", "ID",
                               "id", "HzntlExt", "fsStyle", "ModuleID", "TopIndex", "x", "yPos"})
        EXPECT_TRUE(Tags::IsValueName(pszHit)) << pszHit;
    // Empty, before the first, between neighbours, past the last, and tags that are no value names.
    for (const char* pszMiss : {"", "Aaa", "Actions", "ButtonWidths", "hwndNew", "Scan", "zz", "Window",
                                "Event", "StateID", "EventType"})
        EXPECT_FALSE(Tags::IsValueName(pszMiss)) << pszMiss;
    EXPECT_FALSE(Tags::IsValueName(nullptr));
}
