// tests/hooks/InclExclArrayTest.cpp — the sorted sets behind inclusion and exclusion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hooks/InclExclArray.h"

namespace
{
template <class TArray> BOOL Add(EXCLUDE_ARRAY<TArray>& a, typename TArray::Value v)
{
    return a.Exclude(v);
}
template <class TArray> BOOL Add(INCLUDE_ARRAY<TArray>& a, typename TArray::Value v)
{
    return a.Include(v);
}

template <class TSet> std::vector<std::string> Contents(const TSet& a)
{
    std::vector<std::string> v;
    for (int i = 0; i < a.Count(); i++)
        v.push_back(testing::PrintToString(a.At(i)));
    return v;
}

std::string g_strDebug;
void CollectDebug(LPCSTR pszText)
{
    g_strDebug += pszText;
}

// Numbers that refuse to take one chosen value.
class WatchedNumbers : public NUMBER_ARRAY
{
  public:
    BOOL ConstructElement(void* pElement, const void* pSource) override
    {
        if (pSource && *static_cast<const DWORD*>(pSource) == dwRefuse) return FALSE;
        return NUMBER_ARRAY::ConstructElement(pElement, pSource);
    }
    DWORD dwRefuse = 0;
};
} // namespace

template <class TSet> class InclExclNumberSetTest : public ::testing::Test
{
  protected:
    TSet set;
};
using NumberSets = ::testing::Types<EXCLUDE_ARRAY<NUMBER_ARRAY>, INCLUDE_ARRAY<NUMBER_ARRAY>>;
TYPED_TEST_SUITE(InclExclNumberSetTest, NumberSets);

TYPED_TEST(InclExclNumberSetTest, AddsOnceInOrderAndFindsOnlyWhatIsListed)
{
    EXPECT_FALSE(this->set.Find(0));
    for (DWORD dw : {9u, 3u, 0xFFFFFFFFu, 3u, 0x80000000u, 9u})
        EXPECT_TRUE(Add(this->set, dw)) << dw;
    EXPECT_EQ((std::vector<std::string>{"3", "9", "2147483648", "4294967295"}), Contents(this->set));

    const struct
    {
        DWORD dw;
        BOOL fListed;
    } cases[] = {{0, FALSE},          {3, TRUE},          {4, FALSE},          {9, TRUE},
                 {0x7FFFFFFF, FALSE}, {0x80000000, TRUE}, {0xFFFFFFFE, FALSE}, {0xFFFFFFFF, TRUE}};
    for (const auto& c : cases)
        EXPECT_EQ(c.fListed, this->set.Find(c.dw)) << c.dw;
}

TYPED_TEST(InclExclNumberSetTest, RemoveSucceedsWhetherOrNotTheValueIsThere)
{
    EXPECT_TRUE(this->set.Remove(5));
    for (DWORD dw : {3u, 5u, 7u})
        ASSERT_TRUE(Add(this->set, dw));
    EXPECT_TRUE(this->set.Remove(5));
    EXPECT_TRUE(this->set.Remove(4));
    EXPECT_EQ((std::vector<std::string>{"3", "7"}), Contents(this->set));
    EXPECT_TRUE(this->set.RemoveAll());
    EXPECT_EQ(nullptr, this->set.Data());
    EXPECT_FALSE(this->set.Find(3));
    EXPECT_TRUE(Add(this->set, 7));
    EXPECT_EQ((std::vector<std::string>{"7"}), Contents(this->set));
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
    char szName[] = "notepad.exe";
    for (LPCSTR psz : {static_cast<LPCSTR>(szName), "Calc.exe", "NOTEPAD.EXE", "winword.exe", "CALC.EXE"})
        EXPECT_TRUE(Add(this->set, psz)) << psz;
    szName[0] = 'X'; // the set holds its own copy
    EXPECT_EQ((std::vector<std::string>{"\"Calc.exe\"", "\"notepad.exe\"", "\"winword.exe\""}),
              Contents(this->set));

    const struct
    {
        LPCSTR psz;
        BOOL fListed;
    } cases[] = {
        {"NotePad.Exe", TRUE}, {"calc.exe", TRUE}, {"WINWORD.EXE", TRUE}, {"notepad", FALSE}, {"", FALSE}};
    for (const auto& c : cases)
        EXPECT_EQ(c.fListed, this->set.Find(c.psz)) << c.psz;

    EXPECT_TRUE(this->set.Remove("NOTEPAD.exe"));
    EXPECT_TRUE(this->set.Remove("excel.exe"));
    EXPECT_EQ((std::vector<std::string>{"\"Calc.exe\"", "\"winword.exe\""}), Contents(this->set));
}

TEST(InclExclArrayTest, FailedAddReportsAndChangesNothing)
{
    EXCLUDE_ARRAY<WatchedNumbers> excluded;
    INCLUDE_ARRAY<WatchedNumbers> included;
    ASSERT_TRUE(excluded.Exclude(1));
    ASSERT_TRUE(included.Include(1));
    excluded.dwRefuse = included.dwRefuse = 2;
    g_strDebug.clear();
    SetDebugObserver(CollectDebug);
    EXPECT_FALSE(excluded.Exclude(2));
    EXPECT_FALSE(included.Include(2));
    EXPECT_TRUE(excluded.Exclude(1)); // already there: nothing to add, nothing to fail
    SetDebugObserver(nullptr);
    EXPECT_EQ("EXCLUDE_ARRAY::Exclude(): Error adding Value\nINCLUDE_ARRAY::Include(): Error adding Value\n",
              g_strDebug);
    EXPECT_EQ((std::vector<std::string>{"1"}), Contents(excluded));
    EXPECT_EQ((std::vector<std::string>{"1"}), Contents(included));
}
