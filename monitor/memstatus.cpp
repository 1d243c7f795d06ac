// The memory snapshot and the trend of available physical memory.
#include "monitor/monitor.h"

MEMORYSTATUSEX memoryStatus;
BYTE trend = TREND_STEADY;
DWORDLONG previousHalfAvail;

// The 64-bit figures: the 32-bit call stops at 4 GiB - 1, where most machines
// are larger, and its page-file figures are then meaningless.
void RefreshMemoryStatus()
{
    memoryStatus.dwLength = sizeof(MEMORYSTATUSEX);
    GlobalMemoryStatusEx(&memoryStatus);
}

// Compares half the available bytes, so a change of a single byte can read as steady.
void ClassifyTrend()
{
    DWORDLONG half = memoryStatus.ullAvailPhys >> 1;
    if (half < previousHalfAvail)
        trend = TREND_LOSS;
    else if (half > previousHalfAvail)
        trend = TREND_GAIN;
    else
        trend = TREND_STEADY;
    previousHalfAvail = half;
}
