// tests/hooks/LateBoundApiTest.cpp — the run-time bound functions and the fallbacks that stand in for
// them, which must answer as the real ones do.
#include <windows.h>

#include <gtest/gtest.h>

#include "hooks/LateBoundApi.h"

namespace
{
// The system's functions are bound where they exist, and the fallbacks answer what they answer.
TEST(LateBoundApiTest, BindsTheSystemsFunctionsAndFallbacksAnswerAlike)
{
    LateBoundApi api;
    ASSERT_NE(nullptr, api.hKernel32);
    EXPECT_NE(reinterpret_cast<void*>(&LateBoundApi::ProcessIdFromHandle),
              reinterpret_cast<void*>(api.GetProcessId));
    EXPECT_NE(reinterpret_cast<void*>(&LateBoundApi::NotWow64), reinterpret_cast<void*>(api.IsWow64Process));
    if (api.hPsapi)
    {
        EXPECT_NE(reinterpret_cast<void*>(&LateBoundApi::LocalModuleBaseName),
                  reinterpret_cast<void*>(api.GetModuleBaseNameA));
    }
    EXPECT_EQ(GetCurrentProcessId(), api.GetProcessId(GetCurrentProcess()));
    BOOL bWow64 = TRUE;
    EXPECT_TRUE(api.IsWow64Process(GetCurrentProcess(), &bWow64));
    EXPECT_FALSE(bWow64) << "a prefix of the program's own width";

    HMODULE ahReal[64] = {}, ahFallback[64] = {};
    DWORD cbReal = 0, cbFallback = 0;
    ASSERT_TRUE(api.EnumProcessModules(GetCurrentProcess(), ahReal, sizeof(ahReal), &cbReal));
    ASSERT_TRUE(LateBoundApi::ToolhelpEnumProcessModules(GetCurrentProcess(), ahFallback, sizeof(ahFallback),
                                                         &cbFallback));
    EXPECT_EQ(GetModuleHandleA(nullptr), ahFallback[0]) << "the executable comes first";
    EXPECT_EQ(ahReal[0], ahFallback[0]);
    EXPECT_GE(cbFallback, 2 * sizeof(HMODULE));

    // A short array takes what fits and still reports what is needed.
    HMODULE hOne = nullptr;
    DWORD cbNeeded = 0;
    ASSERT_TRUE(
        LateBoundApi::ToolhelpEnumProcessModules(GetCurrentProcess(), &hOne, sizeof(hOne), &cbNeeded));
    EXPECT_EQ(ahFallback[0], hOne);
    EXPECT_EQ(cbFallback, cbNeeded);

    char szReal[MAX_PATH] = {}, szFallback[MAX_PATH] = {};
    DWORD cchReal = api.GetModuleBaseNameA(GetCurrentProcess(), ahReal[0], szReal, sizeof(szReal));
    DWORD cchFallback =
        LateBoundApi::LocalModuleBaseName(GetCurrentProcess(), ahReal[0], szFallback, sizeof(szFallback));
    EXPECT_STRCASEEQ(szReal, szFallback);
    EXPECT_EQ(cchReal, cchFallback);
    EXPECT_EQ(0u, LateBoundApi::LocalModuleBaseName(GetCurrentProcess(), ahReal[0], szFallback, cchFallback))
        << "a buffer without room for the terminator is refused";
}

TEST(LateBoundApiTest, FallbacksForMissingSystemsAreHarmless)
{
    EXPECT_EQ(0, LateBoundApi::NoTasks(GetCurrentProcessId(), nullptr, 0));
    BOOL bWow64 = TRUE;
    EXPECT_TRUE(LateBoundApi::NotWow64(GetCurrentProcess(), &bWow64));
    EXPECT_FALSE(bWow64);
    EXPECT_TRUE(LateBoundApi::NotWow64(GetCurrentProcess(), nullptr));

    EXPECT_EQ(GetCurrentProcessId(), LateBoundApi::ProcessIdFromHandle(GetCurrentProcess()));
    HANDLE hOwn = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, GetCurrentProcessId());
    ASSERT_NE(nullptr, hOwn);
    EXPECT_EQ(GetCurrentProcessId(), LateBoundApi::ProcessIdFromHandle(hOwn));
    CloseHandle(hOwn);
    EXPECT_EQ(0u, LateBoundApi::ProcessIdFromHandle(nullptr));
    EXPECT_FALSE(LateBoundApi::ToolhelpEnumProcessModules(nullptr, nullptr, 0, nullptr))
        << "a process whose id cannot be found";
}
} // namespace
