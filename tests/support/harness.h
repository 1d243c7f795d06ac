// Test helpers: a fresh simulated machine and the program's globals as the
// loader left them, the whole program run on it, and call tables.
#pragma once

#include "platform/sim/sim.h"
#include "shell/shell.h"
#include "version.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

typedef std::vector<std::string> Calls;
constexpr DWORD MiB = 1u << 20;
constexpr uint64_t GiB = 1ull << 30;
static const HWND OWNER = (HWND)(uintptr_t)0x1234; // a window the simulation does not know

// A fresh machine (SetAvailable(20)) and every global of the program as it was
// before any test ran.
void Reset();
class Fresh : public ::testing::Test { void SetUp() override { Reset(); } };
// 64 MiB of physical memory with this much available, 68% load, and a page
// file of 96 MiB: a commit limit of 160 MiB, 104 MiB of it still free.
void SetAvailable(DWORD availMiB);

// The main window as start-up makes it, not shown yet.
HWND MainWindow();

// The calls logged since the last take, and the log cleared; with prefixes,
// only the calls that start with one of them.
Calls TakeCalls(std::initializer_list<const char *> prefixes = {});
// Compares in order and prints both lists on a mismatch. An empty table
// asserts that nothing was called.
void ExpectCalls(const Calls &expected, const Calls &actual);

// Runs WinMain; at the first idle moment of its loop the log is cleared and body
// runs with the main window, after which Exit is chosen.
int RunProgram(const std::function<void(HWND)> &body, int showCommand = SW_SHOWDEFAULT);

// Call lines of the clean: the block asked for, given back, and the box over it.
#define GRANTED(bytes) "HeapAlloc " bytes " flags=0x8 -> granted"
#define REFUSED(bytes) "HeapAlloc " bytes " flags=0x8 -> refused"
#define FREED(bytes) "HeapFree " bytes " flags=0x0 zero=1"
#define BOX(owner, text, held) "MessageBoxA " owner " '" text "' 'Vev Arivezu' 0x0 held=" held
#define CLEANED(bytes) GRANTED(bytes), BOX("W1", "RAM Cleaned", bytes), FREED(bytes)
#define LOCKED BOX("W1", "RAM cannot be locked", "0")

// The About box, as start-up and the About command show it.
#define ABOUT_BOX                                                                                                 \
    "MessageBoxA W1 'Quenmar watches physical memory and cleans it\n\rWritten by the Quenmar developers\n\r"    \
    "Version " QUENMAR_VERSION "\n\rhttps://quenmar.example.org/' 'About Quenmar' 0x40 held=0"
