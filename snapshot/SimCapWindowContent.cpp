// The places where window objects take the contents that only the owning process can read: the class
// that describes a control, the menu bar, a bitmap button's image and the accessibility text.
#include <new>

#include "config/PrivProf.h"
#include "hooks/ControlDataRecords.h"
#include "hooks/ControlRequest.h"
#include "hooks/RequestText.h"
#include "hooks/SharedData.h"
#include "host/SimCap.h"
#include "snapshot/AccessibleNode.h"
#include "snapshot/SimCapControls.h"
#include "snapshot/SimCapMenu.h"
#include "snapshot/SimCapWindow.h"
#include "util/Diag.h"

namespace
{
BOOL TakeButtonImage(void* pvObject, const BYTE* pbRecord, DWORD cbRecord)
{
    if (cbRecord < sizeof(SIMCAP_COPYDATA_BUTTON_IMAGE)) return FALSE;
    static_cast<SIMCAP_WINDOW*>(pvObject)->nButtonImage =
        reinterpret_cast<const SIMCAP_COPYDATA_BUTTON_IMAGE*>(pbRecord)->nImage;
    return TRUE;
}
} // namespace

SIMCAP_WINDOW* SIMCAP_WINDOW::AllocateForClass(HWND hwnd, LPCSTR pszClassName)
{
    const PrivProf* pConfig = g_pSimCap ? g_pSimCap->pPrivProf : nullptr;
    if (lstrcmpiA(pszClassName, TOOLBARCLASSNAMEA) == 0)
        return new (std::nothrow) SIMCAP_WINDOW_TOOLBAR(hwnd);
    if (pConfig && pConfig->IsListBoxClass(pszClassName))
        return new (std::nothrow) SIMCAP_WINDOW_LISTBOX(hwnd);
    if (pConfig && pConfig->IsComboBoxClass(pszClassName))
        return new (std::nothrow) SIMCAP_WINDOW_COMBOBOX(hwnd);
    return new (std::nothrow) SIMCAP_WINDOW(hwnd);
}

BOOL SIMCAP_WINDOW::InitMenu(HMENU hmenu)
{
    pMenu = new (std::nothrow) SIMCAP_MENU(hmenu, hWnd);
    if (!pMenu)
    {
        DebugOut("SIMCAP_WINDOW::Init(): Unable to allocate pMenu\n");
        return FALSE;
    }
    if (!pMenu->Init())
    {
        DebugOut("SIMCAP_WINDOW::Init(): Unable to initialize pMenu\n");
        return FALSE;
    }
    return TRUE;
}

BOOL SIMCAP_WINDOW::WriteMenu(int nDepth)
{
    return pMenu->Write(nDepth);
}

void SIMCAP_WINDOW::DeleteMenu()
{
    delete pMenu;
    pMenu = nullptr;
}

// The image handle is only passed on as a number: it means something in the button's process alone.
BOOL SIMCAP_WINDOW::RequestButtonImage(HBITMAP hbmImage)
{
    SIMCAP* p = g_pSimCap;
    if (!p) return TRUE;
    char szFolder[MAX_PATH + 1] = {};
    // Without a session folder there is nowhere to save the image.
    if (!p->GetSessionFolder(szFolder, sizeof(szFolder))) return TRUE;
    UINT nImage = p->nImageCounter + 1;
    char szNumbers[32];
    wsprintfA(szNumbers, "%6d,%6u,%10u,", static_cast<int>(nImage), static_cast<UINT>(BS_BITMAP),
              static_cast<UINT>(reinterpret_cast<UINT_PTR>(hbmImage)));
    RequestAtoms atoms;
    if (!atoms.Add(szNumbers, c_cchButtonRequestNumbers, c_cchButtonRequestPath, szFolder))
    {
        p->OutputLastError(
            "SIMCAP_WINDOW::HandleClassNameButton() Error creating atom for image retrieval - ",
            GetLastError());
        return FALSE;
    }
    if (RequestControlData(hWnd, g_shared.nWM_GetButtonImage, atoms.Request(), COPYDATA_BUTTON_IMAGE_REPLY,
                           this, TakeButtonImage))
        p->nImageCounter = nImage;
    return TRUE;
}

BOOL SIMCAP_WINDOW::InitAccessibility()
{
    pAccessibility = AccessibilityText(hWnd);
    return TRUE;
}
