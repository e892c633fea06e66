// tests/util/DynamicArrayTest.cpp — element order, storage and element life cycle of the arrays.
#include <gtest/gtest.h>

#include <algorithm>
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
        v.push_back(a.At(i) ? a.At(i) : "<null>");
    return v;
}

// Bytes held by the array's storage block; 0 when it has none.
SIZE_T StorageSize(const DYNAMIC_ARRAY& a)
{
    return a.Data() ? GlobalSize(GlobalHandle(a.Data())) : 0;
}

BOOL AppendNumber(NUMBER_ARRAY& a, DWORD dw)
{
    return a.AppendSorted(&dw);
}

BOOL AppendText(STRING_ARRAY& a, LPCSTR psz)
{
    return a.AppendSorted(&psz);
}

// Numbers whose construction and destruction are written to a log (" +n" / " -n"); elements made
// without a source get serial numbers 1, 2, ... so the log shows which one is which. Chosen values can
// be made to fail.
class TracedArray : public DYNAMIC_ARRAY
{
  public:
    explicit TracedArray(std::string* pLog) : pstrLog(pLog) {}
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
        DWORD a = *static_cast<const DWORD*>(pA), b = *static_cast<const DWORD*>(pB);
        return a < b ? -1 : a > b ? 1 : 0;
    }
    DWORD At(int i) const { return *static_cast<const DWORD*>(ElementPtr(i)); }

    DWORD dwRefuseConstruct = 0; // 0: refuse nothing
    DWORD dwRefuseDestroy = 0;

  private:
    std::string* pstrLog;
    DWORD dwSerial = 0;
};
} // namespace

TEST(DynamicArrayTest, GetAndSetWorkOnlyBelowCount)
{
    struct Case
    {
        int i;
        BOOL fInside;
    };
    const Case cases[] = {{-1, FALSE}, {0, TRUE}, {2, TRUE}, {3, FALSE}, {4, FALSE}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.i);
        NUMBER_ARRAY a;
        ASSERT_TRUE(a.Grow(3));
        DWORD dwOut = 0xCDCDCDCD;
        EXPECT_EQ(c.fInside, a.Get(c.i, &dwOut));
        EXPECT_EQ(c.fInside ? 0u : 0xCDCDCDCDu, dwOut);

        DWORD dwIn = 77;
        EXPECT_EQ(c.fInside, a.Set(c.i, &dwIn));
        std::vector<DWORD> expected(3, 0);
        if (c.fInside) expected[c.i] = 77;
        EXPECT_EQ(expected, Values(a));
    }
}

TEST(DynamicArrayTest, EmptyArrayHasNothingToGet)
{
    NUMBER_ARRAY a;
    DWORD dw = 5;
    EXPECT_FALSE(a.Get(0, &dw));
    EXPECT_FALSE(a.Set(0, &dw));
    EXPECT_EQ(nullptr, a.Data());
    EXPECT_TRUE(a.Clear());
    EXPECT_TRUE(a.Sort());
}

TEST(DynamicArrayTest, GrowAddsZeroedElementsAndKeepsTheOldOnes)
{
    NUMBER_ARRAY a;
    ASSERT_TRUE(a.Grow(3));
    EXPECT_EQ((std::vector<DWORD>{0, 0, 0}), Values(a));
    EXPECT_EQ(12u, StorageSize(a));
    // The storage stays locked while the array holds it.
    EXPECT_NE(0u, GlobalFlags(GlobalHandle(a.Data())) & GMEM_LOCKCOUNT);

    for (int i = 0; i < 3; i++)
    {
        DWORD dw = 10 * (i + 1);
        ASSERT_TRUE(a.Set(i, &dw));
    }
    ASSERT_TRUE(a.Grow(2));
    EXPECT_EQ((std::vector<DWORD>{10, 20, 30, 0, 0}), Values(a));
    EXPECT_EQ(20u, StorageSize(a));
}

TEST(DynamicArrayTest, ShrinkAndRemoveGiveBackStorage)
{
    NUMBER_ARRAY a;
    ASSERT_TRUE(AppendNumber(a, 4));
    ASSERT_TRUE(a.RemoveAt(0));
    EXPECT_EQ(0, a.Count());
    EXPECT_EQ(nullptr, a.Data());

    ASSERT_TRUE(a.Grow(5));
    ASSERT_TRUE(a.Shrink(2));
    EXPECT_EQ(3, a.Count());
    EXPECT_EQ(12u, StorageSize(a));
    ASSERT_TRUE(a.Shrink(3));
    EXPECT_EQ(0, a.Count());
    EXPECT_EQ(nullptr, a.Data());

    // The array is usable again after it was emptied.
    ASSERT_TRUE(AppendNumber(a, 8));
    EXPECT_EQ((std::vector<DWORD>{8}), Values(a));
}

TEST(DynamicArrayTest, RemoveAtClosesTheGap)
{
    struct Case
    {
        int i;
        std::vector<DWORD> expected;
    };
    const Case cases[] = {
        {0, {20, 30, 40, 50}}, {2, {10, 20, 40, 50}}, {4, {10, 20, 30, 40}}, {5, {10, 20, 30, 40, 50}}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.i);
        NUMBER_ARRAY a;
        for (DWORD dw : {10, 20, 30, 40, 50})
            ASSERT_TRUE(AppendNumber(a, dw));
        EXPECT_EQ(c.i < 5, a.RemoveAt(c.i));
        EXPECT_EQ(c.expected, Values(a));
        EXPECT_EQ(c.expected.size() * sizeof(DWORD), StorageSize(a));
    }
}

TEST(DynamicArrayTest, AppendSortedPutsTheValueInPlace)
{
    struct Case
    {
        DWORD dw;
        std::vector<DWORD> expected;
    };
    const Case cases[] = {
        {5, {3, 5, 7, 9}}, {1, {1, 3, 7, 9}}, {10, {3, 7, 9, 10}}, {7, {3, 7, 7, 9}}, {0, {0, 3, 7, 9}}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.dw);
        NUMBER_ARRAY a;
        for (DWORD dw : {3, 7, 9})
            ASSERT_TRUE(AppendNumber(a, dw));
        ASSERT_TRUE(AppendNumber(a, c.dw));
        EXPECT_EQ(c.expected, Values(a));
    }
}

TEST(DynamicArrayTest, NumbersCompareUnsigned)
{
    NUMBER_ARRAY a;
    for (DWORD dw : {0x80000000u, 1u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0u})
        ASSERT_TRUE(AppendNumber(a, dw));
    EXPECT_EQ((std::vector<DWORD>{0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}), Values(a));
}

TEST(DynamicArrayTest, SortOrdersAnyArrangement)
{
    const std::vector<std::vector<DWORD>> inputs = {
        {5, 4, 3, 2, 1}, {2, 1}, {1, 2, 3}, {3, 1, 3, 1, 2}, {0xFFFFFFFF, 0, 0x80000000}, {42}};
    for (const std::vector<DWORD>& input : inputs)
    {
        NUMBER_ARRAY a;
        ASSERT_TRUE(a.Grow(static_cast<int>(input.size())));
        for (size_t i = 0; i < input.size(); i++)
            ASSERT_TRUE(a.Set(static_cast<int>(i), &input[i]));
        ASSERT_TRUE(a.Sort());
        std::vector<DWORD> expected = input;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, Values(a));
    }
}

TEST(DynamicArrayTest, StringsAreCopiedIntoTheirOwnBlocks)
{
    STRING_ARRAY a;
    char szSource[] = "notepad.exe";
    ASSERT_TRUE(AppendText(a, szSource));
    szSource[0] = 'X';
    ASSERT_EQ(1, a.Count());
    EXPECT_STREQ("notepad.exe", a.At(0));
    EXPECT_NE(static_cast<LPCSTR>(szSource), a.At(0));
    EXPECT_EQ(sizeof(szSource), GlobalSize(GlobalHandle(a.At(0))));

    // Get hands out the stored pointer itself.
    LPCSTR psz = nullptr;
    ASSERT_TRUE(a.Get(0, &psz));
    EXPECT_EQ(a.At(0), psz);
}

TEST(DynamicArrayTest, StringsSortIgnoringCaseAndEqualOnesKeepTheirOrder)
{
    STRING_ARRAY a;
    for (LPCSTR psz : {"beta", "Alpha", "gamma", "ALPHA", "alpha", "Beta"})
        ASSERT_TRUE(AppendText(a, psz));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "ALPHA", "alpha", "beta", "Beta", "gamma"}), Texts(a));

    ASSERT_TRUE(a.RemoveAt(1));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "alpha", "beta", "Beta", "gamma"}), Texts(a));
    ASSERT_TRUE(a.Clear());
    EXPECT_EQ(0, a.Count());
    EXPECT_EQ(nullptr, a.Data());
}

TEST(DynamicArrayTest, StringElementsMayBeNull)
{
    STRING_ARRAY a;
    ASSERT_TRUE(a.Grow(2));
    EXPECT_EQ(nullptr, a.At(0));
    LPCSTR pszNull = nullptr;
    ASSERT_TRUE(a.Set(1, &pszNull));
    EXPECT_EQ(nullptr, a.At(1));
    LPCSTR pszText = "text";
    ASSERT_TRUE(a.Set(0, &pszText));
    EXPECT_STREQ("text", a.At(0));

    EXPECT_TRUE(a.RemoveAt(1));
    EXPECT_TRUE(a.Shrink(1));
    EXPECT_EQ(nullptr, a.Data());
    ASSERT_TRUE(a.Grow(1));
    EXPECT_TRUE(a.Clear());
}

TEST(DynamicArrayTest, RemoveAtDestroysOnlyTheRemovedElement)
{
    std::string strLog;
    TracedArray a(&strLog);
    ASSERT_TRUE(a.Grow(5));
    strLog.clear();
    ASSERT_TRUE(a.RemoveAt(1));
    EXPECT_EQ(" -2", strLog);
    ASSERT_EQ(4, a.Count());
    EXPECT_EQ(1u, a.At(0));
    EXPECT_EQ(3u, a.At(1));
    EXPECT_EQ(5u, a.At(3));
}

TEST(DynamicArrayTest, FailedGrowUndoesItsElements)
{
    std::string strLog;
    TracedArray a(&strLog);
    ASSERT_TRUE(a.Grow(1));
    a.dwRefuseConstruct = 4;
    EXPECT_FALSE(a.Grow(4));
    EXPECT_EQ(" +1 +2 +3 -3 -2", strLog);
    ASSERT_EQ(1, a.Count());
    EXPECT_EQ(1u, a.At(0));
    EXPECT_EQ(sizeof(DWORD), StorageSize(a));

    std::string strLog2;
    TracedArray b(&strLog2);
    b.dwRefuseConstruct = 1;
    EXPECT_FALSE(b.Grow(2));
    EXPECT_EQ(0, b.Count());
    EXPECT_EQ(nullptr, b.Data());
}

TEST(DynamicArrayTest, FailedAppendSortedLeavesTheArrayAsItWas)
{
    std::string strLog;
    TracedArray a(&strLog);
    for (DWORD dw : {30u, 10u})
        ASSERT_TRUE(a.AppendSorted(&dw));
    a.dwRefuseConstruct = 20;
    DWORD dw = 20;
    EXPECT_FALSE(a.AppendSorted(&dw));
    ASSERT_EQ(2, a.Count());
    EXPECT_EQ(10u, a.At(0));
    EXPECT_EQ(30u, a.At(1));
    EXPECT_EQ(2 * sizeof(DWORD), StorageSize(a));
}

TEST(DynamicArrayTest, ShrinkDestroysFromTheEndAndStopsAtAFailure)
{
    std::string strLog;
    TracedArray a(&strLog);
    ASSERT_TRUE(a.Grow(5));
    strLog.clear();
    ASSERT_TRUE(a.Shrink(2));
    EXPECT_EQ(" -5 -4", strLog);
    EXPECT_EQ(3, a.Count());

    strLog.clear();
    a.dwRefuseDestroy = 2;
    EXPECT_FALSE(a.Shrink(3));
    EXPECT_EQ(" -3", strLog);
    EXPECT_EQ(2, a.Count());
    a.dwRefuseDestroy = 0;
}

TEST(DynamicArrayTest, ClearDestroysInIndexOrderOrChangesNothing)
{
    std::string strLog;
    TracedArray a(&strLog);
    ASSERT_TRUE(a.Grow(3));
    strLog.clear();
    a.dwRefuseDestroy = 2;
    EXPECT_FALSE(a.Clear());
    EXPECT_EQ(" -1", strLog);
    EXPECT_EQ(3, a.Count());
    EXPECT_EQ(3 * sizeof(DWORD), StorageSize(a));

    strLog.clear();
    a.dwRefuseDestroy = 0;
    ASSERT_TRUE(a.Clear());
    EXPECT_EQ(" -1 -2 -3", strLog);
    EXPECT_EQ(0, a.Count());
    EXPECT_EQ(nullptr, a.Data());
}

TEST(DynamicArrayTest, DestructorDestroysEveryElementInIndexOrder)
{
    std::string strLog;
    {
        TracedArray a(&strLog);
        ASSERT_TRUE(a.Grow(3));
        strLog.clear();
    }
    EXPECT_EQ(" -1 -2 -3", strLog);
}
