#include "tests/support/DebugListener.h"

DebugListener::DebugListener()
{
    InitializeCriticalSection(&cs);
    hBufferReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    hDataReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    hMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER");
    if (hMapping) pbBuffer = static_cast<const BYTE*>(MapViewOfFile(hMapping, FILE_MAP_READ, 0, 0, 4096));
    if (hBufferReady && hDataReady && pbBuffer)
        hThread = CreateThread(nullptr, 0, s_ListenProc, this, 0, nullptr);
}

DebugListener::~DebugListener()
{
    if (hThread)
    {
        bStop = true;
        SetEvent(hDataReady);
        WaitForSingleObject(hThread, 5000);
        CloseHandle(hThread);
    }
    if (pbBuffer) UnmapViewOfFile(pbBuffer);
    for (HANDLE h : {hMapping, hDataReady, hBufferReady})
        if (h) CloseHandle(h);
    DeleteCriticalSection(&cs);
}

DWORD WINAPI DebugListener::s_ListenProc(LPVOID pv)
{
    static_cast<DebugListener*>(pv)->Listen();
    return 0;
}

void DebugListener::Listen()
{
    SetEvent(hBufferReady);
    while (!bStop)
    {
        if (WaitForSingleObject(hDataReady, 200) != WAIT_OBJECT_0) continue;
        if (bStop) break;
        DWORD dwProcessId = *reinterpret_cast<const DWORD*>(pbBuffer);
        const char* psz = reinterpret_cast<const char*>(pbBuffer + sizeof(DWORD));
        std::string text(psz, strnlen(psz, 4096 - sizeof(DWORD)));
        EnterCriticalSection(&cs);
        lines.emplace_back(dwProcessId, text);
        LeaveCriticalSection(&cs);
        SetEvent(hBufferReady);
    }
}

std::vector<std::string> DebugListener::LinesOf(DWORD dwProcessId)
{
    std::vector<std::string> result;
    EnterCriticalSection(&cs);
    for (const auto& line : lines)
        if (line.first == dwProcessId) result.push_back(line.second);
    LeaveCriticalSection(&cs);
    return result;
}

size_t DebugListener::CountLines(DWORD dwProcessId, const std::string& text)
{
    size_t n = 0;
    for (const std::string& line : LinesOf(dwProcessId))
        if (line.find(text) != std::string::npos) ++n;
    return n;
}

bool DebugListener::HasLine(DWORD dwProcessId, const std::string& text)
{
    return CountLines(dwProcessId, text) > 0;
}

bool DebugListener::WaitForLine(DWORD dwProcessId, const std::string& text, DWORD dwTimeoutMs)
{
    DWORD dwStart = GetTickCount();
    while (!HasLine(dwProcessId, text))
    {
        if (GetTickCount() - dwStart > dwTimeoutMs) return false;
        Sleep(20);
    }
    return true;
}
