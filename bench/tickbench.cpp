// Benchmark, not a test: the program's CPU time per tick under Wine with its
// window shown and hidden, beside the floor (a window that does only what a
// tick must) in the same Wine, and while it idles on its own timer; then a
// soak of many ticks, with the ticks answered and its resident memory before
// and after.
//   bench_ticks.exe QUENMAR_EXE FLOOR_EXE [SOAK_TICKS]
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "res/resource.h"
#include "bench/linux.h"

// A program under test: its process, its window, and its Linux process.
struct Program {
    PROCESS_INFORMATION process;
    HWND window;
    std::string unix;
};

// Wine counts another process's times in 10 ms steps, which a tick of a tenth
// of a millisecond never reaches. Linux's own accounting of the program's Unix
// process, read through Wine's Z: drive, is in nanoseconds: the CPU time, in
// seconds, of its first thread, the one that runs its window.
static double CpuSeconds(const Program &p)
{
    std::string main = p.unix.substr(p.unix.rfind('\\') + 1);
    return strtod(ReadAll(p.unix + "\\task\\" + main + "\\schedstat").c_str(), NULL) * 1e-9;
}

static unsigned long ResidentKiB(const Program &p)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(p.process.hProcess, &counters, sizeof counters);
    return (unsigned long)(counters.WorkingSetSize >> 10);
}

// Started, its window found (and the About box, when it has one, closed).
static bool Start(const char *exe, const char *windowClass, const char *aboutBox, Program &p)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(exe, NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &p.process))
        return fprintf(stderr, "cannot start %s\n", exe), false;
    HWND about = NULL;
    for (int i = 0; i < 1200 && !(aboutBox ? (about = FindWindowA("#32770", aboutBox)) : FindWindowA(windowClass, NULL)); i++)
        Sleep(100);
    if (!(p.window = FindWindowA(windowClass, NULL)) || (aboutBox && !about))
        return fprintf(stderr, "no window of %s\n", exe), false;
    if ((p.unix = UnixProcess(exe)).empty())
        return fprintf(stderr, "no Linux process of %s with this WINEPREFIX under Z:\\proc\n", exe), false;
    if (about)
        PostMessageA(about, WM_COMMAND, IDOK, 0);
    return Sleep(2000), true;
}

static bool Ends(Program &p)
{
    PostMessageA(p.window, WM_COMMAND, IDM_EXIT, 0);
    return WaitForSingleObject(p.process.hProcess, 30000) == WAIT_OBJECT_0;
}

// Sent, not posted: each tick is handled before the next is timed.
static int Ticks(const Program &p, int count)
{
    int answered = 0;
    for (int i = 0; i < count; i++) {
        DWORD_PTR result = 0;
        answered += SendMessageTimeoutA(p.window, WM_TIMER, 1, 0, SMTO_NORMAL, 60000, &result) && result == 100;
    }
    return answered;
}

// CPU ms per tick, and round trips, of the program and of the floor, in rounds
// of program, floor, floor, program: the medians of each, which leave out the
// batch an automatic clean (every 600 ticks) falls into.
static void TimeTicks(const Program &ours, const Program &floor, const char *how)
{
    const int ticks = 60, rounds = 5;
    std::vector<double> cpu[2], trip[2];
    for (int round = 0; round < rounds; round++)
        for (const Program *p : {&ours, &floor, &floor, &ours}) {
            double before = CpuSeconds(*p), wall = (double)GetTickCount();
            Ticks(*p, ticks);
            cpu[p == &floor].push_back((CpuSeconds(*p) - before) * 1000 / ticks);
            trip[p == &floor].push_back(((double)GetTickCount() - wall) / ticks);
        }
    for (auto *v : {&cpu[0], &cpu[1], &trip[0], &trip[1]})
        std::sort(v->begin(), v->end());
    double c = cpu[0][cpu[0].size() / 2], f = cpu[1][cpu[1].size() / 2];
    printf("tick, window %s: %.3f ms CPU (%.3f to %.3f), the floor %.3f ms (%.3f to %.3f): %.2f times the floor; "
           "round trip %.2f ms, the floor's %.2f ms\n",
           how, c, cpu[0].front(), cpu[0].back(), f, cpu[1].front(), cpu[1].back(), f ? c / f : 0,
           trip[0][trip[0].size() / 2], trip[1][trip[1].size() / 2]);
}

int main(int argc, char **argv)
{
    if (argc < 3)
        return fprintf(stderr, "usage: bench_ticks QUENMAR_EXE FLOOR_EXE [SOAK_TICKS]\n"), 2;
    int soak = argc > 3 ? atoi(argv[3]) : 6000;
    Program ours = {}, floor = {};
    if (!Start(argv[1], "MyClass", "About Quenmar", ours) || !Start(argv[2], "TickFloor", NULL, floor))
        return 1;
    TimeTicks(ours, floor, "shown");
    SendMessageA(ours.window, WM_COMMAND, IDM_HIDE, 0), SendMessageA(floor.window, WM_COMMAND, IDM_HIDE, 0);
    TimeTicks(ours, floor, "hidden");
    bool floorEnded = Ends(floor);

    double cpu = CpuSeconds(ours);
    Sleep(20000);
    printf("idle with its own timer, hidden: %.3f ms CPU per second\n", (CpuSeconds(ours) - cpu) * 1000 / 20);

    unsigned long before = ResidentKiB(ours);
    DWORD start = GetTickCount();
    int answered = Ticks(ours, soak / 2);
    SendMessageA(ours.window, 120, 0, WM_LBUTTONDOWN); // a tray click: half hidden, half shown
    answered += Ticks(ours, soak - soak / 2);
    printf("soak: %d of %d ticks answered 100 in %lu s, automatic cleans every 600; resident %lu KiB before, "
           "%lu KiB after\n",
           answered, soak, (GetTickCount() - start) / 1000, before, ResidentKiB(ours));
    return Ends(ours) && floorEnded ? 0 : 1;
}
