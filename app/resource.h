// app/resource.h — numbers of the host's resources; the recorder library addresses them by these values.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Icons: idle, the two recording frames, the two stopping frames.
#define IDI_TRAY_IDLE 41
#define IDI_TRAY_RECORDING1 42
#define IDI_TRAY_RECORDING2 43
#define IDI_TRAY_STOPPING1 44
#define IDI_TRAY_STOPPING2 45

// Dialog templates.
#define IDD_DEFINE_TARGET 129
#define IDD_OPTIONS 130
#define IDD_SAVING_DATA 131
#define IDD_DATA_SAVED 132
#define IDD_FILE_EXISTS 133
#define IDD_ABOUT 134
#define IDD_USER_ASSISTANCE 135

// Commands of the tray popup; the recorder window handles exactly these values.
#define ID_CAPTURE_DEFINE_TARGET 1000
#define ID_CAPTURE_STOP 1020
#define ID_CAPTURE_PAUSE 1030
#define ID_CAPTURE_RESUME 1040
#define ID_CAPTURE_STEP 1050
#define ID_CAPTURE_INSERT_COMMENT 1060
#define ID_CAPTURE_HIDDEN_WINDOWS 1070
#define ID_CAPTURE_MOUSE_EVENTS 1071
#define ID_CAPTURE_JOURNAL_EVENTS 1072
#define ID_CAPTURE_EXIT 1090

// Define Target dialog.
#define IDC_DT_OUTPUT_PATH 2001
#define IDC_DT_APPLICATIONS 2004
#define IDC_DT_INCLUDE_NEW 2005
#define IDC_DT_SETTINGS 2007
#define IDC_DT_REFRESH 2008
#define IDC_DT_BROWSE 2010
#define IDC_DT_ABOUT 2012
#define IDC_DT_HELP 9

// Hotkey and Sound Settings dialog.
#define IDC_OPT_ACTION 2102
#define IDC_OPT_CTRL 2103
#define IDC_OPT_ALT 2104
#define IDC_OPT_KEY 2105
#define IDC_OPT_DEFAULTS 2107
#define IDC_OPT_CLICK_SOUNDS 2110
#define IDC_OPT_NOTE_SOUNDS 2111
#define IDC_OPT_HIGH_RESOLUTION 2113

// Saving Data, Data Saved, File Already Exists and User Assistance dialogs.
#define IDC_SD_MESSAGE 2201
#define IDC_DS_OUTPUT_PATH 2301
#define IDC_FE_PATH 2401
#define IDC_FE_DONT_ASK 2402
#define IDC_UA_DONT_SHOW 2601
#define IDC_UA_START_TEXT 2602
#define IDC_UA_STEP_TEXT 2603
#define IDC_UA_STOP_TEXT 2604
