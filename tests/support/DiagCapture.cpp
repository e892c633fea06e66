#include "tests/support/DiagCapture.h"

#include "util/Diag.h"

namespace
{
// Debug lines come from every thread of the recorder (the tray thread too).
CRITICAL_SECTION g_cs;
bool g_bCsReady;
std::vector<std::string>* g_pLines;
std::vector<CapturedBox>* g_pBoxes;
int g_nBoxAnswer;

void OnDebug(LPCSTR psz)
{
    EnterCriticalSection(&g_cs);
    if (g_pLines) g_pLines->push_back(psz);
    LeaveCriticalSection(&g_cs);
}

int OnMessage(HWND hwndOwner, LPCSTR psz, UINT uFlags)
{
    EnterCriticalSection(&g_cs);
    if (g_pBoxes) g_pBoxes->push_back({hwndOwner, psz ? psz : "", uFlags});
    int nAnswer = g_nBoxAnswer;
    LeaveCriticalSection(&g_cs);
    return nAnswer;
}
} // namespace

DiagCapture::DiagCapture(int nBoxAnswer)
{
    if (!g_bCsReady)
    {
        InitializeCriticalSection(&g_cs);
        g_bCsReady = true;
    }
    EnterCriticalSection(&g_cs);
    g_pLines = new std::vector<std::string>;
    g_pBoxes = new std::vector<CapturedBox>;
    g_nBoxAnswer = nBoxAnswer;
    LeaveCriticalSection(&g_cs);
    SetDebugObserver(OnDebug);
    SetMessageObserver(OnMessage);
}

DiagCapture::~DiagCapture()
{
    SetDebugObserver(nullptr);
    SetMessageObserver(nullptr);
    EnterCriticalSection(&g_cs);
    delete g_pLines;
    delete g_pBoxes;
    g_pLines = nullptr;
    g_pBoxes = nullptr;
    LeaveCriticalSection(&g_cs);
}

std::vector<std::string> DiagCapture::Lines()
{
    EnterCriticalSection(&g_cs);
    std::vector<std::string> copy = *g_pLines;
    LeaveCriticalSection(&g_cs);
    return copy;
}

std::vector<CapturedBox> DiagCapture::Boxes()
{
    EnterCriticalSection(&g_cs);
    std::vector<CapturedBox> copy = *g_pBoxes;
    LeaveCriticalSection(&g_cs);
    return copy;
}

std::string DiagCapture::Joined()
{
    std::string all;
    for (const std::string& line : Lines())
        all += line;
    return all;
}

bool DiagCapture::HasLine(const std::string& text)
{
    for (const std::string& line : Lines())
        if (line == text) return true;
    return false;
}

void DiagCapture::Clear()
{
    EnterCriticalSection(&g_cs);
    g_pLines->clear();
    g_pBoxes->clear();
    LeaveCriticalSection(&g_cs);
}
