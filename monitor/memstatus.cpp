// The memory snapshot and the trend of available physical memory.
#include "monitor/monitor.h"

MEMORYSTATUS memoryStatus;
BYTE trend = TREND_STEADY;
DWORD previousHalfAvail;

void RefreshMemoryStatus()
{
    memoryStatus.dwLength = sizeof(MEMORYSTATUS);
    GlobalMemoryStatus(&memoryStatus);
}

// Compares half the available bytes, so a change of a single byte can read as steady.
void ClassifyTrend()
{
    DWORD half = memoryStatus.dwAvailPhys >> 1;
    if (half < previousHalfAvail)
        trend = TREND_LOSS;
    else if (half > previousHalfAvail)
        trend = TREND_GAIN;
    else
        trend = TREND_STEADY;
    previousHalfAvail = half;
}
