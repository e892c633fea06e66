// tests/util/DynamicArrayTest.cpp — element order, storage and element life cycle of the arrays.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/DynamicArray.h"

namespace
{
std::vector<DWORD> Values(const NUMBER_ARRAY& a)
{
    std::vector<DWORD> v;
    for (int i = 0; i < a.Count(); i++)
        v.push_back(a.At(i));
    return v;
}

std::vector<std::string> Texts(const STRING_ARRAY& a)
{
    std::vector<std::string> v;
    for (int i = 0; i < a.Count(); i++)
        v.push_back(a.At(i));
    return v;
}

NUMBER_ARRAY* Fill(NUMBER_ARRAY& a, std::initializer_list<DWORD> values)
{
    for (DWORD dw : values)
        EXPECT_TRUE(a.AppendSorted(&dw));
    return &a;
}

// Bytes held by the storage block; 0 when there is none.
SIZE_T StorageSize(const DYNAMIC_ARRAY& a)
{
    return a.Data() ? GlobalSize(GlobalHandle(a.Data())) : 0;
}

// Logs " +n" for each element made and " -n" for each destroyed; elements made without a source get
// serial numbers 1, 2, ... One chosen value can be made to fail either way.
class TracedArray : public DYNAMIC_ARRAY
{
  public:
    ~TracedArray() { DestroyAll(); }
    UINT ElementSize() const override { return sizeof(DWORD); }
    BOOL ConstructElement(void* pElement, const void* pSource) override
    {
        DWORD dw = pSource ? *static_cast<const DWORD*>(pSource) : ++dwSerial;
        if (dw == dwRefuseConstruct) return FALSE;
        *static_cast<DWORD*>(pElement) = dw;
        *pstrLog += " +" + std::to_string(dw);
        return TRUE;
    }
    BOOL DestroyElement(void* pElement) override
    {
        DWORD dw = *static_cast<DWORD*>(pElement);
        if (dw == dwRefuseDestroy) return FALSE;
        *pstrLog += " -" + std::to_string(dw);
        return TRUE;
    }
    int Compare(const void* pA, const void* pB) const override
    {
        return static_cast<int>(*static_cast<const DWORD*>(pA)) -
               static_cast<int>(*static_cast<const DWORD*>(pB));
    }
    DWORD At(int i) const { return *static_cast<const DWORD*>(ElementPtr(i)); }

    std::string* pstrLog = nullptr;
    DWORD dwRefuseConstruct = 0; // 0: refuse nothing
    DWORD dwRefuseDestroy = 0;
    DWORD dwSerial = 0;
};
} // namespace

TEST(DynamicArrayTest, GetAndSetWorkOnlyBelowCount)
{
    const struct
    {
        int i;
        BOOL fInside;
    } cases[] = {{-1, FALSE}, {0, TRUE}, {2, TRUE}, {3, FALSE}};
    for (const auto& c : cases)
    {
        NUMBER_ARRAY a;
        ASSERT_TRUE(a.Grow(3));
        DWORD dwOut = 0xCDCDCDCD, dwIn = 77;
        EXPECT_EQ(c.fInside, a.Get(c.i, &dwOut)) << c.i;
        EXPECT_EQ(c.fInside ? 0u : 0xCDCDCDCDu, dwOut) << c.i;
        EXPECT_EQ(c.fInside, a.Set(c.i, &dwIn)) << c.i;
        std::vector<DWORD> expected(3, 0);
        if (c.fInside) expected[c.i] = 77;
        EXPECT_EQ(expected, Values(a)) << c.i;
    }
}

TEST(DynamicArrayTest, StorageHoldsExactlyTheElementsAndGoesWithTheLast)
{
    NUMBER_ARRAY a;
    Fill(a, {10, 20, 30});
    ASSERT_TRUE(a.Grow(2));
    EXPECT_EQ((std::vector<DWORD>{10, 20, 30, 0, 0}), Values(a));
    EXPECT_EQ(20u, StorageSize(a));
    EXPECT_NE(0u, GlobalFlags(GlobalHandle(a.Data())) & GMEM_LOCKCOUNT);
    EXPECT_FALSE(a.RemoveAt(5));
    ASSERT_TRUE(a.RemoveAt(1));
    EXPECT_EQ((std::vector<DWORD>{10, 30, 0, 0}), Values(a));
    ASSERT_TRUE(a.Shrink(3));
    EXPECT_EQ(4u, StorageSize(a));
    ASSERT_TRUE(a.RemoveAt(0));
    EXPECT_EQ(0, a.Count());
    EXPECT_EQ(nullptr, a.Data());
    Fill(a, {8});
    EXPECT_EQ((std::vector<DWORD>{8}), Values(a));
}

TEST(DynamicArrayTest, AppendSortedKeepsNumbersInUnsignedOrder)
{
    const struct
    {
        DWORD dw;
        std::vector<DWORD> expected;
    } cases[] = {{5, {3, 5, 7, 9}}, {0, {0, 3, 7, 9}}, {10, {3, 7, 9, 10}}};
    for (const auto& c : cases)
    {
        NUMBER_ARRAY a;
        EXPECT_EQ(c.expected, Values(*Fill(*Fill(a, {3, 7, 9}), {c.dw}))) << c.dw;
    }
    NUMBER_ARRAY a;
    Fill(a, {0x80000000u, 1u, 0xFFFFFFFFu, 0x7FFFFFFFu});
    EXPECT_EQ((std::vector<DWORD>{1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}), Values(a));
}

TEST(DynamicArrayTest, StringsAreOwnCopiesSortedIgnoringCase)
{
    STRING_ARRAY a;
    char szSource[] = "beta";
    for (LPCSTR psz : {static_cast<LPCSTR>(szSource), "Alpha", "gamma", "ALPHA", "alpha"})
        ASSERT_TRUE(a.AppendSorted(&psz));
    szSource[0] = 'X';
    // Equal ignoring case: the newcomer goes after the ones already there.
    EXPECT_EQ((std::vector<std::string>{"Alpha", "ALPHA", "alpha", "beta", "gamma"}), Texts(a));
    ASSERT_TRUE(a.RemoveAt(1));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "alpha", "beta", "gamma"}), Texts(a));
}

TEST(DynamicArrayTest, ElementsAreMadeAndDestroyedOnceAndFailuresRollBack)
{
    std::string strLog;
    {
        TracedArray a;
        a.pstrLog = &strLog;
        ASSERT_TRUE(a.Grow(5));
        ASSERT_TRUE(a.RemoveAt(1));
        ASSERT_TRUE(a.Shrink(2));
        EXPECT_EQ(" +1 +2 +3 +4 +5 -2 -5 -4", strLog);
        strLog.clear();
    }
    EXPECT_EQ(" -1 -3", strLog); // the destructor, in index order

    strLog.clear();
    TracedArray a;
    a.pstrLog = &strLog;
    ASSERT_TRUE(a.Grow(1));
    a.dwRefuseConstruct = 4;
    EXPECT_FALSE(a.Grow(4));
    EXPECT_EQ(" +1 +2 +3 -3 -2", strLog);
    EXPECT_EQ(1, a.Count());
    EXPECT_EQ(sizeof(DWORD), StorageSize(a));
    a.dwRefuseDestroy = 1;
    EXPECT_FALSE(a.Clear());
    EXPECT_EQ(1, a.Count());
    a.dwRefuseDestroy = 0;
}
