#include "hooks/EventNames.h"

namespace
{
struct NamedNumber
{
    UINT n;
    LPCSTR psz;
};

const NamedNumber c_aMessageNames[] = {
    {5, "WM_SIZE"},
    {6, "WM_ACTIVATE"},
    {7, "WM_SETFOCUS"},
    {8, "WM_KILLFOCUS"},
    {15, "WM_PAINT"},
    {33, "WM_MOUSEACTIVATE"},
    {50, "WM_SETHOTKEY"},
    {51, "WM_GETHOTKEY"},
    {132, "WM_NCHITTEST"},
    {160, "WM_NCMOUSEMOVE"},
    {161, "WM_NCLBUTTONDOWN"},
    {162, "WM_NCLBUTTONUP"},
    {163, "WM_NCLBUTTONDBLCLK"},
    {164, "WM_NCRBUTTONDOWN"},
    {165, "WM_NCRBUTTONUP"},
    {166, "WM_NCRBUTTONDBLCLK"},
    {167, "WM_NCMBUTTONDOWN"},
    {168, "WM_NCMBUTTONUP"},
    {169, "WM_NCMBUTTONDBLCLK"},
    {256, "WM_KEYDOWN"},
    {257, "WM_KEYUP"},
    {258, "WM_CHAR"},
    {259, "WM_DEADCHAR"},
    {260, "WM_SYSKEYDOWN"},
    {261, "WM_SYSKEYUP"},
    {262, "WM_SYSCHAR"},
    {263, "WM_SYSDEADCHAR"},
    {275, "WM_TIMER"},
    {278, "WM_INITMENU"},
    {279, "WM_INITMENUPOPUP"},
    {287, "WM_MENUSELECT"},
    {288, "WM_MENUCHAR"},
    {512, "WM_MOUSEMOVE"},
    {513, "WM_LBUTTONDOWN"},
    {514, "WM_LBUTTONUP"},
    {515, "WM_LBUTTONDBLCLK"},
    {516, "WM_RBUTTONDOWN"},
    {517, "WM_RBUTTONUP"},
    {518, "WM_RBUTTONDBLCLK"},
    {519, "WM_MBUTTONDOWN"},
    {520, "WM_MBUTTONUP"},
    {521, "WM_MBUTTONDBLCLK"},
    {522, "WM_MOUSEWHEEL"},
    {533, "WM_CAPTURECHANGED"},
    {786, "WM_HOTKEY"},
    {1024, "WM_USER"},
    {32768, "WM_APP"},
};
static_assert(ARRAYSIZE(c_aMessageNames) == 47, "47 message names");

const NamedNumber c_aVirtualKeyNames[] = {
    {1, "VK_LBUTTON"},
    {2, "VK_RBUTTON"},
    {3, "VK_CANCEL"},
    {4, "VK_MBUTTON"},
    {8, "VK_BACK"},
    {9, "VK_TAB"},
    {12, "VK_CLEAR"},
    {13, "VK_RETURN"},
    {16, "VK_SHIFT"},
    {17, "VK_CONTROL"},
    {18, "VK_MENU"},
    {19, "VK_PAUSE"},
    {20, "VK_CAPITAL"},
    {21, "VK_KANA aka VK_HANGEUL & VK_HANGUL"},
    {23, "VK_JUNJA"},
    {24, "VK_FINAL"},
    {25, "VK_HANJA aka VK_KANJI"},
    {27, "VK_ESCAPE"},
    {28, "VK_CONVERT"},
    {29, "VK_NONCONVERT"},
    {30, "VK_ACCEPT"},
    {31, "VK_MODECHANGE"},
    {32, "VK_SPACE"},
    {33, "VK_PRIOR"},
    {34, "VK_NEXT"},
    {35, "VK_END"},
    {36, "VK_HOME"},
    {37, "VK_LEFT"},
    {38, "VK_UP"},
    {39, "VK_RIGHT"},
    {40, "VK_DOWN"},
    {41, "VK_SELECT"},
    {42, "VK_PRINT"},
    {43, "VK_EXECUTE"},
    {44, "VK_SNAPSHOT"},
    {45, "VK_INSERT"},
    {46, "VK_DELETE"},
    {47, "VK_HELP"},
    {91, "VK_LWIN"},
    {92, "VK_RWIN"},
    {93, "VK_APPS"},
    {96, "VK_NUMPAD0"},
    {97, "VK_NUMPAD1"},
    {98, "VK_NUMPAD2"},
    {99, "VK_NUMPAD3"},
    {100, "VK_NUMPAD4"},
    {101, "VK_NUMPAD5"},
    {102, "VK_NUMPAD6"},
    {103, "VK_NUMPAD7"},
    {104, "VK_NUMPAD8"},
    {105, "VK_NUMPAD9"},
    {106, "VK_MULTIPLY"},
    {107, "VK_ADD"},
    {108, "VK_SEPARATOR"},
    {109, "VK_SUBTRACT"},
    {110, "VK_DECIMAL"},
    {111, "VK_DIVIDE"},
    {112, "VK_F1"},
    {113, "VK_F2"},
    {114, "VK_F3"},
    {115, "VK_F4"},
    {116, "VK_F5"},
    {117, "VK_F6"},
    {118, "VK_F7"},
    {119, "VK_F8"},
    {120, "VK_F9"},
    {121, "VK_F10"},
    {122, "VK_F11"},
    {123, "VK_F12"},
    {124, "VK_F13"},
    {125, "VK_F14"},
    {126, "VK_F15"},
    {127, "VK_F16"},
    {128, "VK_F17"},
    {129, "VK_F18"},
    {130, "VK_F19"},
    {131, "VK_F20"},
    {132, "VK_F21"},
    {133, "VK_F22"},
    {134, "VK_F23"},
    {135, "VK_F24"},
    {144, "VK_NUMLOCK"},
    {145, "VK_SCROLL"},
    {160, "VK_LSHIFT"},
    {161, "VK_RSHIFT"},
    {162, "VK_LCONTROL"},
    {163, "VK_RCONTROL"},
    {164, "VK_LMENU"},
    {165, "VK_RMENU"},
    {229, "VK_PROCESSKEY"},
    {246, "VK_ATTN"},
    {247, "VK_CRSEL"},
    {248, "VK_EXSEL"},
    {249, "VK_EREOF"},
    {250, "VK_PLAY"},
    {251, "VK_ZOOM"},
    {252, "VK_NONAME"},
    {253, "VK_PA1"},
    {254, "VK_OEM_CLEAR"},
};

// "ASCII '0'" to "ASCII '9'" and "ASCII 'A'" to "ASCII 'Z'", one constant text each.
const char c_aszDigitNames[10][10] = {"ASCII '0'", "ASCII '1'", "ASCII '2'", "ASCII '3'", "ASCII '4'",
                                      "ASCII '5'", "ASCII '6'", "ASCII '7'", "ASCII '8'", "ASCII '9'"};
const char c_aszLetterNames[26][10] = {
    "ASCII 'A'", "ASCII 'B'", "ASCII 'C'", "ASCII 'D'", "ASCII 'E'", "ASCII 'F'", "ASCII 'G'",
    "ASCII 'H'", "ASCII 'I'", "ASCII 'J'", "ASCII 'K'", "ASCII 'L'", "ASCII 'M'", "ASCII 'N'",
    "ASCII 'O'", "ASCII 'P'", "ASCII 'Q'", "ASCII 'R'", "ASCII 'S'", "ASCII 'T'", "ASCII 'U'",
    "ASCII 'V'", "ASCII 'W'", "ASCII 'X'", "ASCII 'Y'", "ASCII 'Z'"};

template <size_t N> LPCSTR Lookup(const NamedNumber (&aNames)[N], UINT n, LPCSTR pszUnknown)
{
    for (const NamedNumber& name : aNames)
        if (name.n == n) return name.psz;
    return pszUnknown;
}
} // namespace

LPCSTR MessageName(UINT nMessage)
{
    return Lookup(c_aMessageNames, nMessage, "unknown message");
}

LPCSTR VirtualKeyName(int nVirtualKey)
{
    if (nVirtualKey >= '0' && nVirtualKey <= '9') return c_aszDigitNames[nVirtualKey - '0'];
    if (nVirtualKey >= 'A' && nVirtualKey <= 'Z') return c_aszLetterNames[nVirtualKey - 'A'];
    if (nVirtualKey < 1 || nVirtualKey > 254) return "unknown virtual key code";
    return Lookup(c_aVirtualKeyNames, static_cast<UINT>(nVirtualKey), "unknown virtual key code");
}

LPCSTR FilterCodeName(int nCode)
{
    switch (nCode)
    {
    case 0: return "MSGF_DIALOGBOX";
    case 2: return "MSGF_MENU";
    case 5: return "MSGF_SCROLLBAR";
    case 6: return "MSGF_NEXTWINDOW";
    }
    return "unknown code";
}

LPCSTR CbtCodeName(int nCode)
{
    static const LPCSTR c_apszNames[] = {
        "HCBT_MOVESIZE", "HCBT_MINMAX",       "HCBT_QS",         "HCBT_CREATEWND",  "HCBT_DESTROYWND",
        "HCBT_ACTIVATE", "HCBT_CLICKSKIPPED", "HCBT_KEYSKIPPED", "HCBT_SYSCOMMAND", "HCBT_SETFOCUS"};
    if (nCode < 0 || nCode >= static_cast<int>(ARRAYSIZE(c_apszNames))) return "HCBT_UNKNOWN";
    return c_apszNames[nCode];
}
