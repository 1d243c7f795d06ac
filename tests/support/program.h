// Running the whole program on the simulated platform.
#pragma once

#include "shell/shell.h"
#include "tests/support/fixture.h"

#include <functional>

// The About box's text, as start-up and the About command show it.
extern const char ABOUT_TEXT[];

// Runs WinMain. At the first idle moment of its message loop the log is cleared
// and body runs with the main window; unless body ended the program, Exit is
// then chosen from the menu. Returns WinMain's result.
int RunProgram(const std::function<void(HWND)> &body, int showCommand = SW_SHOWDEFAULT);

// 64 MiB of physical memory with this much available, 68% load, and a page
// file of 96 MiB with 40 MiB available.
void SetStandardMemory(DWORD availMiB);

// The calls of one paint of the panel from the standard memory, with the tray's
// modify showing the neutral picture (its handle as logged, e.g. "Vellitor#3").
Calls PaintCalls(const std::string &neutralIcon, DWORD availMiB, bool trayPresent = true);
