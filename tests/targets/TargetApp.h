// tests/targets/TargetApp.h — what a test may ask of the target application SimTarget.exe: a window with a
// button, an edit box, controls that show items, a menu bar and a modal dialog, driven by commands posted
// to its main window. Started with TARGET_ARG_LARGE it fills its controls with many items instead.
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
    // A second UI thread shows a top-level window of TARGET_HUNG_CLASS with TARGET_HUNG_BUTTONS buttons
    // (the first time), and then answers no sent message for lParam milliseconds. HANG sleeps: the
    // system comes to see the thread as hung. STALL waits for posted messages alone: a thread waiting for
    // input is never hung in the system's eyes, yet a message sent to it waits.
    TARGET_CMD_HANG = 114,
    TARGET_CMD_STALL = 115,
    // Shows a child window of the main window and a top-level window of TARGET_VANISHING_CLASS that
    // destroy themselves when asked for their text, and come back a moment later.
    TARGET_CMD_VANISHING = 116,
};

#define TARGET_HUNG_CLASS "SimTargetHung"
#define TARGET_VANISHING_CLASS "SimTargetVanishing"
const unsigned TARGET_HUNG_BUTTONS = 10;

// Control ids.
enum : unsigned
{
    TARGET_ID_BUTTON = 201,
    TARGET_ID_EDIT = 202,
    TARGET_ID_LISTBOX = 203,    // multiple selection: c_apszTargetListItems, the first and third selected
    TARGET_ID_COMBOBOX = 204,   // drop-down: c_apszTargetComboItems, the second selected
    TARGET_ID_COMBOBOXEX = 205, // ComboBoxEx32: c_apszTargetComboExItems
    TARGET_ID_TOOLBAR = 206,    // buttons with c_apszTargetToolTexts and c_apszTargetToolTips
    TARGET_ID_BITMAP_BUTTON = 207,
    TARGET_ID_DIALOG_EDIT = 301,
};

// Menu bar: "&File" (Open Dialog..., a separator, Exit) and "&View": a checked item, an item with a bitmap
// of its own, an item with check-mark bitmaps, and the sub-menu "&More" holding "Deeper".
enum : unsigned
{
    TARGET_CMD_VIEW_CHECKED = 120,
    TARGET_CMD_VIEW_BITMAP = 121,
    TARGET_CMD_VIEW_MARKS = 122,
    TARGET_CMD_VIEW_DEEPER = 123,
};

const char* const c_apszTargetListItems[] = {"Alpha", "Beta", "Gamma", "Delta"};
const char* const c_apszTargetComboItems[] = {"Red", "Green", "Blue"};
const char* const c_apszTargetComboExItems[] = {"One", "Two"};
const char* const c_apszTargetToolTexts[] = {"New", "Open", "Save"};
const char* const c_apszTargetToolTips[] = {"Make a new page", "Open a page", "Save the page"};

// The large contents, for the snapshot benchmark: list box, combo box and toolbar items, and the items of
// the "&Items" menu.
#define TARGET_ARG_LARGE "large"
enum : unsigned
{
    TARGET_LARGE_LIST_ITEMS = 1000,
    TARGET_LARGE_COMBO_ITEMS = 200,
    TARGET_LARGE_TOOL_BUTTONS = 40,
    TARGET_LARGE_MENU_ITEMS = 100,
};

// Sent (not posted) to the main window: the target maps the test library itself and answers the 32-bit
// value at byte offset wParam of its shared section, or 0xFFFFFFFF when the library cannot be reached or
// the offset lies outside the published values.
#define TARGET_WM_READ_SHARED (0x8000 + 1)
#define TARGET_TEST_LIBRARY "SimCapT.dll"
