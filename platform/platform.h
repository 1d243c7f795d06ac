// The Win32 names the program uses: the SDK headers on Windows, the simulated
// subset (same names, same values) on other hosts.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "first NOTIFYICONDATA layout is 88 bytes");
#else
#include "platform/sim/win32api.h"
#endif

static_assert(sizeof(MEMORYSTATUSEX) == 64, "MEMORYSTATUSEX is two 32-bit fields and seven 64-bit ones");
