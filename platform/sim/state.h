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

// A text argument as the log shows it: 'text', #id for a resource number, 0 for none.
std::string SimText(LPCSTR s);

// resource.cpp
extern const HCURSOR simArrowCursor;
bool SimIconLive(HICON icon);

// window.cpp: the window behind a handle, also once destroyed; or only while it lives.
SimWindow *SimWindowOf(HWND hwnd);
SimWindow *SimLiveWindow(HWND hwnd);
// A message from the shell, which runs at a lower integrity level than an
// elevated program; sent at once. False when it did not arrive.
bool SimSendFromShell(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// paint.cpp
bool SimHasSomethingToPaint(const SimWindow &w);

// message.cpp
void SimKillWindowTimers(HWND hwnd);
// The number RegisterWindowMessageA gives a name, asked for by the platform itself.
UINT SimMessageNumber(LPCSTR name);
