// tests/config/ConfigTestFiles.h — temporary folders and file bytes the configuration tests share.
#pragma once
#include <windows.h>

#include <string>

namespace configtest
{
// The recorder may still hold the file open for writing.
inline std::string ReadBytes(const std::string& path)
{
    std::string s;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
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

inline void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    for (BOOL bMore = h != INVALID_HANDLE_VALUE; bMore; bMore = FindNextFileA(h, &fd))
    {
        std::string name = fd.cFileName, path = dir + "\\" + name;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(path);
        else
            DeleteFileA(path.c_str());
    }
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    RemoveDirectoryA(dir.c_str());
}

// A fresh folder under the system's temporary folder, removed with its contents afterwards.
class TempDir
{
  public:
    TempDir()
    {
        char szTemp[MAX_PATH + 1], szName[64];
        GetTempPathA(sizeof(szTemp), szTemp);
        static LONG s_nSerial;
        for (int nTry = 0; nTry < 100 && path.empty(); nTry++)
        {
            wsprintfA(szName, "cfgtest_%lu_%ld", GetCurrentProcessId(), InterlockedIncrement(&s_nSerial));
            if (CreateDirectoryA((std::string(szTemp) + szName).c_str(), nullptr))
                path = std::string(szTemp) + szName;
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
        WriteBytes(Path(name), bytes);
        return Path(name);
    }

    std::string path;
};

inline std::string ModuleFolder()
{
    char sz[MAX_PATH + 1];
    GetModuleFileNameA(nullptr, sz, sizeof(sz));
    std::string s = sz;
    return s.substr(0, s.find_last_of('\\'));
}
} // namespace configtest
