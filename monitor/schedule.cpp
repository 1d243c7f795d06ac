// The automatic clean schedule: a clean every 600 handled ticks, and once early
// at the first tick that ends with the trend steady.
#include "monitor/monitor.h"

LONG ticksUntilClean = CLEAN_INTERVAL_TICKS;
LONG steadyCredit = STEADY_THRESHOLD;

static void CleanAutomatically(HWND hwnd)
{
    CleanMemory(hwnd, CLEAN_AUTO);
    ticksUntilClean = CLEAN_INTERVAL_TICKS;
    steadyCredit = 0;
}

void ScheduleTick(HWND hwnd)
{
    if (--ticksUntilClean == 0)
        CleanAutomatically(hwnd);
    // Only the untouched credit can reach the threshold, so this fires once at most.
    if (trend == TREND_STEADY && (CLEAN_INTERVAL_TICKS - ticksUntilClean) + steadyCredit >= STEADY_THRESHOLD)
        CleanAutomatically(hwnd);
}
