// The program's globals, as captured at load time.
#pragma once

#include "monitor/monitor.h"

struct LoadedState {
    MEMORYSTATUS memoryStatus;
    BYTE trend;
    DWORD previousHalfAvail;
    LONG ticksUntilClean;
    LONG steadyCredit;
};
