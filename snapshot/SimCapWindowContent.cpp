// The places where window objects take the contents that only the owning process can read: the class
// that describes a control, the menu bar, a bitmap button's image and the accessibility text. The control
// objects, menus and the accessibility dump replace these; until then a window is described by what any
// process can ask of it, and none of these reads, writes or claims anything.
#include <new>

#include "snapshot/SimCapWindow.h"

SIMCAP_WINDOW* SIMCAP_WINDOW::AllocateForClass(HWND hwnd, LPCSTR)
{
    return new (std::nothrow) SIMCAP_WINDOW(hwnd);
}

BOOL SIMCAP_WINDOW::InitMenu(HMENU)
{
    return TRUE;
}

BOOL SIMCAP_WINDOW::WriteMenu(int)
{
    return TRUE;
}

void SIMCAP_WINDOW::DeleteMenu() {}

BOOL SIMCAP_WINDOW::RequestButtonImage(HBITMAP)
{
    return TRUE;
}

BOOL SIMCAP_WINDOW::InitAccessibility()
{
    return TRUE;
}
