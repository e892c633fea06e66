// tests/hooks/InclExclArrayTest.cpp — a failed add to the sorted sets behind inclusion and exclusion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hooks/InclExclArray.h"
#include "tests/support/DiagCapture.h"

namespace
{
template <class TSet> std::vector<DWORD> Contents(const TSet& a)
{
    std::vector<DWORD> v;
    for (int i = 0; i < a.Count(); i++)
        v.push_back(a.At(i));
    return v;
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

TEST(InclExclArrayTest, FailedAddReportsAndChangesNothing)
{
    EXCLUDE_ARRAY<WatchedNumbers> excluded;
    INCLUDE_ARRAY<WatchedNumbers> included;
    ASSERT_TRUE(excluded.Exclude(1));
    ASSERT_TRUE(included.Include(1));
    excluded.dwRefuse = included.dwRefuse = 2;
    DiagCapture diag;
    EXPECT_FALSE(excluded.Exclude(2));
    EXPECT_FALSE(included.Include(2));
    EXPECT_TRUE(excluded.Exclude(1)); // already there: nothing to add, nothing to fail
    EXPECT_EQ("EXCLUDE_ARRAY::Exclude(): Error adding Value\nINCLUDE_ARRAY::Include(): Error adding Value\n",
              diag.Joined());
    EXPECT_EQ(std::vector<DWORD>{1}, Contents(excluded));
    EXPECT_EQ(std::vector<DWORD>{1}, Contents(included));
}
