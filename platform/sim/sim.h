// Control of the simulated Win32 platform, for tests: the state a test sets up,
// the failures it can ask for, and the record of every call the program made.
// Calls are logged as one line each, "Function args -> result", so a test can
// compare what happened with an expected table.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// --- the call log ---
extern std::vector<std::string> simLog;
void SimLogf(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Everything back to a fresh machine with nothing open: no windows, classes,
// timers, tray icons, icons, heap blocks or hooks; the clock at 0; log empty.
void SimReset();

// --- memory and heap ---
// The machine's memory in bytes.
struct SimMachineMemory {
    DWORD load;
    uint64_t totalPhys, availPhys, totalPageFile, availPageFile;
};
extern SimMachineMemory simMemory;
extern size_t simHeapLimit; // larger blocks are refused
// The program's live blocks are charged against availPageFile (the commit
// every program shares), which GlobalMemoryStatusEx reports less that charge.
// Whether another program could commit this many bytes now.
bool SimOtherProgramCommits(uint64_t bytes);
size_t SimLiveBlocks();

// --- message boxes ---
// Runs while each box is open, standing for its modal loop; the box
// then returns IDOK. A box is logged with what the heap holds while it is up.
extern std::function<void()> simWhileBoxOpen;

// --- module, icons, fonts ---
extern const HINSTANCE simModule; // the program's own module
size_t SimLiveIcons();
// The System font, which a fresh device context holds: 0 is Windows' own at
// 96 DPI (16 pixels), 1 CJK Windows' (18), 2 the one of 120 DPI (20).
extern int simSystemFont;

// --- windows ---
struct SimWindow {
    HWND hwnd;
    WNDPROC proc;
    int width, height;
    bool visible, minimized, dirty, destroyed, disabled;
};
extern std::vector<SimWindow> simWindows;
extern bool simFailRegisterClass, simFailCreateWindow;
// The program runs elevated and the shell does not: what the shell sends
// arrives only where the window lets it through.
extern bool simElevated;

// --- messages, timers and the loop ---
// Delivers a message straight to a window's procedure, logged as "W1 WM_X wp lp".
LRESULT SimSend(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// A message another thread or program sends: it waits until the program's
// thread reads its queue (GetMessageA, PeekMessageA), which runs it and logs
// "W1 WM_X answered RESULT".
void SimSendFromOtherThread(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The posted messages waiting in the queue, each as "W1 WM_X wp lp".
std::vector<std::string> SimQueue();
extern bool simFailSetTimer;
// Runs the next n timer ticks the way a modal loop would.
void SimPumpTicks(unsigned n);
// Called by GetMessageA whenever the queue is empty.
extern std::function<void()> simIdle;

// --- the notification area ---
struct SimTrayIcon {
    HWND hwnd;
    UINT id, callback;
    std::string icon, tip;
};
extern std::vector<SimTrayIcon> simTray;
extern bool simTrayRefuseAdd;   // the shell refuses adds
extern bool simShellStartsLate; // it refuses the first, then comes up and says so
extern bool simShellBusy;       // it carries calls out, but too late to say so
SimTrayIcon *SimFindTrayIcon(HWND hwnd, UINT id);
// A mouse message on the icon, sent to its window as its callback, where the
// window lets it through.
void SimTrayClick(HWND hwnd, UINT id, UINT mouseMessage);
// Explorer restarts: every icon is gone and every window is sent "TaskbarCreated".
void SimShellRestart();
