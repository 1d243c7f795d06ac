// Internal to the simulated platform: what its parts share with each other
// and no test needs.
#pragma once

#include "platform/platform.h"

#include <string>

struct SimWindow;

// Each part's reset, called by SimReset.
void SimResetKernel();
void SimResetWindows();
void SimResetMessages();
void SimResetBoxes();
void SimResetResources();
void SimResetShell();
void SimResetPaint();

// A text argument as the log shows it: 'text', #id for a resource number, 0 for none.
std::string SimText(LPCSTR s);

// resource.cpp
extern const HCURSOR simArrowCursor;
bool SimIconLive(HICON icon);

// window.cpp: the window behind a handle, also once destroyed; or only while it lives.
SimWindow *SimWindowOf(HWND hwnd);
SimWindow *SimLiveWindow(HWND hwnd);
// Whether a message from the shell, which runs at a lower integrity level than
// an elevated program, reaches the window.
bool SimLetThrough(HWND hwnd, UINT msg);

// paint.cpp
bool SimHasSomethingToPaint(const SimWindow &w);

// message.cpp
void SimKillWindowTimers(HWND hwnd);
// The number RegisterWindowMessageA gives a name, asked for by the platform itself.
UINT SimMessageNumber(LPCSTR name);
