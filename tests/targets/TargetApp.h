// tests/targets/TargetApp.h — what a test may ask of the target application SimTarget.exe: a window with a
// button, an edit box, a File menu and a modal dialog, driven by commands posted to its main window.
#pragma once

#define TARGET_MAIN_CLASS "SimTargetMain"
#define TARGET_POPUP_CLASS "SimTargetPopup"
#define TARGET_EXE_NAME "SimTarget.exe"

// Commands (WM_COMMAND) of the main window. The first two are also items of its File menu.
enum : unsigned
{
    TARGET_CMD_OPEN_DIALOG = 101,    // shows the modal dialog; its loop runs until Esc, Enter or a button
    TARGET_CMD_EXIT = 102,           // destroys the main window and ends the program
    TARGET_CMD_ACTIVATE = 110,       // brings the main window to the foreground, focus in the edit box
    TARGET_CMD_DESTROY_BUTTON = 111, // destroys the button
    TARGET_CMD_OPEN_POPUP = 112,     // creates a visible top-level window of TARGET_POPUP_CLASS
    TARGET_CMD_CLOSE_POPUP = 113,    // destroys it
};

// Control ids.
enum : unsigned
{
    TARGET_ID_BUTTON = 201,
    TARGET_ID_EDIT = 202,
    TARGET_ID_DIALOG_EDIT = 301,
};

// Sent (not posted) to the main window: the target maps the test library itself and answers the 32-bit
// value at byte offset wParam of its shared section, or 0xFFFFFFFF when the library cannot be reached.
#define TARGET_WM_READ_SHARED (0x8000 + 1)
#define TARGET_TEST_LIBRARY "SimCapT.dll"
