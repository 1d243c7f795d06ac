// The program's globals, as captured at load time.
#pragma once

#include "shell/shell.h"

#define PROGRAM_GLOBALS(X)                                                                                       \
    X(MEMORYSTATUS, memoryStatus) X(BYTE, trend) X(DWORD, previousHalfAvail) X(LONG, ticksUntilClean)              \
    X(LONG, steadyCredit) X(HICON, iconGain) X(HICON, iconLose) X(HICON, iconNeutral) X(UINT, trayIconId)         \
    X(HDC, paintDC) X(BYTE, windowVisible) X(HINSTANCE, appInstance) X(UINT, taskbarCreatedMsg)

struct LoadedState {
#define FIELD(type, name) type name;
    PROGRAM_GLOBALS(FIELD)
#undef FIELD
};
