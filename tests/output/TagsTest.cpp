// tests/output/TagsTest.cpp — the vocabulary: texts outside the tables, the key-attribute lists the state
// comparison matches elements by, and the value-name search.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/Tags.h"
#include "util/Assert.h"

namespace
{
std::vector<std::string> g_asserts;
} // namespace

TEST(TagsTest, IndexesOutsideTheTablesGiveErrorTextsAndAssert)
{
    g_asserts.clear();
    SetAssertObserver([](LPCSTR pszText) { g_asserts.push_back(pszText); });
    EXPECT_STREQ("?xml version=\"1.0\"?", Tags::TagTxt(TAG_XML_DECLARATION));
    EXPECT_STREQ("Same", Tags::AttrTxt(ATTR_SAME));
    EXPECT_TRUE(g_asserts.empty());
    EXPECT_STREQ("TagError", Tags::TagTxt(41));
    EXPECT_STREQ("TagError", Tags::TagTxt(0xFFFFFFFF));
    EXPECT_STREQ("AttributeError", Tags::AttrTxt(5));
    SetAssertObserver(nullptr);
    EXPECT_EQ((std::vector<std::string>{"ASSERT Tags TagTxt: <41> - invalid tag request.",
                                        "ASSERT Tags TagTxt: <4294967295> - invalid tag request.",
                                        "ASSERT Tags AttrTxt: <5> - invalid attribute request."}),
              g_asserts);
}

TEST(TagsTest, KeyAttributeListsAreFoundByExactTagAndHoldTheirReferenceLengths)
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
        {"MenuItem", TAG_MENUITEM, 8 + 2 + 15 + 9 + 15, {TAG_HMENU, TAG_ID, TAG_INDEX}},
        {"Task", TAG_TASK, 4 + 2 + 21 + 19 + 17, {TAG_THREADID, TAG_HTASK16, TAG_HMOD16}},
    };
    Tags tags;
    EXPECT_FALSE(tags.FindKeyAttrList("Window")) << "no list before BuildKeyAttrLists";
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
    for (const char* pszMiss : {"window", "WINDOW", "Window ", "hWnd", ""})
        EXPECT_FALSE(tags.FindKeyAttrList(pszMiss)) << pszMiss;
    EXPECT_FALSE(tags.FindKeyAttrList(nullptr));
    EXPECT_FALSE(tags.KeyAttrListOf(TAG_COUNT));
}

TEST(TagsTest, ValueNamesAreFoundIgnoringCase)
{
    for (const char* pszHit : {"Action", "zDelta", "scanCode", "SCANCODE", "hwndNewCapture", "id", "yPos"})
        EXPECT_TRUE(Tags::IsValueName(pszHit)) << pszHit;
    // Empty, before the first, between neighbours, past the last, and tags that are no value names.
    for (const char* pszMiss : {"", "Aaa", "Actions", "hwndNew", "zz", "Window", "StateID"})
        EXPECT_FALSE(Tags::IsValueName(pszMiss)) << pszMiss;
    EXPECT_FALSE(Tags::IsValueName(nullptr));
}
