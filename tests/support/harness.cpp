// Test helpers: fresh state, the whole program on the simulated platform, and
// call tables.
#include "tests/support/harness.h"

#include <algorithm>
#include <fstream>
#include <utility>

// LeakSanitizer stops every thread at exit to look for leaks, which a 32-bit
// program run through qemu-user cannot do: it would hang there.
extern "C" int __lsan_is_turned_off()
{
    std::string state;
    std::ifstream("/proc/sys/fs/binfmt_misc/qemu-i386") >> state;
    return state == "enabled";
}

#define PROGRAM_GLOBALS(X)                                                                                       \
    X(memoryStatus) X(trend) X(previousHalfAvail) X(ticksUntilClean) X(steadyCredit) X(iconGain) X(iconLose)      \
    X(iconNeutral) X(trayIconId) X(paintDC) X(windowVisible) X(taskbarCreatedMsg) X(cleanFilling)
#define FIELD(name) decltype(::name) name;
#define TAKE(name) name,
static const struct { PROGRAM_GLOBALS(FIELD) } loaded = {PROGRAM_GLOBALS(TAKE)};

void Reset()
{
    SimReset();
#define PUT(name) name = loaded.name;
    PROGRAM_GLOBALS(PUT)
    SetAvailable(20);
}

void SetAvailable(DWORD availMiB)
{
    simMemory = SimMachineMemory{68, 64 * MiB, availMiB * MiB, 160 * MiB, 104 * MiB};
}

HWND MainWindow()
{
    RegisterMainClass(simModule);
    return CreateMainWindow(simModule);
}

Calls TakeCalls(std::initializer_list<const char *> prefixes)
{
    Calls calls;
    for (const std::string &line : simLog)
        if (prefixes.size() == 0 || std::any_of(prefixes.begin(), prefixes.end(),
                                                [&](const char *prefix) { return line.rfind(prefix, 0) == 0; }))
            calls.push_back(line);
    simLog.clear();
    return calls;
}

void ExpectCalls(const Calls &expected, const Calls &actual)
{
    std::string lists[2];
    for (int i = 0; i < 2; i++)
        for (const std::string &call : i ? actual : expected)
            lists[i] += "  " + call + "\n";
    EXPECT_TRUE(expected == actual) << "expected:\n" << lists[0] << "actual:\n" << lists[1];
}

int RunProgram(const std::function<void(HWND)> &body, int showCommand)
{
    bool ran = false;
    simIdle = [&] {
        if (std::exchange(ran, true))
            return;
        simLog.clear();
        body(simWindows.at(0).hwnd);
        PostMessageA(simWindows[0].hwnd, WM_COMMAND, IDM_EXIT, 0); // goes nowhere if body ended the program
    };
    return WinMain(simModule, nullptr, (LPSTR) "", showCommand); // the next Reset clears simIdle
}
