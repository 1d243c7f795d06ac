// Internal to the simulated platform: what its parts share with each other
// and no test needs.
#pragma once

#include "platform/sim/sim.h"

// Each part's reset, called by SimReset.
void SimResetKernel();
void SimResetWindows();
void SimResetMessages();
void SimResetResources();
void SimResetShell();

// How the log shows a text argument ('text', or 0 for none), a window (W1 for
// the first made, 0, HWND_TOPMOST, ?), an icon (Vellitor#3, with (copy) and
// (destroyed)), a message (WM_X, or its number), and a message with its window
// and arguments ("W1 WM_X 0x1 0").
std::string SimText(LPCSTR s);
std::string SimWindowName(HWND hwnd);
std::string SimIconName(HICON icon);
std::string SimMessageName(UINT msg);
std::string SimMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// kernel.cpp: "held=BYTES" for the live blocks, with " (not zero)" unless
// every byte is 0; "written=BYTES", how many bytes from the start of the
// newest live block are 0.
std::string SimHeldBlocks();
std::string SimBlockWritten();
// window.cpp: the window behind a handle while it lives; whether a message
// from the shell, which runs at a lower integrity level than an elevated
// program, reaches it.
SimWindow *SimLiveWindow(HWND hwnd);
bool SimLetThrough(HWND hwnd, UINT msg);
// message.cpp: the number RegisterWindowMessageA gives a name.
UINT SimMessageNumber(LPCSTR name);
