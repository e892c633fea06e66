// tests/support/DiagCapture.h — captures the recorder's debug lines and message boxes in this process
// while it lives; message boxes are answered with a chosen result instead of being shown.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct CapturedBox
{
    HWND hwndOwner;
    std::string text;
    UINT uFlags;
};

class DiagCapture
{
  public:
    explicit DiagCapture(int nBoxAnswer = IDOK);
    ~DiagCapture();
    DiagCapture(const DiagCapture&) = delete;
    DiagCapture& operator=(const DiagCapture&) = delete;

    std::vector<std::string> Lines();
    std::vector<CapturedBox> Boxes();
    // All debug output joined, as one text.
    std::string Joined();
    bool HasLine(const std::string& text);
    void Clear();
};
