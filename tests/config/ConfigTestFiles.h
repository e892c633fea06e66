// tests/config/ConfigTestFiles.h — temporary folders, file bytes and the watched debug lines and
// message boxes the configuration tests share.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "util/Diag.h"

namespace configtest
{
inline std::string ReadBytes(const std::string& path)
{
    std::string s;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return s;
    char buf[4096];
    DWORD cb;
    while (ReadFile(h, buf, sizeof(buf), &cb, nullptr) && cb)
        s.append(buf, cb);
    CloseHandle(h);
    return s;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD cb = 0;
    BOOL bOk = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &cb, nullptr);
    CloseHandle(h);
    return bOk && cb == bytes.size();
}

inline bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes a folder and everything below it.
inline void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

// A fresh folder under the system's temporary folder, removed with its contents afterwards.
class TempDir
{
  public:
    TempDir()
    {
        char szTemp[MAX_PATH + 1];
        GetTempPathA(sizeof(szTemp), szTemp);
        static LONG s_nSerial;
        for (int nTry = 0; nTry < 100 && path.empty(); nTry++)
        {
            char szName[64];
            wsprintfA(szName, "cfgtest_%lu_%lu", GetCurrentProcessId(),
                      static_cast<unsigned long>(InterlockedIncrement(&s_nSerial)));
            std::string candidate = std::string(szTemp) + szName;
            if (CreateDirectoryA(candidate.c_str(), nullptr)) path = candidate;
        }
    }
    ~TempDir()
    {
        if (!path.empty()) RemoveTree(path);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return path + "\\" + name; }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        std::string full = Path(name);
        WriteBytes(full, bytes);
        return full;
    }

    std::string path;
};

struct ShownMessage
{
    HWND hwndOwner;
    std::string text;
    UINT uFlags;
};

// Debug lines and message boxes of the code under test; the boxes are not really shown.
class Watch
{
  public:
    Watch()
    {
        Lines().clear();
        Boxes().clear();
        SetDebugObserver(&OnDebug);
        SetMessageObserver(&OnMessage);
    }
    ~Watch()
    {
        SetDebugObserver(nullptr);
        SetMessageObserver(nullptr);
    }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> s_lines;
        return s_lines;
    }
    static std::vector<ShownMessage>& Boxes()
    {
        static std::vector<ShownMessage> s_boxes;
        return s_boxes;
    }

  private:
    static void OnDebug(LPCSTR pszText) { Lines().push_back(pszText); }
    static int OnMessage(HWND hwndOwner, LPCSTR pszText, UINT uFlags)
    {
        Boxes().push_back({hwndOwner, pszText, uFlags});
        return IDOK;
    }
};

inline std::string ModuleFolder()
{
    char sz[MAX_PATH + 1];
    GetModuleFileNameA(nullptr, sz, sizeof(sz));
    std::string s = sz;
    return s.substr(0, s.find_last_of('\\'));
}
} // namespace configtest
