// Memory monitor: the one snapshot of physical memory, the trend of available
// memory between samples, the clean, and the automatic clean schedule.
#pragma once

#include "platform/platform.h"

// Trend of available physical memory since the previous classification.
constexpr BYTE TREND_GAIN = 0;
constexpr BYTE TREND_STEADY = 1;
constexpr BYTE TREND_LOSS = 2;

// Who asked for a clean: below CLEAN_SMALL sizes heavy, below CLEAN_AUTO reports.
typedef SHORT CleanMode;
constexpr CleanMode CLEAN_HEAVY = 0;
constexpr CleanMode CLEAN_SMALL = 1;
constexpr CleanMode CLEAN_AUTO = 2;

constexpr LONG CLEAN_INTERVAL_TICKS = 600;
// The most a clean writes between two reads of the thread's queue.
constexpr DWORD CLEAN_SLICE_BYTES = 64u << 20;
constexpr LONG STEADY_THRESHOLD = 1000;

extern MEMORYSTATUSEX memoryStatus;
extern BYTE trend;
extern DWORDLONG previousHalfAvail;
extern LONG ticksUntilClean;
extern LONG steadyCredit;
extern BYTE cleanFilling; // 1 while a clean writes its block

void RefreshMemoryStatus();
void ClassifyTrend();

DWORD CleanSize(DWORD totalPhys, DWORD availPhys, CleanMode mode);
void CleanMemory(HWND hwnd, CleanMode mode);

void ScheduleTick(HWND hwnd);
