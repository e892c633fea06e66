#include "tests/support/RecorderProcess.h"

#include <shlobj.h>

namespace
{
struct WindowSearch
{
    DWORD dwProcessId;
    HWND hwnd;
};

BOOL CALLBACK FindRecorderWindow(HWND hwnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<WindowSearch*>(lParam);
    char szClass[64] = {};
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hwnd, &dwProcessId);
    if (dwProcessId == pSearch->dwProcessId && GetClassNameA(hwnd, szClass, sizeof(szClass)) &&
        lstrcmpA(szClass, "SimCapQM57") == 0)
    {
        pSearch->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

struct DialogSearch
{
    DWORD dwProcessId;
    int nControlId;
    HWND hwnd;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<DialogSearch*>(lParam);
    char szClass[16] = {};
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hwnd, &dwProcessId);
    if (dwProcessId == pSearch->dwProcessId && IsWindowVisible(hwnd) &&
        GetClassNameA(hwnd, szClass, sizeof(szClass)) && lstrcmpA(szClass, "#32770") == 0 &&
        GetDlgItem(hwnd, pSearch->nControlId))
    {
        pSearch->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
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
    DWORD dwStart = GetTickCount();
    do
    {
        WindowSearch search = {pi.dwProcessId, nullptr};
        EnumWindows(FindRecorderWindow, reinterpret_cast<LPARAM>(&search));
        if (search.hwnd) return search.hwnd;
        if (!IsRunning()) return nullptr;
        Sleep(20);
    } while (GetTickCount() - dwStart < dwTimeoutMs);
    return nullptr;
}

HWND RecorderProcess::WaitForDialog(int nControlId, DWORD dwTimeoutMs)
{
    DWORD dwStart = GetTickCount();
    do
    {
        DialogSearch search = {pi.dwProcessId, nControlId, nullptr};
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.hwnd) return search.hwnd;
        if (!IsRunning()) return nullptr;
        Sleep(20);
    } while (GetTickCount() - dwStart < dwTimeoutMs);
    return nullptr;
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
