#include "host/SimCap.h"

#include <initializer_list>
#include <new>

#include "config/PrivProf.h"
#include "hooks/LateBoundApi.h"
#include "hooks/SharedData.h"
#include "output/TagMap.h"
#include "output/Tags.h"
#include "util/Diag.h"
#include "util/Handles.h"

SIMCAP* g_pSimCap;

namespace
{
const char c_szWindowClass[] = "SimCapQM57";
const char c_szWindowTitle[] = "QM57REC";

// Registered message names, in the order of the shared section.
struct SharedMessage
{
    LPCSTR pszName;
    UINT SHARED_DATA::*pnField;
    LPCSTR pszFailure;
};
const SharedMessage c_aSharedMessages[] = {
    {"QM57REC_WM_GetToolBarButton", &SHARED_DATA::nWM_GetToolBarButton,
     "SIMCAP::Init(): RegisterWindowMessage(SIMCAP::pszWM_GetToolBarButton) failed\n"},
    {"QM57REC_WM_GetListBoxData", &SHARED_DATA::nWM_GetListBoxData,
     "SIMCAP::Init(): RegisterWindowMessage(SIMCAP::pszWM_GetListBoxData) failed\n"},
    {"QM57REC_WM_GetComboBoxData", &SHARED_DATA::nWM_GetComboBoxData,
     "SIMCAP::Init(): RegisterWindowMessage(SIMCAP::pszWM_GetComboBoxData) failed\n"},
    {"QM57REC_WM_GetMenuItemData", &SHARED_DATA::nWM_GetMenuItemData,
     "SIMCAP::Init(): RegisterWindowMessage(SIMCAP::pszWM_GetMenuItemData) failed\n"},
    {"QM57REC_WM_GetButtonImage", &SHARED_DATA::nWM_GetButtonImage,
     "SIMCAP::Init(): RegisterWindowMessage(SIMCAP::pszWM_GetButtonImage) failed\n"},
    {"QM57REC_WM_SIM_ADD_PROCESS", &SHARED_DATA::nWM_SIM_ADD_PROCESS,
     "SIMCAP::Init(): RegisterWindowMessage(SIMCAP::pszWM_SIM_ADD_PROCESS) failed\n"},
    {"QM57REC_WM_SIM_REMOVE_PROCESS", &SHARED_DATA::nWM_SIM_REMOVE_PROCESS,
     "SIMCAP::Init(): RegisterWindowMessage(SIMCAP::pszWM_SIM_REMOVE_PROCESS) failed\n"},
};

} // namespace

SIMCAP::SIMCAP()
    : csBkgndMsg(), hMsgTarget(nullptr), szBkgndMsg(), nMsgMode(BM_NONE), hInstance(nullptr), ofCapture(),
      hCaptureFile(HFILE_ERROR), pPrivProf(nullptr), pTagMap(nullptr), bTagMapOwed(FALSE),
      pLateBoundApi(nullptr), sounds(), nImageCounter(0), dwReplyWaitMs(c_dwDefaultReplyWaitMs),
      nMenuState(MS_IDLE), nSessionId(-1), bIncludeHiddenWindows(0), bIncludeMouseEvents(0),
      bIncludeJournalEvents(1), bKeepTempOutputFiles(0), bKeysHooked(0), bShowDeltaState(1),
      bUserAssistanceDlg(1), bOverwriteOKDlg(1), bAccessibilityEntry(0), bDebugExclusions(0), bSelfCapture(0),
      bIncludeNewApps(0), nSnapshotKey(0x2C), nStopKey(0x2002C), hWrThread(nullptr), hTrayThread(nullptr),
      nWrThreadStatus(TS_NO_THREAD), bQuitting(FALSE), pTags(nullptr)
{
    ofCapture.cBytes = sizeof(OFSTRUCT);
    g_shared.hwndSimCap = nullptr;
    g_shared.hhkMouse = nullptr;
    g_shared.hhkSysMsg = nullptr;
    g_shared.hhkCallWndRet = nullptr;
    g_shared.hhkJournalKeys = nullptr;
    g_shared.hhkSimShell = nullptr;
    g_shared.hhkCbt = nullptr;
    g_hhkJournal = nullptr;
    sounds.Initialize();
}

SIMCAP::~SIMCAP()
{
    HWND hwnd = Window();
    UnhookKeys(hwnd);
    UnhookAll(hwnd);
    EndThreads();
    // A window still alive here belongs to a failed start; the normal end destroyed it already.
    if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);

    aExclMessages.RemoveAll();
    aExclApplications.RemoveAll();
    aExclProcesses.RemoveAll();
    aExclWindows.RemoveAll();
    aInclProcesses.RemoveAll();
    aInclWindows.RemoveAll();

    delete pPrivProf;
    pPrivProf = nullptr;
    delete pTagMap;
    pTagMap = nullptr;
    delete pTags;
    pTags = nullptr;

    if (bCriticalSectionReady) DeleteCriticalSection(&csBkgndMsg);
    bCriticalSectionReady = FALSE;

    hMsgTarget = nullptr;
    szBkgndMsg[0] = '\0';
    nMsgMode = BM_NONE;
    UnregisterClassA(c_szWindowClass, hInstance);
    hInstance = nullptr;
    g_shared.hwndSimCap = nullptr;

    delete pLateBoundApi;
    pLateBoundApi = nullptr;
}

// Both threads end on bQuitting and TS_EXIT; after a failed start neither has been set yet.
void SIMCAP::EndThreads()
{
    // The tray thread ends only from a state without animation; an exit posted while recording would
    // otherwise leave it, and this wait, running for ever.
    UINT nState = nMenuState;
    if (nState == MS_CAPTURING || nState == MS_WORKING || nState == MS_STOPPING) nMenuState = MS_IDLE;
    bQuitting = TRUE;
    nWrThreadStatus = TS_EXIT;
    DestroyWrThread();
    DestroyTrayThread();
}

HWND SIMCAP::Window()
{
    return g_shared.hwndSimCap;
}

BOOL SIMCAP::RegisterRecorderWindow()
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = sizeof(LONG);
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(hInstance, MAKEINTRESOURCEA(IDI_IDLE));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = c_szWindowClass;
    wc.hIconSm =
        static_cast<HICON>(LoadImageA(hInstance, MAKEINTRESOURCEA(IDI_IDLE), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (!RegisterClassExA(&wc)) return FALSE;

    HWND hwnd =
        CreateWindowExA(0, c_szWindowClass, c_szWindowTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, hInstance, nullptr);
    if (!hwnd) return FALSE;
    g_shared.hwndSimCap = hwnd;
    SetLastError(0);
    SetWindowLongA(hwnd, 0, static_cast<LONG>(reinterpret_cast<LONG_PTR>(this)));
    if (GetLastError() != 0) return FALSE;
    ShowWindow(hwnd, SW_HIDE);
    return TRUE;
}

BOOL SIMCAP::RegisterSharedMessages()
{
    for (const SharedMessage& message : c_aSharedMessages)
    {
        UINT nMessage = RegisterWindowMessageA(message.pszName);
        g_shared.*message.pnField = nMessage;
        if (!nMessage) DebugOut(message.pszFailure);
    }
    return TRUE;
}

BOOL SIMCAP::Init(HINSTANCE hInst, HINSTANCE, LPSTR, int)
{
    pLateBoundApi = new (std::nothrow) LateBoundApi;
    if (!pLateBoundApi) return FALSE;
    hInstance = hInst;
    if (!RegisterRecorderWindow()) return FALSE;

    GetWindowThreadProcessId(Window(), &g_dwOwnProcessId);

    OSVERSIONINFOA osvi = {};
    osvi.dwOSVersionInfoSize = sizeof(osvi);
    g_bIsNT = GetVersionExA(&osvi) && osvi.dwPlatformId == VER_PLATFORM_WIN32_NT;

    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, g_dwOwnProcessId));
    if (process.Get()) pLateBoundApi->IsWow64Process(process.Get(), &g_bOwnProcessIsWow64);

    if (!g_bIsNT) nStopKey = 0x1002C;

    CreateTrayThread();
    RegisterSharedMessages();

    for (DWORD dwMessage : {WM_PAINT, WM_NCMOUSEMOVE, WM_TIMER, WM_MOUSEMOVE})
        if (!aExclMessages.Exclude(dwMessage)) return FALSE;

    pTags = new (std::nothrow) Tags;
    if (!pTags || !pTags->BuildKeyAttrLists()) return FALSE;

    pPrivProf = new (std::nothrow) PrivProf(this, hInstance, Window());
    if (!pPrivProf || !pPrivProf->Init()) return FALSE;

    InitializeCriticalSection(&csBkgndMsg);
    bCriticalSectionReady = TRUE;
    SetMenuState(Window(), MS_IDLE);

    if (!pPrivProf->LoadConfiguration()) return FALSE;
    pTagMap = NewTagMap(*this);
    if (!pTagMap) return FALSE;
    return CreateWrThread();
}
