// tests/output/TempCaptureFile.h — a capture file in a fresh temporary folder, opened the way the
// recorder opens it and handed to a recorder object; the folder goes when the object does.
#pragma once
#include <windows.h>

#include <string>

#include "host/SimCap.h"
#include "tests/config/ConfigTestFiles.h"

namespace outputtest
{
class TempCaptureFile
{
  public:
    explicit TempCaptureFile(SIMCAP& simcapOwner) : path(dir.Path("capture.xml")), simcap(simcapOwner)
    {
        Open(OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
    }
    ~TempCaptureFile() { Close(); }
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
        return configtest::Exists(path) ? configtest::ReadBytes(path) : "<missing>";
    }
    std::string PathName() const { return simcap.ofCapture.szPathName; }

    configtest::TempDir dir;
    std::string path;

  private:
    SIMCAP& simcap;
};
} // namespace outputtest
