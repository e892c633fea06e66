// host/RecorderIds.h — menu states, writer states, command ids and resource ids the recorder uses.
#pragma once

// Menu state: which commands are allowed now and which popup items are enabled.
enum : unsigned
{
    MS_BUSY = 0,
    MS_IDLE = 1,
    MS_ARMED = 2,
    MS_READY = 3,
    MS_CAPTURING = 4,
    MS_PAUSED = 5,
    MS_WORKING = 6,
    MS_STOPPING = 7,
};

// Writer thread status.
enum : unsigned
{
    TS_NO_THREAD = 0,
    TS_IDLE = 1,
    TS_RUNNING = 2,
    TS_FINISHING = 3,
    TS_DONE = 4,
    TS_FAILED = 5,
    TS_EXIT = 6,
};

// Background message modes.
enum : unsigned
{
    BM_NONE = 0,
    BM_ERROR_PENDING = 1,
    BM_INFO_DLG = 2,
};

// Commands of the recorder window (low word of wParam of WM_COMMAND).
enum : unsigned
{
    IDM_DEFINE_TARGET = 1000,
    IDM_TOGGLE_HOTKEYS = 1001,
    IDM_START = 1010,
    IDM_STOP = 1020,
    IDM_SHOW_ERROR = 1021,
    IDM_PAUSE = 1030,
    IDM_RESUME = 1040,
    IDM_STEP = 1050,
    IDM_INSERT_COMMENT = 1060,
    IDM_HIDDEN_WINDOWS = 1070,
    IDM_MOUSE_EVENTS = 1071,
    IDM_JOURNAL_EVENTS = 1072,
    IDM_EXIT = 1090,
};

// The command by which the writer reports to the "Saving Data" dialog.
enum : unsigned
{
    IDC_SAVING_DATA_NOTIFY = 2202,
};

// Icons of the resource module.
enum : unsigned
{
    IDI_IDLE = 41,
    IDI_RECORDING_1 = 42,
    IDI_RECORDING_2 = 43,
    IDI_STOPPING_1 = 44,
    IDI_STOPPING_2 = 45,
};
