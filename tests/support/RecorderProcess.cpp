#include "tests/support/RecorderProcess.h"

#include <shlobj.h>

namespace
{
struct ProcessWindowSearch
{
    DWORD dwProcessId;
    const std::function<bool(HWND)>* pAccept;
    HWND hwnd;
};

BOOL CALLBACK FindProcessWindowProc(HWND hwnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<ProcessWindowSearch*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hwnd, &dwProcessId);
    if (dwProcessId != pSearch->dwProcessId || !(*pSearch->pAccept)(hwnd)) return TRUE;
    pSearch->hwnd = hwnd;
    return FALSE;
}

bool HasClass(HWND hwnd, const char* pszClass)
{
    char szClass[64] = {};
    return GetClassNameA(hwnd, szClass, sizeof(szClass)) && lstrcmpA(szClass, pszClass) == 0;
}

std::string FolderPath(int nFolder)
{
    char sz[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, nFolder, nullptr, 0, sz))) return std::string();
    return sz;
}
} // namespace

std::string ModuleFolder()
{
    char sz[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, sz, sizeof(sz));
    std::string path(sz);
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string UserConfigPath()
{
    return FolderPath(CSIDL_APPDATA) + "\\Quillmark\\QM57REC.INI";
}

void RemoveAllConfigFiles()
{
    DeleteFileA((ModuleFolder() + "QM57REC.INI").c_str());
    for (int nFolder : {CSIDL_COMMON_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_APPDATA})
    {
        std::string folder = FolderPath(nFolder);
        if (!folder.empty()) DeleteFileA((folder + "\\Quillmark\\QM57REC.INI").c_str());
    }
}

HWND FindProcessWindow(DWORD dwProcessId, const std::function<bool(HWND)>& accept)
{
    ProcessWindowSearch search = {dwProcessId, &accept, nullptr};
    EnumWindows(FindProcessWindowProc, reinterpret_cast<LPARAM>(&search));
    return search.hwnd;
}

HWND WaitForProcessWindow(DWORD dwProcessId, const std::function<bool(HWND)>& accept, DWORD dwTimeoutMs,
                          const std::function<bool()>& keepWaiting)
{
    DWORD dwStart = GetTickCount();
    do
    {
        if (HWND hwnd = FindProcessWindow(dwProcessId, accept)) return hwnd;
        if (keepWaiting && !keepWaiting()) return nullptr;
        Sleep(20);
    } while (GetTickCount() - dwStart < dwTimeoutMs);
    return nullptr;
}

bool IsVisibleDialog(HWND hwnd)
{
    return IsWindowVisible(hwnd) && HasClass(hwnd, "#32770");
}

std::string ReadWholeFile(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string text;
    char buf[4096];
    DWORD cb = 0;
    while (ReadFile(h, buf, sizeof(buf), &cb, nullptr) && cb > 0)
        text.append(buf, cb);
    CloseHandle(h);
    return text;
}

RecorderProcess::~RecorderProcess()
{
    if (pi.hProcess)
    {
        if (IsRunning())
        {
            TerminateProcess(pi.hProcess, 99);
            WaitForSingleObject(pi.hProcess, 5000);
        }
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
}

bool RecorderProcess::Start()
{
    std::string path = ModuleFolder() + "QM57REC.exe";
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    return CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          ModuleFolder().c_str(), &si, &pi) != FALSE;
}

HWND RecorderProcess::WaitForWindow(DWORD dwTimeoutMs)
{
    return WaitForProcessWindow(
        pi.dwProcessId, [](HWND hwnd) { return HasClass(hwnd, "SimCapQM57"); }, dwTimeoutMs,
        [this] { return IsRunning(); });
}

HWND RecorderProcess::WaitForDialog(int nControlId, DWORD dwTimeoutMs)
{
    return WaitForProcessWindow(
        pi.dwProcessId, [&](HWND hwnd) { return IsVisibleDialog(hwnd) && GetDlgItem(hwnd, nControlId); },
        dwTimeoutMs, [this] { return IsRunning(); });
}

bool RecorderProcess::WaitForExit(DWORD dwTimeoutMs)
{
    return pi.hProcess && WaitForSingleObject(pi.hProcess, dwTimeoutMs) == WAIT_OBJECT_0;
}

DWORD RecorderProcess::ExitCode() const
{
    DWORD dwCode = STILL_ACTIVE;
    if (pi.hProcess) GetExitCodeProcess(pi.hProcess, &dwCode);
    return dwCode;
}

bool RecorderProcess::IsRunning() const
{
    return pi.hProcess && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT;
}
