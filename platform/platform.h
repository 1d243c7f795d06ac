// The Win32 names the program uses: the SDK headers on Windows, the simulated
// subset (same names, same values) on other hosts.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
static_assert(sizeof(MEMORYSTATUS) == 32, "MEMORYSTATUS is eight 32-bit fields");
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "first NOTIFYICONDATA layout is 88 bytes");
#else
#include "platform/sim/win32api.h"
#endif
