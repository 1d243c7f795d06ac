// The end-to-end driver, run under Wine beside the real quenmar.exe: it starts
// the program as a user would, acts as a user and the desktop do (real key
// presses and clicks, the shell's own calls, the memory Wine reads), and after
// every action checks a model of what the program must then show. The suite
// walks one fixed path, with what only it checks besides (the menu resource,
// Windows 10's metrics, the close button), a line a step and "N passed, N
// failed"; the soak walks a path drawn from its seed until its time is up.
//   driver QUENMAR_EXE MEMINFO [SHOTS]             the suite
//   driver QUENMAR_EXE MEMINFO SHOTS SECONDS SEED  the soak
//   driver exit                                    ends a running copy from its menu
// MEMINFO is the file bound over /proc/meminfo, rewritten in place; SHOTS a
// folder for pictures: the suite's of the window, the About box and the tray,
// and the screen at a violation.
#include "version.h"
#include "tests/e2e/linux.h"

#include <windows.h>
#include <psapi.h>
#include <winternl.h>
#include <stdio.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

static const char *quenmarExe, *meminfoPath, *shotsDir;
static PROCESS_INFORMATION quenmar;
static HWND mainWnd, other; // other: the window of "another program", which takes the foreground

static std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));
static std::string Format(const char *format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

template <class Condition> static bool WaitFor(Condition condition, DWORD ms = 10000)
{
    for (DWORD start = GetTickCount(); !condition(); Sleep(100))
        if (GetTickCount() - start > ms)
            return false;
    return true;
}

// Wine reads available memory from this file; the same length every time, so
// it is rewritten in place. 8 GiB of it: more than 32 bits can tell.
static void SetAvailable(unsigned long mib)
{
    FILE *file = fopen(meminfoPath, "r+b");
    fprintf(file, "MemTotal: %8lu kB\nMemFree: %8lu kB\nMemAvailable: %8lu kB\nBuffers: 0 kB\nCached: 0 kB\n"
                  "SwapTotal: 1048576 kB\nSwapFree: 524288 kB\n", 8192ul << 10, mib << 10, mib << 10), fclose(file);
}

// The screen's pixels in r (0xRRGGBB, row by row), with draw painted over them.
static std::vector<DWORD> Capture(RECT r, const std::function<void(HDC)> &draw = nullptr)
{
    int width = r.right - r.left, height = r.bottom - r.top;
    BITMAPINFO info = {{sizeof info.bmiHeader, width, -height, 1, 32}};
    DWORD *bits = NULL;
    HDC mem = CreateCompatibleDC(NULL), screen = GetDC(NULL);
    HGDIOBJ bitmap = CreateDIBSection(mem, &info, DIB_RGB_COLORS, (void **)&bits, NULL, 0), old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    if (draw)
        draw(mem);
    GdiFlush();
    std::vector<DWORD> pixels(bits, bits + (bits ? width * height : 0));
    for (DWORD &pixel : pixels)
        pixel &= 0xFFFFFF;
    SelectObject(mem, old), DeleteObject(bitmap), DeleteDC(mem), ReleaseDC(NULL, screen);
    return pixels;
}

// Painted again at once, background and all.
static void Repaint(HWND window)
{
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// With a folder for pictures, the screen's pixels in r (the screen by default) go there as NAME.ppm.
static void Save(const std::string &name, RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)})
{
    FILE *file = shotsDir ? fopen(Format("%s\\%s.ppm", shotsDir, name.c_str()).c_str(), "wb") : NULL;
    if (!file)
        return;
    fprintf(file, "P6 %ld %ld 255\n", r.right - r.left, r.bottom - r.top);
    for (DWORD pixel : Capture(r))
        fputc(pixel >> 16, file), fputc(pixel >> 8 & 0xFF, file), fputc(pixel & 0xFF, file);
    fclose(file);
}

static RECT WindowRect(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

// The main window of the copy started here, or of any copy when none was.
static bool FindMain(DWORD ms)
{
    return WaitFor([] {
        DWORD pid = 0;
        GetWindowThreadProcessId(mainWnd = FindWindowA("MyClass", "Quenmar"), &pid);
        return mainWnd && (!quenmar.dwProcessId || pid == quenmar.dwProcessId);
    }, ms);
}

static void Front(HWND window)
{
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result), SetForegroundWindow(window);
    WaitFor([&] { return GetForegroundWindow() == window; }, 5000);
}

// The keys of the chord pressed in order and released in reverse.
static void Send(std::initializer_list<WORD> chord)
{
    std::vector<INPUT> input(2 * chord.size(), INPUT{INPUT_KEYBOARD});
    size_t n = chord.size(), i = 0;
    for (WORD key : chord)
        input[i].ki.wVk = input[2 * n - 1 - i].ki.wVk = key, input[2 * n - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP, i++;
    SendInput((UINT)input.size(), input.data(), sizeof(INPUT)), Sleep(400);
}

// A chord on a window brought to the front.
static void Press(HWND window, std::initializer_list<WORD> chord)
{
    Front(window), Send(chord);
}

// Real key presses on the main window, one after another: F10 opens its menu bar at "File".
static void Keys(std::initializer_list<WORD> keys)
{
    Front(mainWnd);
    for (WORD key : keys)
        Send({key});
}
static const std::initializer_list<WORD> HEAVY_CLEAN_KEYS = {VK_F10, VK_RETURN, VK_RETURN},
                                         EXIT_KEYS = {VK_F10, VK_RETURN, VK_UP, VK_RETURN};

static std::string clickedOn; // the class of the window the last click's presses fell on

// Real presses of a button at a point of the screen, spaced beyond the
// double-click time from what came before; presses above one come at once,
// within it. Each carries its own position: a cursor moved just before can
// be put back by a pointer event that Wine had not yet taken in. The cursor
// waits off the point and presses soon after it comes: under Wine a press on
// the tray icon after the cursor had rested there, with the icon's tip up in
// a window of its own, now and then never reached the program.
static void MoveCursor(POINT p, DWORD action = 0)
{
    INPUT input = {INPUT_MOUSE};
    input.mi = {MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1),
                MulDiv(std::max(p.y, 0L), 65535, GetSystemMetrics(SM_CYSCREEN) - 1), 0,
                MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | action};
    SendInput(1, &input, sizeof input);
}
static POINT OffPoint(POINT at) { return {at.x, at.y - 64}; }
static void Click(POINT at, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP, int presses = 1)
{
    MoveCursor(OffPoint(at)), Sleep(GetDoubleClickTime() + 200), MoveCursor(at), Sleep(100);
    char name[64] = "";
    GetClassNameA(WindowFromPoint(at), name, sizeof name);
    clickedOn = name;
    for (int i = 0; i < presses; i++)
        for (DWORD action : {down, up})
            MoveCursor(at, action), Sleep(presses > 1 ? 30 : 100);
}

// The figures as Wine gives them to any program, from the memory file.
static MEMORYSTATUSEX Figures()
{
    MEMORYSTATUSEX m = {sizeof m};
    GlobalMemoryStatusEx(&m);
    return m;
}

// Within ms, exactly the five lines drawn here, in the default font on the
// window colour, from the figures this driver is given;
// and each of them whole, to its last column and its last row, in the client
// area. detail says what was seen.
static bool PanelDrawn(DWORD ms, std::string &detail)
{
    RECT client;
    bool same = false, whole = false;
    WaitFor([&] {
        MEMORYSTATUSEX m = Figures();
        ULONGLONG used = m.ullTotalPageFile > m.ullAvailPageFile ? m.ullTotalPageFile - m.ullAvailPageFile : 0;
        const std::string lines[] = {"Tamsel's Memory Defragger",
                                     Format("Total Physical RAM : %llu (%lluMB)", m.ullTotalPhys, m.ullTotalPhys >> 20),
                                     Format("Available Physical RAM : %llu (%lluMB)", m.ullAvailPhys, m.ullAvailPhys >> 20),
                                     Format("Total Swapfile Size : %llu (%lluMB)", used, used >> 20),
                                     Format("System Memory Load : %lu%%", m.dwMemoryLoad)};
        GetClientRect(mainWnd, &client);
        RECT area = client;
        MapWindowPoints(mainWnd, NULL, (POINT *)&client, 2);
        std::vector<DWORD> shown = Capture(client), expected = Capture(client, [&](HDC mem) {
            FillRect(mem, &area, GetSysColorBrush(COLOR_WINDOW));
            SelectObject(mem, GetStockObject(SYSTEM_FONT));
            whole = true;
            for (int i = 0, y[] = {0, 30, 45, 60, 75}; i < 5; i++) {
                SIZE extent = {};
                GetTextExtentPoint32A(mem, lines[i].c_str(), (int)lines[i].size(), &extent);
                whole = whole && extent.cx <= area.right && y[i] + extent.cy <= area.bottom;
                TextOutA(mem, 0, y[i], lines[i].c_str(), (int)lines[i].size());
            }
        });
        return same = !shown.empty() && shown == expected;
    }, ms);
    RECT outer = WindowRect(mainWnd);
    detail = Format("%s, window %ldx%ld, client area %ldx%ld", same ? "same pixels" : "other pixels",
                    outer.right - outer.left, outer.bottom - outer.top, client.right - client.left,
                    client.bottom - client.top);
    return same && whole;
}

enum Picture { NO_ICON, NEUTRAL, GAIN, LOSS };
static const char *const pictureNames[] = {"none", "neutral", "gain", "loss"};
static POINT trayFace; // the centre of the face found last

// Our icon is the only yellow face in the right half of the taskbar; the colours
// around it tell the picture. The taskbar is painted again first, background and
// all: Wine 10 draws a changed icon over the old one without erasing it, which
// would leave the last picture's halo around a plain face.
static Picture TrayPicture()
{
    if (HWND taskbar = FindWindowA("Shell_TrayWnd", NULL))
        Repaint(taskbar);
    int width = GetSystemMetrics(SM_CXSCREEN), x0 = width / 2, y0 = GetSystemMetrics(SM_CYSCREEN) - 48, w = width - x0;
    std::vector<DWORD> s = Capture({x0, y0, x0 + w, y0 + 48});
    int left = w, right = -1, top = 48, bottom = -1, blue = 0, red = 0, silver = 0;
    for (int i = 0; i < (int)s.size(); i++)
        if (s[i] == 0xFFFF00)
            left = std::min(left, i % w), right = std::max(right, i % w), top = std::min(top, i / w), bottom = i / w;
    for (int y = std::max(top - 3, 0); y <= bottom + 3 && y < 48; y++)
        for (int x = std::max(left - 3, 0); x <= right + 3 && x < w; x++) {
            DWORD c = s[y * w + x];
            blue += c == 0x0000FF || c == 0x00FFFF, red += c == 0xFF0000 || c == 0xFF00FF, silver += c == 0xC0C0C0;
        }
    trayFace = {x0 + (left + right) / 2, y0 + (top + bottom) / 2};
    return right < 0 ? NO_ICON : blue > 4 && !red ? GAIN : red > 4 && !blue ? LOSS : silver > 4 ? NEUTRAL : NO_ICON;
}

// The tip the taskbar shows for the icon under the cursor: Wine's taskbar
// gives each icon a tooltip window of its own, whose text is the tip while it
// is up.
static BOOL CALLBACK AddTip(HWND window, LPARAM list)
{
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    if (!strcmp(name, "tooltips_class32") && IsWindowVisible(window))
        ((std::vector<HWND> *)list)->push_back(window);
    return TRUE;
}
static std::vector<std::string> TipsShown()
{
    std::vector<HWND> shown;
    std::vector<std::string> tips;
    EnumWindows(AddTip, (LPARAM)&shown);
    for (HWND tip : shown) {
        char text[256] = "";
        DWORD_PTR length = 0;
        SendMessageTimeoutA(tip, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL, 5000, &length);
        tips.push_back(text);
    }
    return tips;
}

// --- the model, and the record of a run ---

enum Box { NO_BOX, ABOUT_BOX, CLEAN_BOX };
enum Trend { HELD, RISING, FALLING };
static struct Model {
    bool visible = true, minimized = false;
    Box box = NO_BOX;
    bool blockHeld = false; // the clean's box says "RAM Cleaned"
    Trend memory = HELD;
    unsigned long availMiB = 3000;
} model;
static RECT home; // where the window stands, shown and restored; nothing moves it

// Resident memory above the level expected by this much is a clean's block.
static const long BLOCK_MIB = 512;
static DWORD launched;
static int step, passed, failed;
static bool suite; // a line a step, and every violation counted
static std::deque<std::string> lastActions;
static FILE *actionLog; // every action, in the soak's folder
static unsigned long baseMiB = 96; // the program's resident level: far below a block, even before it is measured
static unsigned long cleanBeforeMiB, heldLeastMiB, heldMostMiB; // the last manual clean's

static DWORD Elapsed() { return GetTickCount() - launched; }

static unsigned long ResidentMiB()
{
    PROCESS_MEMORY_COUNTERS m = {sizeof m};
    return GetProcessMemoryInfo(quenmar.hProcess, &m, sizeof m) ? (unsigned long)(m.WorkingSetSize >> 20) : 0;
}

static void Log(const std::string &action)
{
    lastActions.push_back(Format("%d (%lu s): %s", step, Elapsed() / 1000, action.c_str()));
    if (actionLog)
        fprintf(actionLog, "%s\n", lastActions.back().c_str()), fflush(actionLog);
    if (lastActions.size() > 20)
        lastActions.pop_front();
}

// What was seen against what was expected, the model, the last actions and a
// picture of the screen. A run goes no further than its first violation.
static bool Violated(const std::string &what, const std::string &seen, const std::string &expected)
{
    static const char *const boxes[] = {"no box", "the About box", "a clean's box"}, *const trends[] = {"held", "rising", "falling"};
    failed++;
    printf("VIOLATION at step %d (%lu s): %s\n  seen:     %s\n  expected: %s\n  model:    %s%s, %s%s, available %lu MiB %s\n"
           "  the last actions:\n", step, Elapsed() / 1000, what.c_str(), seen.c_str(), expected.c_str(),
           model.visible ? "shown" : "hidden", model.minimized ? " (minimized)" : "", boxes[model.box],
           model.blockHeld ? " holding its block" : "", model.availMiB, trends[model.memory]);
    for (const std::string &action : lastActions)
        printf("    %s\n", action.c_str());
    Save(Format("violation-%d", step));
    printf("  the screen: violation-%d.ppm in the folder of pictures\n", step);
    return fflush(stdout), false;
}

static bool Passed(const std::string &what)
{
    return printf("ok   %s\n", what.c_str()), passed++, true;
}

static bool Check(bool ok, const std::string &what, const std::string &detail)
{
    return ok ? Passed(what) : Violated(what, detail, "as it should be");
}

// The automatic cleans, seen by a sampler every 20 ms as a rise of resident
// memory above what a manual block held explains, one count a rise; while a
// manual clean fills, before its box tells what it holds, nothing counts.
static volatile LONG manualMiB = -1, autoCleans;
static DWORD cleanSeconds[64]; // when they came, in seconds from the launch
static DWORD WINAPI Sampler(void *)
{
    for (bool above = false;; Sleep(20)) {
        long mib = (long)ResidentMiB(), floor = (long)baseMiB + BLOCK_MIB + std::max((long)manualMiB, 0L);
        if (manualMiB == -2)
            above = false;
        else if (!above && mib > floor)
            above = true, cleanSeconds[InterlockedIncrement(&autoCleans) % 64] = Elapsed() / 1000;
        else if (above && mib < floor - BLOCK_MIB / 2)
            above = false;
    }
}
static bool Filling() { return (long)ResidentMiB() > (long)baseMiB + BLOCK_MIB; }

// Our icon found on the taskbar (with also() true) within a tick, or after the
// fill of a clean that holds the ticks up. Looked for again until then: a look
// just after another window came to the front now and then finds the taskbar
// between its erase and its paint, with no icon in it.
static bool IconFound(const std::function<bool()> &also = [] { return true; })
{
    return WaitFor([&] { return also() && TrayPicture() != NO_ICON && WindowFromPoint(trayFace) != GetDesktopWindow(); },
                   Filling() ? 60000 : 4000);
}

// The tip read as a user reads it: the cursor rests on the icon until the
// taskbar shows it, "RAM : available/totalMb" in exact megabytes, then leaves.
// Wine renews a program's figures once a second at most, so the tip may take
// a few ticks to follow the memory file. A cursor brought back before Wine
// took in that it had left is no move to the taskbar, and shows no tip: it
// comes again, a pixel aside, until the tip is up.
static bool TipAsExpected()
{
    if (!IconFound())
        return Violated("the tray icon there to be hovered", "no icon", "our icon");
    std::vector<std::string> tips;
    std::string expected;
    bool ok = false;
    LONG attempt = 0;
    for (; attempt < 4 && !ok; attempt++) {
        MoveCursor(OffPoint(trayFace)), Sleep(300), MoveCursor({trayFace.x + attempt % 2, trayFace.y});
        ok = WaitFor([&] {
            MEMORYSTATUSEX m = Figures();
            expected = Format("RAM : %llu/%lluMb", m.ullAvailPhys >> 20, m.ullTotalPhys >> 20);
            return (tips = TipsShown()) == std::vector<std::string>{expected};
        }, 2000);
    }
    if (attempt > 1)
        Log(Format("the tip came up at the cursor's visit %ld", attempt));
    MoveCursor(OffPoint(trayFace));
    std::string seen;
    for (const std::string &tip : tips)
        seen += "\"" + tip + "\" ";
    return ok || Violated("the tray tip", seen.empty() ? "none" : seen, "\"" + expected + "\"");
}

// --- the invariants ---

static bool Alive()
{
    DWORD_PTR result;
    if (SendMessageTimeoutA(mainWnd, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result))
        return true;
    DWORD code = 0;
    GetExitCodeProcess(quenmar.hProcess, &code);
    return Violated("the program answers a message within 2 s, also while a clean fills",
                    code == STILL_ACTIVE ? "no answer" : Format("ended with %lu", code), "an answer");
}

static BOOL CALLBACK AddBox(HWND window, LPARAM list)
{
    DWORD pid = 0;
    char name[16] = "";
    GetWindowThreadProcessId(window, &pid), GetClassNameA(window, name, sizeof name);
    if (pid == quenmar.dwProcessId && !strcmp(name, "#32770") && IsWindowVisible(window))
        ((std::vector<HWND> *)list)->push_back(window);
    return TRUE;
}

// The process's top-level message boxes, each as "caption": "text", with its owner if not the window.
static std::vector<std::string> Boxes(std::vector<HWND> *found = nullptr)
{
    std::vector<HWND> boxes;
    EnumWindows(AddBox, (LPARAM)&boxes);
    std::vector<std::string> texts;
    for (HWND box : boxes) {
        char caption[64] = "", text[512] = "";
        GetWindowTextA(box, caption, sizeof caption), GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        texts.push_back(Format("\"%s\": \"%s\"%s", caption, text, GetWindow(box, GW_OWNER) == mainWnd ? "" : " (not owned)"));
    }
    if (found)
        *found = boxes;
    return texts;
}

// Only the box the model expects, owned by the window, with its texts.
static bool BoxesAsExpected()
{
    static const std::vector<std::string> expected[] = {
        {}, {"\"About Quenmar\": \"Quenmar watches physical memory and cleans it\n\rWritten by the Quenmar "
             "developers\n\rVersion " QUENMAR_VERSION "\n\rhttps://quenmar.example.org/\""},
        {"\"Vev Arivezu\": \"RAM Cleaned\""}};
    std::vector<std::string> seen;
    auto right = [&] {
        seen = Boxes();
        return seen == expected[model.box] || (model.box == CLEAN_BOX && seen.size() == 1 &&
                                               seen[0] == "\"Vev Arivezu\": \"RAM cannot be locked\"");
    };
    if (WaitFor(right, 60000))
        return true;
    std::string text;
    for (const std::string &box : seen)
        text += box + " ";
    return Violated("only the boxes asked for, owned by the window, with their texts", text.empty() ? "none" : text,
                    model.box == NO_BOX ? "no box" : expected[model.box][0]);
}

// Shown, hidden or minimized as the model says. Shown and restored: where it
// was, topmost, above the other window in the order of windows (a Wine desktop
// draws a window brought to the front over a topmost one while its order keeps
// ours first, so the other window is kept clear of ours), and the panel drawn
// unless a box stands over it.
static bool WindowAsExpected()
{
    auto state = [](bool visible, bool minimized) { return Format("%s%s", visible ? "shown" : "hidden", minimized ? " (minimized)" : ""); };
    if (!WaitFor([] { return (IsWindowVisible(mainWnd) != 0) == model.visible && (!model.visible || (IsIconic(mainWnd) != 0) == model.minimized); }))
        return Violated("the window shown, hidden or minimized",
                        state(IsWindowVisible(mainWnd), IsIconic(mainWnd)) + " (the last click fell on a \"" + clickedOn + "\")",
                        state(model.visible, model.minimized));
    if (!model.visible || model.minimized)
        return true;
    RECT now = WindowRect(mainWnd), overlap, box;
    bool above = !IsWindowVisible(other);
    for (HWND below = GetWindow(mainWnd, GW_HWNDNEXT); below && !above; below = GetWindow(below, GW_HWNDNEXT))
        above = below == other;
    if (!(GetWindowLongA(mainWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) || !above || !EqualRect(&now, &home))
        return Violated("the window where it was, topmost", "elsewhere, not topmost, or below the other window",
                        "in place, WS_EX_TOPMOST, above the other window");
    std::vector<HWND> boxes;
    Boxes(&boxes);
    for (HWND open : boxes)
        if (box = WindowRect(open), IntersectRect(&overlap, &now, &box))
            return true;
    std::string detail;
    return PanelDrawn(15000, detail) || Violated("the panel's five lines", detail, "the pixels drawn from the driver's figures");
}

// The picture the tray must come to show: the neutral face while the window is
// painted at every tick, else the trend of the memory as it moves. Available
// memory moves at every look, so that every tick sees it move, and turns at
// the ends of what the memory file can say, above 4 GiB as below.
static bool TrayAsExpected()
{
    bool painted = model.visible && !model.minimized;
    Picture expected = NEUTRAL, shown = NO_ICON;
    bool ok = WaitFor([&] {
        if (!painted && model.memory != HELD) {
            if ((model.memory == FALLING && model.availMiB <= 100) || (model.memory == RISING && model.availMiB >= 8000))
                model.memory = model.memory == RISING ? FALLING : RISING, Log("available memory turns");
            SetAvailable(model.availMiB += model.memory == RISING ? 1 : -1);
        }
        expected = painted || model.memory == HELD ? NEUTRAL : model.memory == RISING ? GAIN : LOSS;
        return (shown = TrayPicture()) == expected;
    });
    return ok || Violated("the tray picture", pictureNames[shown], pictureNames[expected]);
}

// A clean's block held while its box is open: at least half of what it may
// take (256 MiB at most), and no more than half the commit left.
static bool BlockAsExpected()
{
    unsigned long mib = ResidentMiB(), least = cleanBeforeMiB + heldLeastMiB, most = cleanBeforeMiB + heldMostMiB;
    return !model.blockHeld || (mib >= least && mib <= most) ||
           Violated("the clean's block held while its box is open, within half the commit left",
                    Format("%lu MiB resident", mib), Format("%lu to %lu MiB", least, most));
}

static bool Invariants()
{
    return Alive() && BoxesAsExpected() && WindowAsExpected() && TrayAsExpected() && BlockAsExpected();
}

// --- the actions ---

enum Action {
    HEAVY_CLEAN, SMALL_CLEAN, ABOUT, HIDE, ANSWER, TRAY_LEFT, TRAY_RIGHT, TRAY_MIDDLE, TRAY_DOUBLE, TRAY_HOVER, MINIMIZE,
    MEMORY_RISING, MEMORY_FALLING, MEMORY_HELD, MEMORY_LEVEL, DROP_ICON, TASKBAR_CREATED, DROP_AND_TASKBAR_CREATED,
    IDLE, LONG_IDLE, FOREGROUND, ACTIONS
};
// The weights: an hour brings each action hundreds of times, but the idle past
// an automatic clean (runs of 20 minutes or more) only a few times, oftener
// while a clean's box is open.
static const struct { const char *name; int weight; } actions[ACTIONS] = {
    {"File > Heavy Clean", 40}, {"File > Small Clean", 40}, {"About", 30}, {"Hide", 30}, {"answer the box", 120},
    {"left click on the tray icon", 80}, {"right click on the tray icon", 30}, {"middle click on the tray icon", 20},
    {"double click on the tray icon", 30}, {"the tray tip read by hovering", 30}, {"minimize", 40}, {"available memory rising", 30},
    {"available memory falling", 30}, {"available memory held", 30}, {"available memory to a new level", 40},
    {"the shell drops the icon", 30}, {"\"TaskbarCreated\"", 20}, {"the shell drops the icon, then \"TaskbarCreated\"", 20},
    {"idle", 60}, {"idle past an automatic clean", 1}, {"another window takes the foreground", 30},
};
static std::mt19937 rng;
static int Random(int low, int high) { return low + (int)(rng() % (unsigned)(high - low + 1)); }
static DWORD levelAt, longestIdle = 20;

static void Level(unsigned long mib)
{
    SetAvailable(model.availMiB = mib), levelAt = Elapsed();
    Log(Format("available memory now %lu MiB", mib));
}

// A clean from the menu, its block sized from the figures of a tick past the
// last new level, which this driver reads as the program does; whileFilling
// runs until the box shows, and gives up waiting when it fails.
static bool Clean(bool heavy, const std::function<bool()> &whileFilling = [] { return true; })
{
    while (Elapsed() - levelAt < 2000)
        Sleep(100);
    // half the commit left, as a 32-bit program is told it: at most 4 GiB - 1
    ULONGLONG left = std::min(Figures().ullAvailPageFile, 0xFFFFFFFFull);
    unsigned long half = (unsigned long)(left >> 21), before = cleanBeforeMiB = ResidentMiB();
    heldLeastMiB = std::min(half / 2, 256ul), heldMostMiB = half + 8;
    manualMiB = -2;
    heavy ? Keys(HEAVY_CLEAN_KEYS) : Keys({VK_F10, VK_RETURN, VK_DOWN, VK_RETURN});
    std::vector<std::string> boxes;
    WaitFor([&] { return !whileFilling() || !(boxes = Boxes()).empty(); }, 120000);
    unsigned long held = ResidentMiB();
    model.box = CLEAN_BOX, model.blockHeld = boxes.size() == 1 && boxes[0] == "\"Vev Arivezu\": \"RAM Cleaned\"";
    manualMiB = (LONG)(held > before ? held - before : 0);
    Log(Format("the clean's box: %s, %lu MiB resident before, %lu with the box", boxes.empty() ? "none" : boxes[0].c_str(), before, held));
    return true;
}

// The box answered as a user would, after 0 to 3 s, and a clean's block given back.
static bool Answer()
{
    static const char *const ways[] = {"Enter", "Esc", "Space", "a click on OK", "Alt+F4"};
    int way = Random(0, 4), wait = Random(0, 30) * 100;
    Log(Format("answer the box after %d ms by %s", wait, ways[way]));
    Sleep((DWORD)wait);
    std::vector<HWND> boxes;
    Boxes(&boxes);
    if (boxes.size() != 1)
        return BoxesAsExpected();
    HWND box = boxes[0];
    if (way == 3) {
        RECT ok = WindowRect(GetDlgItem(box, IDOK));
        SetForegroundWindow(box), Click({(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2});
    } else
        way == 4 ? Press(box, {VK_MENU, VK_F4}) : Press(box, {(WORD)(way == 0 ? VK_RETURN : way == 1 ? VK_ESCAPE : VK_SPACE)});
    if (!WaitFor([&] { return !IsWindow(box); }))
        return Violated(Format("the box closed by %s", ways[way]), "still open", "closed");
    unsigned long after = 0;
    bool clean = model.box == CLEAN_BOX;
    model.box = NO_BOX, model.blockHeld = false;
    if (clean && !WaitFor([&] { return (after = ResidentMiB()) < cleanBeforeMiB + 64; }, 20000))
        return Violated("the clean's block given back after its box", Format("%lu MiB resident", after),
                        Format("below %lu MiB", cleanBeforeMiB + 64));
    manualMiB = -1;
    return true;
}

// The weight of an action now: 0 where a user or the desktop could not do it
// as the model stands.
static int Weight(int action, bool longRun)
{
    bool menu = model.visible && !model.minimized && model.box == NO_BOX;
    switch (action) {
    case HEAVY_CLEAN: case SMALL_CLEAN: case ABOUT: case HIDE: case MINIMIZE: return menu ? actions[action].weight : 0;
    case ANSWER: return model.box != NO_BOX ? actions[action].weight : 0;
    case LONG_IDLE: return !longRun ? 0 : actions[action].weight * (model.box == CLEAN_BOX ? 4 : 1);
    default: return actions[action].weight;
    }
}

static Action Pick(bool longRun)
{
    int total = 0, a = 0;
    for (a = 0; a < ACTIONS; a++)
        total += Weight(a, longRun);
    int pick = Random(0, total - 1);
    for (a = 0; (pick -= Weight(a, longRun)) >= 0; a++)
        ;
    return (Action)a;
}

// The action done; for the tray's and the shell's, what the model then says.
static bool Do(Action action, DWORD left = 0)
{
    static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    NOTIFYICONDATAA ours = {NOTIFYICONDATAA_V1_SIZE, mainWnd, 0};
    DWORD_PTR result;
    step++, Log(actions[action].name);
    switch (action) {
    case HEAVY_CLEAN: case SMALL_CLEAN: return Clean(action == HEAVY_CLEAN);
    case ABOUT: Keys({VK_F10, VK_RIGHT, VK_RETURN}), model.box = ABOUT_BOX; return true;
    case HIDE: Keys({VK_F10, VK_RIGHT, VK_RIGHT, VK_RETURN}), model.visible = false; return true;
    case ANSWER: return Answer();
    case TRAY_LEFT: case TRAY_RIGHT: case TRAY_MIDDLE: case TRAY_DOUBLE:
        if (!IconFound())
            return Violated("the tray icon there to be clicked", "no icon", "our icon");
        if (action == TRAY_RIGHT || action == TRAY_MIDDLE)
            return Click(trayFace, action == TRAY_RIGHT ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_MIDDLEDOWN,
                         action == TRAY_RIGHT ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_MIDDLEUP), true;
        // the second press of a double click does nothing; shown from the tray, a window is restored
        Click(trayFace, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, action == TRAY_DOUBLE ? 2 : 1);
        model.minimized = model.minimized && model.visible, model.visible = !model.visible;
        return true;
    case TRAY_HOVER: return TipAsExpected();
    case MINIMIZE: PostMessageA(mainWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0), model.minimized = true; return true;
    case MEMORY_RISING: case MEMORY_FALLING: case MEMORY_HELD:
        model.memory = action == MEMORY_RISING ? RISING : action == MEMORY_FALLING ? FALLING : HELD;
        return true;
    case MEMORY_LEVEL: // either side of 2 GiB, just below and above 4 GiB, or almost nothing
        switch (Random(0, 3)) {
        case 0: return Level((unsigned long)(model.availMiB >= 2048 ? Random(1500, 2000) : Random(2100, 2600))), true;
        case 1: return Level((unsigned long)Random(3500, 3950)), true;
        case 2: return Level((unsigned long)Random(4300, 6000)), true;
        default: return Level((unsigned long)Random(200, 400)), true;
        }
    case DROP_ICON: case DROP_AND_TASKBAR_CREATED:
        Shell_NotifyIconA(NIM_DELETE, &ours);
        if (action == DROP_AND_TASKBAR_CREATED)
            return SendMessageTimeoutA(mainWnd, taskbarCreated, 0, 0, SMTO_NORMAL, 60000, &result), true;
        // Put back: known to the shell again (a modify that changes nothing succeeds only for an icon it has), and seen.
        return IconFound([&] { return Shell_NotifyIconA(NIM_MODIFY, &ours) != FALSE; }) ||
               Violated("the icon the shell dropped back within a tick", "no icon", "our icon");
    case TASKBAR_CREATED: return SendMessageTimeoutA(mainWnd, taskbarCreated, 0, 0, SMTO_NORMAL, 60000, &result), true;
    case IDLE: return Sleep(std::min<DWORD>(left, (DWORD)Random(1, (int)longestIdle) * 1000)), true;
    case LONG_IDLE: return Sleep(std::min<DWORD>(left, (DWORD)Random(600, 660) * 1000)), true;
    default: // another window in front, clear of ours, the boxes and the tray
        SetWindowPos(other, HWND_TOP, 0, GetSystemMetrics(SM_CYSCREEN) - 300, 400, 200, SWP_SHOWWINDOW);
        return SetForegroundWindow(other), true;
    }
}

// --- the runs ---

// Started as a user would: the window, and the About box over it, which Enter closes.
static bool Launch()
{
    STARTUPINFOA startup = {sizeof startup};
    CreateProcessA(quenmarExe, NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &quenmar);
    launched = GetTickCount();
    model = Model{}, model.box = ABOUT_BOX, step = 0;
    if (!FindMain(120000))
        return Violated("start-up: the window", "none", "\"MyClass\" \"Quenmar\"");
    home = WindowRect(mainWnd);
    HWND about = FindWindowA("#32770", "About Quenmar");
    if (suite && about) // painted whole first: Wine 10 shows a box before it draws its text
        Repaint(about), Save("about", WindowRect(about));
    return BoxesAsExpected() && Do(ANSWER) && Invariants() &&
           Passed("start-up: the \"MyClass\" window \"Quenmar\", and the About box over it");
}

static bool Ends(const char *how)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(quenmar.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(quenmar.hProcess, 1);
    GetExitCodeProcess(quenmar.hProcess, &code);
    CloseHandle(quenmar.hProcess), CloseHandle(quenmar.hThread);
    return Check(code == 0, Format("%s ends the program with exit code 0", how), Format("%lu", code));
}

// Back to the state of the start: no box, shown and restored, memory held.
static bool Settle()
{
    ShowWindow(other, SW_HIDE);
    while (model.box != NO_BOX)
        if (!Answer())
            return false;
    for (int i = 0; i < 3 && !(model.visible && !model.minimized); i++)
        if (!(Do(TRAY_LEFT) && Invariants()))
            return false;
    model.memory = HELD, SetAvailable(model.availMiB = 3000);
    return Sleep(3000), Invariants();
}

// MB/s at which this machine writes fresh pages under Wine, as a clean does.
static double FillRate()
{
    const SIZE_T size = 256 << 20;
    void *pages = VirtualAlloc(NULL, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start), memset(pages, 0, size), QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency), VirtualFree(pages, 0, MEM_RELEASE);
    return pages ? 256.0 * (double)frequency.QuadPart / (double)(end.QuadPart - start.QuadPart) : 0;
}

// A Heavy Clean whose fill is slowed to about 80 MB/s, as paging slows it on a
// small machine, by holding the program to that share of one core: sent
// messages answered within 2 s all through a fill of several seconds. Where no
// CPU cgroup can be made (it takes root), it says so.
static bool SlowFill()
{
    int percent = std::max(1, std::min(100, (int)(100 * 80 / std::max(FillRate(), 1.0))));
    std::string process = UnixProcess(quenmarExe), group = process.empty() ? "" : Throttled(process, percent);
    if (group.empty())
        return printf("skip a clean's fill slowed down: no CPU cgroup can be made here (it takes root)\n"), true;
    step++, Level(1500), Log(Format("File > Heavy Clean, its fill held to %d%% of a core", percent));
    DWORD start = 0, slowest = 0, answers = 0;
    bool answered = true;
    Clean(true, [&] {
        DWORD_PTR result;
        DWORD sent = GetTickCount();
        start = start ? start : sent;
        answered = SendMessageTimeoutA(mainWnd, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) != 0;
        slowest = std::max(slowest, GetTickCount() - sent), answers += answered;
        return answered;
    });
    DWORD ms = GetTickCount() - start;
    Unthrottled(process, group);
    std::string detail = Format("%lu answers in %lu ms to the box, the slowest in %lu ms%s", answers, ms, slowest,
                                answered ? "" : ", then none within 2 s");
    return Check(answered && ms >= 4000, Format("a clean's fill held to %d%% of a core: ", percent) + detail, detail) &&
           Invariants() && Do(ANSWER) && Invariants();
}

// Windows 10's caption and menu bar heights, in twips as Windows keeps them.
static void Windows10Metrics(bool set)
{
    const char *key = "Control Panel\\Desktop\\WindowMetrics";
    for (const char *value : {"SmCaptionHeight\0-330", "MenuHeight\0-285"}) // name, then data
        set ? RegSetKeyValueA(HKEY_CURRENT_USER, key, value, REG_SZ, value + strlen(value) + 1, 5)
            : RegDeleteKeyValueA(HKEY_CURRENT_USER, key, value);
}

// One fixed path, a line a step. Menus do not cross processes under Wine: the
// menu is read from the exe, and the live bar is driven by keyboard.
static int Suite()
{
    suite = true;
    SetAvailable(3000);
    if (Launch()) {
        std::string items, detail;
        HMENU bar = LoadMenuA(LoadLibraryExA(quenmarExe, NULL, LOAD_LIBRARY_AS_DATAFILE), "MainMenu");
        for (HMENU menu : {bar, GetSubMenu(bar, 0)})
            for (int i = 0; i < GetMenuItemCount(menu); i++) {
                char text[32] = "";
                GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
                items += Format("%s=%d ", text, (int)GetMenuItemID(menu, i));
            }
        Save("window", home);
        bool ok = Check(items == "File=-1 About=102 Hide=104 Heavy Clean=101 Small Clean=103 =0 Exit=105 ",
                        "menu \"MainMenu\": File (Heavy Clean, Small Clean, a separator, Exit), About, Hide", items);
        // Shown, the panel with exact figures above 4 GiB; hidden, the tray shows each trend there, and
        // the tip its exact figures; the icon dropped without a word comes back; shown, minimized, hidden, shown restored in place; then,
        // with commit short of the one and a half times it asks for, Heavy Clean.
        int levels = 0;
        for (Action action : {MEMORY_LEVEL, HIDE, MEMORY_RISING, MEMORY_HELD, TRAY_HOVER, MEMORY_FALLING, DROP_ICON,
                              TRAY_LEFT, MINIMIZE, TRAY_LEFT, TRAY_LEFT, MEMORY_LEVEL, HEAVY_CLEAN, ANSWER}) {
            if (!ok)
                break;
            if (action == MEMORY_LEVEL)
                step++, Level(levels++ ? 1000 : 5000);
            else
                ok = Do(action);
            ok = ok && Invariants() && Passed(lastActions.back());
            if (action == MEMORY_RISING || action == MEMORY_HELD || action == MEMORY_FALLING)
                Save(Format("tray-%s", pictureNames[model.memory == HELD ? NEUTRAL : model.memory == RISING ? GAIN : LOSS]),
                     {trayFace.x - 10, trayFace.y - 10, trayFace.x + 10, trayFace.y + 10});
        }
        if (ok && SlowFill())
            Keys(EXIT_KEYS), Ends("menu: Exit");
        else // the next launch must not meet this copy
            TerminateProcess(quenmar.hProcess, 1), CloseHandle(quenmar.hProcess), CloseHandle(quenmar.hThread);
    }
    // Windows 10's caption and menu bar: the panel whole; then the close button, where the hit test has it.
    Windows10Metrics(true);
    SetAvailable(3000);
    if (Launch()) {
        RECT r = WindowRect(mainWnd);
        POINT at = {r.right - 12, r.top + 11}; // inside the close button at Wine's metrics and at Windows 10's
        if (SendMessageA(mainWnd, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)) == HTCLOSE)
            Click(at);
        Ends("the close button");
    }
    Windows10Metrics(false); // the prefix as it was
    printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

// GetProcessHandleCount gives 0 for another process under Wine; the system's
// list of handles names each one's owner.
static DWORD HandleCount()
{
    DWORD count = 0;
    if (GetProcessHandleCount(quenmar.hProcess, &count) && count)
        return count;
    std::vector<char> buffer(1 << 16);
    ULONG size = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(SystemHandleInformation, buffer.data(), (ULONG)buffer.size(), &size)) ==
           (NTSTATUS)0xC0000004) // STATUS_INFO_LENGTH_MISMATCH
        buffer.resize(std::max<size_t>(buffer.size() * 2, size));
    const SYSTEM_HANDLE_INFORMATION *list = (const SYSTEM_HANDLE_INFORMATION *)buffer.data();
    for (ULONG i = 0; status >= 0 && i < list->Count; i++)
        count += list->Handle[i].OwnerPid == quenmar.dwProcessId;
    return count;
}

// Resident MiB, handles, GDI and USER objects.
static std::vector<DWORD> Measure()
{
    return {ResidentMiB(), HandleCount(), GetGuiResources(quenmar.hProcess, GR_GDIOBJECTS),
            GetGuiResources(quenmar.hProcess, GR_USEROBJECTS)};
}
static std::string Text(const std::vector<DWORD> &r)
{
    return Format("%lu MiB resident, %lu handles, %lu GDI objects, %lu USER objects", r[0], r[1], r[2], r[3]);
}

static DWORD WINAPI OtherProgram(void *)
{
    WNDCLASSA wc = {0, DefWindowProcA, 0, 0, NULL, NULL, NULL, (HBRUSH)GetStockObject(BLACK_BRUSH), NULL, "SoakOther"};
    RegisterClassA(&wc);
    other = CreateWindowExA(0, "SoakOther", "Another program", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, NULL, NULL, NULL, NULL);
    for (MSG msg; GetMessageA(&msg, NULL, 0, 0);)
        DispatchMessageA(&msg);
    return 0;
}

static int Soak(DWORD seconds, unsigned long seed)
{
    rng.seed(seed);
    bool longRun = seconds >= 20 * 60;
    longestIdle = longRun ? 20 : 5; // in a run of minutes, long idles would take half its time
    int counts[ACTIONS] = {};
    actionLog = fopen(Format("%s\\actions.txt", shotsDir).c_str(), "w");
    CreateThread(NULL, 0, OtherProgram, NULL, 0, NULL);
    SetAvailable(3000);
    CreateThread(NULL, 0, Sampler, NULL, 0, NULL);
    // The first tick's automatic clean must have given its block back before the start is measured.
    unsigned long now = 0;
    bool ok = Launch() && Settle() &&
              (WaitFor([&] { return (now = ResidentMiB()) < baseMiB + BLOCK_MIB / 2; }, 20000) ||
               Violated("the first automatic clean's block given back", Format("%lu MiB resident", now),
                        Format("below %lu MiB", baseMiB + BLOCK_MIB / 2)));
    baseMiB = ResidentMiB();
    std::vector<DWORD> start = Measure(), last;
    if (ok)
        printf("soak: at the start, shown: %s\n", Text(start).c_str());
    for (DWORD end = GetTickCount() + seconds * 1000; ok && (LONG)(end - GetTickCount()) > 0;) {
        ShowWindow(other, SW_HIDE);
        Action action = Pick(longRun);
        counts[action]++;
        ok = Do(action, end - GetTickCount()) && Invariants();
    }
    // In the state of the start, no more memory, handles, GDI or USER objects than then, within a few.
    if (ok && (ok = Settle())) {
        printf("soak: at the end, shown: %s\n", Text(last = Measure()).c_str());
        if (!start[2] || !start[3])
            printf("soak: Wine reports no GDI or USER objects for another process (GetGuiResources gives 0)\n");
        ok = (last[0] <= start[0] + 16 && last[1] <= start[1] + 8 && last[2] <= start[2] + 8 && last[3] <= start[3] + 8) ||
             Violated("resident memory, handles, GDI and USER objects back near the start", Text(last),
                      "at most 16 MiB, 8 handles, 8 GDI and 8 USER objects more than at the start");
    }
    // The automatic cleans: the first tick's, then one every 600 ticks at most (one due while a manual block
    // is held may be refused, and ticks lost while the program is busy may put one late).
    DWORD ticks = Elapsed() / 1000;
    LONG cleans = autoCleans;
    ok = ok && ((cleans >= 1 && (DWORD)cleans <= 1 + (ticks - 1) / 600) ||
                Violated("the automatic cleans", Format("%ld", cleans), Format("1 to %lu after %lu ticks", 1 + (ticks - 1) / 600, ticks)));
    if (ok)
        step++, Log("File > Exit"), Keys(EXIT_KEYS);
    printf("soak: automatic cleans seen at");
    for (LONG i = 1; i <= cleans && i < 64; i++)
        printf(" %lu", cleanSeconds[i]);
    printf(" s\nsoak: actions:");
    for (int a = 0; a < ACTIONS; a++)
        printf("%s %s %d", a ? "," : "", actions[a].name, counts[a]);
    printf("\n");
    ok = ok ? Ends("File > Exit") : (TerminateProcess(quenmar.hProcess, 1), false);
    printf("soak: %d actions, %lu ticks, %ld automatic cleans, %d violations, seed %lu\n", step, ticks, cleans, failed, seed);
    return ok ? 0 : 1;
}

int main(int argc, char **argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc == 2 && !strcmp(argv[1], "exit")) { // a copy already running here, ended as a user would
        // Onto the copy's Wine desktop: Wine 8 puts the driver there from a default in
        // the prefix, Wine 10 ignores that default.
        if (HDESK desktop = OpenDesktopA("Quenmar", 0, FALSE, GENERIC_ALL))
            SetThreadDesktop(desktop);
        HWND about = NULL;
        return FindMain(180000) && WaitFor([&] { return (about = FindWindowA("#32770", "About Quenmar")) != NULL; }, 20000) &&
               (PostMessageA(about, WM_COMMAND, IDOK, 0), WaitFor([&] { return !IsWindow(about); })) &&
               (Keys(EXIT_KEYS), WaitFor([] { return !IsWindow(mainWnd); }, 30000)) ? 0 : 1;
    }
    if (argc < 3 || argc == 5 || argc > 6)
        return fprintf(stderr, "usage: driver QUENMAR_EXE MEMINFO [SHOTS [SECONDS SEED]] | driver exit\n"), 2;
    quenmarExe = argv[1], meminfoPath = argv[2], shotsDir = argc > 3 ? argv[3] : NULL;
    return argc == 6 ? Soak(strtoul(argv[4], NULL, 10), strtoul(argv[5], NULL, 10)) : Suite();
}
