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

template <class TSet> std::vector<DWORD> Contents(const TSet& a)
{
    std::vector<DWORD> v;
    for (int i = 0; i < a.Count(); i++)
        v.push_back(a.At(i));
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

TYPED_TEST(InclExclNumberSetTest, AddsOnceFindsOnlyWhatIsListedAndRemovesQuietly)
{
    EXPECT_FALSE(this->set.Find(0));
    EXPECT_TRUE(this->set.Remove(5)); // removing from an empty set is no failure
    for (DWORD dw : {9u, 3u, 0xFFFFFFFFu, 3u, 5u, 9u})
        EXPECT_TRUE(Add(this->set, dw)) << dw;
    EXPECT_EQ((std::vector<DWORD>{3, 5, 9, 0xFFFFFFFF}), Contents(this->set));
    for (DWORD dw : {0u, 4u, 0xFFFFFFFEu})
        EXPECT_FALSE(this->set.Find(dw)) << dw;
    EXPECT_TRUE(this->set.Find(0xFFFFFFFF));

    EXPECT_TRUE(this->set.Remove(5));
    EXPECT_TRUE(this->set.Remove(4));
    EXPECT_EQ((std::vector<DWORD>{3, 9, 0xFFFFFFFF}), Contents(this->set));
    EXPECT_TRUE(this->set.RemoveAll());
    EXPECT_EQ(nullptr, this->set.Data());
    EXPECT_FALSE(this->set.Find(3));
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
    EXPECT_EQ(std::vector<DWORD>{1}, Contents(excluded));
    EXPECT_EQ(std::vector<DWORD>{1}, Contents(included));
}
