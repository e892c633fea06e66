// tests/output/TempCaptureFile.h — a capture file in a fresh temporary folder, opened the way the
// recorder opens it and handed to a recorder object; the folder goes when the object does.
#pragma once
#include <windows.h>

#include <string>

#include "host/SimCap.h"

namespace outputtest
{
class TempCaptureFile
{
  public:
    explicit TempCaptureFile(SIMCAP& simcapOwner) : simcap(simcapOwner)
    {
        char szTemp[MAX_PATH + 1];
        GetTempPathA(sizeof(szTemp), szTemp);
        static LONG s_nSerial;
        char szName[64];
        wsprintfA(szName, "xmltest_%lu_%ld", GetCurrentProcessId(), InterlockedIncrement(&s_nSerial));
        folder = std::string(szTemp) + szName;
        CreateDirectoryA(folder.c_str(), nullptr);
        path = folder + "\\capture.xml";
        Open(OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
    }
    ~TempCaptureFile()
    {
        Close();
        DeleteFileA(path.c_str());
        RemoveDirectoryA(folder.c_str());
    }
    TempCaptureFile(const TempCaptureFile&) = delete;
    TempCaptureFile& operator=(const TempCaptureFile&) = delete;

    // Opens the file again (OF_CREATE empties it) as the recorder's capture file.
    bool Open(UINT uStyle)
    {
        Close();
        simcap.ofCapture = {};
        simcap.ofCapture.cBytes = sizeof(OFSTRUCT);
        simcap.hCaptureFile = OpenFile(path.c_str(), &simcap.ofCapture, uStyle);
        return simcap.hCaptureFile != HFILE_ERROR;
    }
    void Close()
    {
        if (simcap.hCaptureFile == HFILE_ERROR) return;
        simcap.FlushOutput(); // as the recorder does before it closes the file
        _lclose(simcap.hCaptureFile);
        simcap.hCaptureFile = HFILE_ERROR;
    }
    // Size on disk, read through the open handle without moving its position.
    DWORD Size() const
    {
        return GetFileSize(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(simcap.hCaptureFile)), nullptr);
    }
    // Closes the file and answers its bytes.
    std::string Contents()
    {
        Close();
        std::string bytes;
        HANDLE h =
            CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return "<unreadable>";
        char buf[4096];
        DWORD cb;
        while (ReadFile(h, buf, sizeof(buf), &cb, nullptr) && cb)
            bytes.append(buf, cb);
        CloseHandle(h);
        return bytes;
    }
    std::string PathName() const { return simcap.ofCapture.szPathName; }

    std::string folder;
    std::string path;

  private:
    SIMCAP& simcap;
};
} // namespace outputtest
