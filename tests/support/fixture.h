// Test helpers: a fresh simulated machine and fresh program globals for every
// test, and comparison of the recorded platform calls with expected tables.
#pragma once

#include "monitor/monitor.h"
#include "platform/sim/sim.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

typedef std::vector<std::string> Calls;

// The program's globals as they stood when the process was loaded.
struct LoadedState;
extern const LoadedState &loadedState;
void RestoreLoadedState();

// The calls logged since the last check, and the log cleared. With prefixes, only
// the calls starting with one of them are kept.
Calls TakeCalls(std::initializer_list<const char *> prefixes = {});

// Compares in order; on a mismatch prints both lists. An empty table asserts
// that nothing was called.
void ExpectCalls(const Calls &expected, const Calls &actual);

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimReset();
        RestoreLoadedState();
    }
    void TearDown() override { SimReset(); }
};

MEMORYSTATUS Memory(DWORD totalPhys, DWORD availPhys, DWORD load = 50, DWORD totalPage = 0, DWORD availPage = 0);
constexpr DWORD MiB = 1u << 20;
