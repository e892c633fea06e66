// tests/hooks/InclExclArrayTest.cpp — the sorted sets behind inclusion and exclusion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hooks/InclExclArray.h"

namespace
{
BOOL Add(EXCLUDE_ARRAY<NUMBER_ARRAY>& a, DWORD dw)
{
    return a.Exclude(dw);
}
BOOL Add(INCLUDE_ARRAY<NUMBER_ARRAY>& a, DWORD dw)
{
    return a.Include(dw);
}
BOOL Add(EXCLUDE_ARRAY<STRING_ARRAY>& a, LPCSTR psz)
{
    return a.Exclude(psz);
}
BOOL Add(INCLUDE_ARRAY<STRING_ARRAY>& a, LPCSTR psz)
{
    return a.Include(psz);
}

template <class TSet> std::vector<DWORD> Values(const TSet& a)
{
    std::vector<DWORD> v;
    for (int i = 0; i < a.Count(); i++)
        v.push_back(a.At(i));
    return v;
}

template <class TSet> std::vector<std::string> Texts(const TSet& a)
{
    std::vector<std::string> v;
    for (int i = 0; i < a.Count(); i++)
        v.push_back(a.At(i));
    return v;
}

std::string g_strDebug;
void CollectDebug(LPCSTR pszText)
{
    g_strDebug += pszText;
}

// Watches the debug texts for the length of a test.
class DebugWatch
{
  public:
    DebugWatch()
    {
        g_strDebug.clear();
        SetDebugObserver(CollectDebug);
    }
    ~DebugWatch() { SetDebugObserver(nullptr); }
    const std::string& Text() const { return g_strDebug; }
};

// Numbers that count comparisons and can refuse to take one chosen value.
class WatchedNumbers : public NUMBER_ARRAY
{
  public:
    int Compare(const void* pA, const void* pB) const override
    {
        cCompares++;
        return NUMBER_ARRAY::Compare(pA, pB);
    }
    BOOL ConstructElement(void* pElement, const void* pSource) override
    {
        if (pSource && *static_cast<const DWORD*>(pSource) == dwRefuse) return FALSE;
        return NUMBER_ARRAY::ConstructElement(pElement, pSource);
    }
    mutable int cCompares = 0;
    DWORD dwRefuse = 0xFFFFFFFF;
};
} // namespace

template <class TSet> class InclExclNumberSetTest : public ::testing::Test
{
  protected:
    TSet set;
};
using NumberSets = ::testing::Types<EXCLUDE_ARRAY<NUMBER_ARRAY>, INCLUDE_ARRAY<NUMBER_ARRAY>>;
TYPED_TEST_SUITE(InclExclNumberSetTest, NumberSets);

TYPED_TEST(InclExclNumberSetTest, AddKeepsOrderAndSkipsValuesAlreadyThere)
{
    DebugWatch watch;
    for (DWORD dw : {9u, 3u, 7u, 3u, 0x80000000u, 9u, 5u, 0x80000000u})
        EXPECT_TRUE(Add(this->set, dw)) << dw;
    EXPECT_EQ((std::vector<DWORD>{3, 5, 7, 9, 0x80000000}), Values(this->set));
    EXPECT_EQ("", watch.Text());
}

TYPED_TEST(InclExclNumberSetTest, FindAnswersOnlyForListedValues)
{
    EXPECT_FALSE(this->set.Find(0));
    for (DWORD dw : {3u, 5u, 7u, 0x80000000u, 0xFFFFFFFFu})
        ASSERT_TRUE(Add(this->set, dw));
    struct Case
    {
        DWORD dw;
        BOOL fListed;
    };
    const Case cases[] = {{0, FALSE},          {3, TRUE},         {4, FALSE},          {5, TRUE},
                          {7, TRUE},           {8, FALSE},        {0x7FFFFFFF, FALSE}, {0x80000000, TRUE},
                          {0xFFFFFFFE, FALSE}, {0xFFFFFFFF, TRUE}};
    for (const Case& c : cases)
        EXPECT_EQ(c.fListed, this->set.Find(c.dw)) << c.dw;
}

TYPED_TEST(InclExclNumberSetTest, RemoveTakesOutOnlyThatValue)
{
    EXPECT_TRUE(this->set.Remove(5)); // nothing there: still success
    for (DWORD dw : {3u, 5u, 7u})
        ASSERT_TRUE(Add(this->set, dw));
    EXPECT_TRUE(this->set.Remove(5));
    EXPECT_EQ((std::vector<DWORD>{3, 7}), Values(this->set));
    EXPECT_TRUE(this->set.Remove(4));
    EXPECT_TRUE(this->set.Remove(5));
    EXPECT_EQ((std::vector<DWORD>{3, 7}), Values(this->set));
    EXPECT_TRUE(this->set.Remove(7));
    EXPECT_TRUE(this->set.Remove(3));
    EXPECT_EQ(0, this->set.Count());
    EXPECT_EQ(nullptr, this->set.Data());
}

TYPED_TEST(InclExclNumberSetTest, RemoveAllEmptiesTheSetForReuse)
{
    for (DWORD dw : {15u, 160u, 275u, 512u})
        ASSERT_TRUE(Add(this->set, dw));
    EXPECT_TRUE(this->set.RemoveAll());
    EXPECT_EQ(0, this->set.Count());
    EXPECT_EQ(nullptr, this->set.Data());
    EXPECT_FALSE(this->set.Find(160));
    EXPECT_TRUE(this->set.RemoveAll());

    ASSERT_TRUE(Add(this->set, 160));
    EXPECT_EQ((std::vector<DWORD>{160}), Values(this->set));
}

template <class TSet> class InclExclStringSetTest : public ::testing::Test
{
  protected:
    TSet set;
};
using StringSets = ::testing::Types<EXCLUDE_ARRAY<STRING_ARRAY>, INCLUDE_ARRAY<STRING_ARRAY>>;
TYPED_TEST_SUITE(InclExclStringSetTest, StringSets);

TYPED_TEST(InclExclStringSetTest, NamesMatchIgnoringCase)
{
    for (LPCSTR psz : {"notepad.exe", "Calc.exe", "NOTEPAD.EXE", "winword.exe", "CALC.EXE"})
        EXPECT_TRUE(Add(this->set, psz)) << psz;
    // The first spelling is the one kept.
    EXPECT_EQ((std::vector<std::string>{"Calc.exe", "notepad.exe", "winword.exe"}), Texts(this->set));

    struct Case
    {
        LPCSTR psz;
        BOOL fListed;
    };
    const Case cases[] = {{"NotePad.Exe", TRUE}, {"calc.exe", TRUE},   {"WINWORD.EXE", TRUE},
                          {"notepad", FALSE},    {"excel.exe", FALSE}, {"", FALSE}};
    for (const Case& c : cases)
        EXPECT_EQ(c.fListed, this->set.Find(c.psz)) << c.psz;

    EXPECT_TRUE(this->set.Remove("NOTEPAD.exe"));
    EXPECT_TRUE(this->set.Remove("excel.exe"));
    EXPECT_EQ((std::vector<std::string>{"Calc.exe", "winword.exe"}), Texts(this->set));
}

TYPED_TEST(InclExclStringSetTest, KeepsItsOwnCopies)
{
    char szName[] = "explorer.exe";
    ASSERT_TRUE(Add(this->set, szName));
    szName[0] = 'X';
    EXPECT_TRUE(this->set.Find("explorer.exe"));
    EXPECT_FALSE(this->set.Find(szName));
    EXPECT_TRUE(this->set.RemoveAll());
    EXPECT_EQ(0, this->set.Count());
}

TEST(InclExclArrayTest, FindStopsAtTheFirstGreaterElement)
{
    EXCLUDE_ARRAY<WatchedNumbers> set;
    for (DWORD dw : {10u, 20u, 30u, 40u, 50u})
        ASSERT_TRUE(set.Exclude(dw));
    struct Case
    {
        DWORD dw;
        int cCompares;
    };
    const Case cases[] = {{5, 1}, {10, 1}, {15, 2}, {30, 3}, {45, 5}, {60, 5}};
    for (const Case& c : cases)
    {
        set.cCompares = 0;
        set.Find(c.dw);
        EXPECT_EQ(c.cCompares, set.cCompares) << c.dw;
    }
}

TEST(InclExclArrayTest, FailedAddReportsAndChangesNothing)
{
    DebugWatch watch;
    EXCLUDE_ARRAY<WatchedNumbers> excluded;
    INCLUDE_ARRAY<WatchedNumbers> included;
    for (DWORD dw : {1u, 3u})
    {
        ASSERT_TRUE(excluded.Exclude(dw));
        ASSERT_TRUE(included.Include(dw));
    }
    excluded.dwRefuse = included.dwRefuse = 2;

    EXPECT_FALSE(excluded.Exclude(2));
    EXPECT_EQ("EXCLUDE_ARRAY::Exclude(): Error adding Value\n", watch.Text());
    EXPECT_EQ((std::vector<DWORD>{1, 3}), Values(excluded));

    g_strDebug.clear();
    EXPECT_FALSE(included.Include(2));
    EXPECT_EQ("INCLUDE_ARRAY::Include(): Error adding Value\n", watch.Text());
    EXPECT_EQ((std::vector<DWORD>{1, 3}), Values(included));

    // A value already listed needs no adding, so nothing can fail.
    g_strDebug.clear();
    excluded.dwRefuse = 3;
    EXPECT_TRUE(excluded.Exclude(3));
    EXPECT_EQ("", watch.Text());
}
