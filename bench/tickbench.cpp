// Benchmark, not a test: the program's CPU time per tick under Wine with its
// window shown and hidden, and while it idles on its own timer; then a soak of
// many ticks, with the ticks answered and its resident memory before and after.
//   bench_ticks.exe QUENMAR_EXE [SOAK_TICKS]
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "res/resource.h"
#include "tests/e2e/linux.h"

static PROCESS_INFORMATION quenmar;
static HWND window;

// Wine counts another process's times in 10 ms steps, which a tick of a tenth
// of a millisecond never reaches. Linux's own accounting of the program's Unix
// process, read through Wine's Z: drive, is in nanoseconds: the process is the
// one whose command line is the exe and whose environment names this prefix.
static std::string unixProcess;

static bool FindUnixProcess(const char *exe)
{
    return !(unixProcess = UnixProcess(exe)).empty();
}

// The CPU time, in seconds, of the program's first thread, the one that runs its window.
static double CpuSeconds()
{
    std::string main = unixProcess.substr(unixProcess.rfind('\\') + 1);
    return strtod(ReadAll(unixProcess + "\\task\\" + main + "\\schedstat").c_str(), NULL) * 1e-9;
}

static unsigned long ResidentKiB()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(quenmar.hProcess, &counters, sizeof counters);
    return (unsigned long)(counters.WorkingSetSize >> 10);
}

// Sent, not posted: each tick is handled before the next is timed.
static int Ticks(int count)
{
    int answered = 0;
    for (int i = 0; i < count; i++) {
        DWORD_PTR result = 0;
        answered += SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_NORMAL, 60000, &result) && result == 100;
    }
    return answered;
}

int main(int argc, char **argv)
{
    if (argc < 2)
        return fprintf(stderr, "usage: bench_ticks QUENMAR_EXE [SOAK_TICKS]\n"), 2;
    int soak = argc > 2 ? atoi(argv[2]) : 6000;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(argv[1], NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &quenmar))
        return fprintf(stderr, "cannot start %s\n", argv[1]), 1;
    HWND about = NULL;
    for (int i = 0; i < 1200 && !(about = FindWindowA("#32770", "About Quenmar")); i++)
        Sleep(100);
    window = FindWindowA("MyClass", "Quenmar");
    if (!about || !window)
        return fprintf(stderr, "no window\n"), 1;
    if (!FindUnixProcess(argv[1]))
        return fprintf(stderr, "no Linux process of %s with this WINEPREFIX under Z:\\proc\n", argv[1]), 1;
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    Sleep(2000);

    // Kept below the 600 ticks at which an automatic clean would run.
    const int ticks = 250;
    for (int hidden = 0; hidden < 2; hidden++) {
        if (hidden)
            SendMessageA(window, WM_COMMAND, IDM_HIDE, 0);
        double cpu = CpuSeconds(), wall = (double)GetTickCount();
        Ticks(ticks);
        printf("tick, window %s: %.3f ms CPU, %.3f ms round trip\n", hidden ? "hidden" : "shown",
               (CpuSeconds() - cpu) * 1000 / ticks, ((double)GetTickCount() - wall) / ticks);
    }
    double cpu = CpuSeconds();
    Sleep(20000);
    printf("idle with its own timer, hidden: %.3f ms CPU per second\n",
           (CpuSeconds() - cpu) * 1000 / 20);

    unsigned long before = ResidentKiB();
    DWORD start = GetTickCount();
    int answered = Ticks(soak / 2);
    SendMessageA(window, 120, 0, WM_LBUTTONDOWN); // a tray click: half hidden, half shown
    answered += Ticks(soak - soak / 2);
    printf("soak: %d of %d ticks answered 100 in %lu s, automatic cleans every 600; resident %lu KiB before, "
           "%lu KiB after\n",
           answered, soak, (GetTickCount() - start) / 1000, before, ResidentKiB());
    PostMessageA(window, WM_COMMAND, IDM_EXIT, 0);
    return WaitForSingleObject(quenmar.hProcess, 30000) == WAIT_OBJECT_0 ? 0 : 1;
}
