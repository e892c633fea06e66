#include "tests/fuzz/FuzzSupport.h"

#include <stdlib.h>
#include <string.h>

#include <vector>

#include "tests/support/RecorderProcess.h"

namespace
{
const int c_nMessageBoxText = 0xFFFF; // the static control that holds a message box's text
} // namespace

uint32_t OptionNumber(int argc, char** argv, const char* pszName, uint32_t nDefault)
{
    std::string text = OptionText(argc, argv, pszName, "");
    return text.empty() ? nDefault : static_cast<uint32_t>(strtoul(text.c_str(), nullptr, 0));
}

std::string OptionText(int argc, char** argv, const char* pszName, const char* pszDefault)
{
    std::string prefix = std::string("--") + pszName + "=";
    for (int i = 1; i < argc; ++i)
        if (strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) return argv[i] + prefix.size();
    return pszDefault;
}

void WriteWholeFile(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD cb = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &cb, nullptr);
    CloseHandle(h);
}

void CreateFolders(const std::string& folder)
{
    for (size_t i = folder.find('\\', 3); i != std::string::npos; i = folder.find('\\', i + 1))
        CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
}

void PressWithCtrl(WORD wVirtualKey)
{
    Key(VK_CONTROL, false);
    Press(wVirtualKey);
    Key(VK_CONTROL, true);
}

void Click(HWND hwndDialog, int nId)
{
    PostMessageA(GetDlgItem(hwndDialog, nId), BM_CLICK, 0, 0);
}

bool Answers(HWND hwnd, DWORD dwTimeoutMs)
{
    DWORD_PTR dwResult = 0;
    return SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, dwTimeoutMs, &dwResult) !=
           0;
}

HWND FindMessageBox(DWORD dwProcessId, std::string* pText)
{
    HWND hwndBox = FindProcessWindow(
        dwProcessId, [](HWND hwnd) { return IsVisibleDialog(hwnd) && GetDlgItem(hwnd, c_nMessageBoxText); });
    if (hwndBox && pText)
    {
        char sz[600] = {};
        GetDlgItemTextA(hwndBox, c_nMessageBoxText, sz, sizeof(sz));
        *pText = sz;
    }
    return hwndBox;
}
