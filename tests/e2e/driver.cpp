// The end-to-end driver, run under Wine beside the real quenmar.exe: it starts
// the program as a user would, acts as a user and the desktop do (real key
// presses and clicks, the shell's own calls, the memory Wine reads), and after
// every action checks a model of what the program must then show. The suite
// walks one fixed path, with what only it checks besides (Windows 10's
// metrics, the close button), a line a step and "N passed, N failed"; the
// soak walks a path drawn from its seed until its time is up.
//   driver QUENMAR_EXE MEMINFO [SHOTS]             the suite
//   driver QUENMAR_EXE MEMINFO SHOTS SECONDS SEED  the soak
//   driver exit                                    ends a running copy from its menu
// MEMINFO is the file bound over /proc/meminfo, rewritten in place; SHOTS a
// folder for pictures: the suite's of the window, the About box and the tray,
// and the screen at a violation.
#include "version.h"

#include <windows.h>
#include <psapi.h>
#include <stdio.h>

#include <algorithm>
#include <climits>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <vector>

static const char *quenmarExe, *meminfoPath, *shotsDir;
static PROCESS_INFORMATION quenmar;
static HWND mainWnd;

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
    for (DWORD start = GetTickCount(); !condition(); Sleep(50))
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
#define REPAINT RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN

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
    SendInput((UINT)input.size(), input.data(), sizeof(INPUT)), Sleep(150);
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

static char clickedOn[64]; // the class of the window the last click's presses fell on

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
static void Click(POINT at, DWORD down = MOUSEEVENTF_LEFTDOWN, int presses = 1)
{
    static DWORD lastPress;
    DWORD since = GetTickCount() - lastPress, spacing = GetDoubleClickTime() + 100;
    MoveCursor({at.x, at.y - 64}), Sleep(std::max<DWORD>(100, since < spacing ? spacing - since : 0)), MoveCursor(at), Sleep(100);
    GetClassNameA(WindowFromPoint(at), clickedOn, sizeof clickedOn);
    for (int i = 0; i < presses; i++)
        for (DWORD action : {down, down << 1}) // each button's release is the flag after its press
            MoveCursor(at, action), Sleep(presses > 1 ? 30 : 100);
    lastPress = GetTickCount();
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
        MEMORYSTATUSEX m = {sizeof m}; // as Wine gives them to any program, from the memory file
        GlobalMemoryStatusEx(&m);
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
        RedrawWindow(taskbar, NULL, NULL, REPAINT);
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

// The model's facets, and its value of each. The window and its box are one
// facet: what a box's answer leaves depends on the window under it (the About
// command, run from the menu, returns into a window the tray may have hidden).
enum Facet { SCREEN, MEMORY, LEVEL, FACETS };
static const int VALUES = 12;
static const char *const windowValues[4] = {"shown", "hidden", "minimized", "hidden after a minimize"};
static const char *const boxValues[3] = {"no box", "the About box", "a clean's box"};
static const char *const memoryValues[3] = {"memory held", "memory rising", "memory falling"};
static int Value(const Model &m, int facet)
{
    int values[FACETS] = {(m.visible ? 0 : 1) + (m.minimized ? 2 : 0) + 4 * m.box, m.memory, m.availMiB >= 4096};
    return values[facet];
}

// Resident memory above the level expected by this much is a clean's block.
static const long BLOCK_MIB = 512;
static DWORD launched;
static int step, passed, failed;
static bool suite; // a line a step, and every violation counted
static std::deque<std::string> lastActions;
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
    if (lastActions.size() > 20)
        lastActions.pop_front();
}

// What was seen against what was expected, the model, the last actions and a
// picture of the screen. A run goes no further than its first violation.
static bool Violated(const std::string &what, const std::string &seen, const std::string &expected)
{
    failed++;
    printf("VIOLATION at step %d (%lu s): %s\n  seen:     %s\n  expected: %s\n  model:    %s, %s, %s, available %lu MiB\n"
           "  the last actions:\n", step, Elapsed() / 1000, what.c_str(), seen.c_str(), expected.c_str(),
           windowValues[Value(model, SCREEN) % 4], boxValues[model.box], memoryValues[model.memory],
           model.availMiB);
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

// The process's shown top-level message boxes, each as "caption": "text", with its owner if not the window.
static std::vector<std::string> Boxes(std::vector<HWND> *found = nullptr)
{
    std::vector<HWND> boxes;
    std::vector<std::string> texts;
    for (HWND box = NULL; (box = FindWindowExA(NULL, box, "#32770", NULL));) {
        DWORD pid = 0;
        char caption[64] = "", text[512] = "";
        if (GetWindowThreadProcessId(box, &pid), pid != quenmar.dwProcessId || !IsWindowVisible(box))
            continue;
        GetWindowTextA(box, caption, sizeof caption), GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        boxes.push_back(box);
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

// Shown, hidden or minimized as the model says; shown and restored, the panel
// drawn unless a box stands over it.
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
    HEAVY_CLEAN, SMALL_CLEAN, ABOUT, HIDE, ANSWER, TRAY_LEFT, TRAY_RIGHT, TRAY_MIDDLE, TRAY_DOUBLE, MINIMIZE,
    MEMORY_RISING, MEMORY_FALLING, MEMORY_HELD, MEMORY_LEVEL, DROP_ICON, TASKBAR_CREATED, DROP_AND_TASKBAR_CREATED,
    IDLE, LONG_IDLE, ACTIONS
};
static const char *const actionNames[ACTIONS] = {
    "File > Heavy Clean", "File > Small Clean", "About", "Hide", "answer the box", "left click on the tray icon",
    "right click on the tray icon", "middle click on the tray icon", "double click on the tray icon", "minimize", "available memory rising", "available memory falling",
    "available memory held", "available memory to a new level", "the shell drops the icon", "\"TaskbarCreated\"",
    "the shell drops the icon, then \"TaskbarCreated\"", "idle", "idle past an automatic clean"};
static std::mt19937 rng;
static int Random(int low, int high) { return low + (int)(rng() % (unsigned)(high - low + 1)); }
static DWORD levelAt, longestIdle = 20;

static void Level(unsigned long mib)
{
    SetAvailable(model.availMiB = mib), levelAt = Elapsed();
    Log(Format("available memory now %lu MiB", mib));
}

// A clean from the menu, its block sized from the figures of a tick past the
// last new level, which this driver reads as the program does.
static bool Clean(bool heavy)
{
    while (Elapsed() - levelAt < 2000)
        Sleep(100);
    // half the commit left, as a 32-bit program is told it: at most 4 GiB - 1
    MEMORYSTATUSEX m = {sizeof m};
    GlobalMemoryStatusEx(&m);
    ULONGLONG left = std::min(m.ullAvailPageFile, 0xFFFFFFFFull);
    unsigned long half = (unsigned long)(left >> 21), before = cleanBeforeMiB = ResidentMiB();
    heldLeastMiB = std::min(half / 2, 256ul), heldMostMiB = half + 8;
    heavy ? Keys(HEAVY_CLEAN_KEYS) : Keys({VK_F10, VK_RETURN, VK_DOWN, VK_RETURN});
    std::vector<std::string> boxes;
    WaitFor([&] { return !(boxes = Boxes()).empty(); }, 60000);
    unsigned long held = ResidentMiB();
    model.box = CLEAN_BOX, model.blockHeld = boxes.size() == 1 && boxes[0] == "\"Vev Arivezu\": \"RAM Cleaned\"";
    Log(Format("the clean's box: %s, %lu MiB resident before, %lu with the box", boxes.empty() ? "none" : boxes[0].c_str(), before, held));
    return true;
}

// The box answered as a user would, after 0 to 1 s, and a clean's block given back.
static bool Answer()
{
    static const char *const ways[] = {"Enter", "Esc"};
    int way = Random(0, 1), wait = Random(0, 10) * 100;
    Log(Format("answer the box after %d ms by %s", wait, ways[way]));
    Sleep((DWORD)wait);
    std::vector<HWND> boxes;
    Boxes(&boxes);
    if (boxes.size() != 1)
        return BoxesAsExpected();
    HWND box = boxes[0];
    Front(box), Send({(WORD)(way == 0 ? VK_RETURN : VK_ESCAPE)});
    if (!WaitFor([&] { return !IsWindow(box); }))
        return Violated(Format("the box closed by %s", ways[way]), "still open", "closed");
    unsigned long after = 0;
    bool clean = model.box == CLEAN_BOX;
    model.box = NO_BOX, model.blockHeld = false;
    if (clean && !WaitFor([&] { return (after = ResidentMiB()) < cleanBeforeMiB + 64; }, 20000))
        return Violated("the clean's block given back after its box", Format("%lu MiB resident", after),
                        Format("below %lu MiB", cleanBeforeMiB + 64));
    return true;
}

// Whether a user or the desktop could do the action as the model stands. The
// idle past an automatic clean is drawn apart, rarely.
static bool Allowed(const Model &m, int action)
{
    bool menu = m.visible && !m.minimized && m.box == NO_BOX;
    switch (action) {
    case HEAVY_CLEAN: case SMALL_CLEAN: case ABOUT: case HIDE: case MINIMIZE: return menu;
    case ANSWER: return m.box != NO_BOX;
    default: return action != LONG_IDLE;
    }
}

// The model after an action, as far as the action alone decides it; a new
// level goes above 4 GiB or below it.
static Model After(Model m, int action, bool above)
{
    switch (action) {
    case HEAVY_CLEAN: case SMALL_CLEAN: m.box = CLEAN_BOX; break;
    case ABOUT: m.box = ABOUT_BOX; break;
    case ANSWER: m.box = NO_BOX, m.blockHeld = false; break;
    case HIDE: m.visible = false; break;
    // the second press of a double click does nothing; shown from the tray, a window is restored
    case TRAY_LEFT: case TRAY_DOUBLE: m.minimized = m.minimized && m.visible, m.visible = !m.visible; break;
    case MINIMIZE: m.minimized = true; break;
    case MEMORY_RISING: case MEMORY_FALLING: case MEMORY_HELD:
        m.memory = action == MEMORY_RISING ? RISING : action == MEMORY_FALLING ? FALLING : HELD;
        break;
    case MEMORY_LEVEL: m.availMiB = above ? 5000 : 3000; break;
    }
    return m;
}

// The soak counts what it has done by the model's facets: each (facet value,
// action) pair is taken when the action is done with the model at that value.
// It goes for the pairs taken the least: those there first, else the first
// step of a shortest way to a state that has some.
static int taken[FACETS][VALUES][ACTIONS];
static int Key(const Model &m) { return Value(m, SCREEN) + 12 * m.memory + 36 * Value(m, LEVEL); }

// The pairs some state of the model allows: a box opens only over the window
// shown, and a window with a box open is never minimized.
static bool allowedPairs[FACETS][VALUES][ACTIONS];
static const int PAIRS = FACETS * VALUES * ACTIONS;
static void FindAllowedPairs()
{
    for (int key = 0; key < 72; key++) {
        Model m;
        m.visible = !(key & 1), m.minimized = key & 2, m.box = (Box)(key / 4 % 3), m.memory = (Trend)(key / 12 % 3);
        m.availMiB = key / 36 ? 5000 : 3000;
        for (int i = 0; i < FACETS * ACTIONS && !(m.box && m.minimized); i++)
            allowedPairs[i / ACTIONS][Value(m, i / ACTIONS)][i % ACTIONS] |= Allowed(m, i % ACTIONS);
    }
}

// How many of the pairs allowed in state m have been taken as few as least times.
static int Pending(const Model &m, int least)
{
    int n = 0;
    for (int i = 0; i < FACETS * ACTIONS; i++)
        n += Allowed(m, i % ACTIONS) && taken[i / ACTIONS][Value(m, i / ACTIONS)][i % ACTIONS] <= least;
    return n;
}

static int Least()
{
    int least = INT_MAX;
    for (int i = 0; i < PAIRS; i++)
        least = (&allowedPairs[0][0][0])[i] ? std::min(least, (&taken[0][0][0])[i]) : least;
    return least;
}

// Whether the next new level goes above 4 GiB: to the side with more pairs taken the least.
static bool LevelAbove(int least)
{
    Model below = model, above = model;
    below.availMiB = 3000, above.availMiB = 5000;
    return Pending(above, least) != Pending(below, least) ? Pending(above, least) > Pending(below, least)
                                                          : model.availMiB < 4096;
}

static std::vector<Action> WayOn(int least)
{
    int steps[72], first[72], nearest = INT_MAX;
    std::fill(steps, steps + 72, -1);
    std::deque<Model> next = {model};
    std::vector<Action> ways;
    bool above = LevelAbove(least);
    for (steps[Key(model)] = 0; !next.empty() && steps[Key(next.front())] <= nearest; next.pop_front()) {
        const Model &m = next.front();
        int k = Key(m);
        if (steps[k] > 0 && Pending(m, least)) {
            ways.push_back((Action)first[k]), nearest = steps[k];
            continue;
        }
        for (int a = 0; a < ACTIONS; a++) {
            Model n = After(m, a, above);
            if (Allowed(m, a) && steps[Key(n)] < 0)
                steps[Key(n)] = steps[k] + 1, first[Key(n)] = steps[k] ? first[k] : a, next.push_back(n);
        }
    }
    return ways;
}

static Action Pick(bool longRun)
{
    if (longRun && Random(0, model.box == CLEAN_BOX ? 249 : 999) == 0)
        return LONG_IDLE;
    int least = Least(), most = 1;
    std::vector<Action> best;
    for (int a = 0; a < ACTIONS; a++) {
        int n = 0;
        for (int f = 0; f < FACETS && Allowed(model, a); f++)
            n += taken[f][Value(model, f)][a] <= least;
        if (n > most)
            best.clear(), most = n;
        if (n == most)
            best.push_back((Action)a);
    }
    if (best.empty())
        best = WayOn(least);
    return best[Random(0, (int)best.size() - 1)];
}

// The action done, and the model after it.
static bool Do(Action action, DWORD left = 0)
{
    static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    NOTIFYICONDATAA ours = {NOTIFYICONDATAA_V1_SIZE, mainWnd, 0};
    DWORD_PTR result;
    bool above = LevelAbove(Least());
    step++, Log(actionNames[action]);
    switch (action) {
    case HEAVY_CLEAN: case SMALL_CLEAN: return Clean(action == HEAVY_CLEAN);
    case ANSWER: return Answer();
    case ABOUT: Keys({VK_F10, VK_RIGHT, VK_RETURN}); break;
    case HIDE: Keys({VK_F10, VK_RIGHT, VK_RIGHT, VK_RETURN}); break;
    case TRAY_LEFT: case TRAY_RIGHT: case TRAY_MIDDLE: case TRAY_DOUBLE:
        if (!IconFound())
            return Violated("the tray icon there to be clicked", "no icon", "our icon");
        static const DWORD buttons[] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_LEFTDOWN};
        Click(trayFace, buttons[action - TRAY_LEFT], action == TRAY_DOUBLE ? 2 : 1);
        break;
    case MINIMIZE: PostMessageA(mainWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0); break;
    case MEMORY_LEVEL: // above 4 GiB, or either side of 2 GiB, just below 4 GiB, almost nothing
        switch (above ? 2 : Random(0, 2)) {
        case 0: Level((unsigned long)(model.availMiB >= 2048 ? Random(1500, 2000) : Random(2100, 2600))); break;
        case 1: Level((unsigned long)Random(3500, 3950)); break;
        case 2: Level((unsigned long)Random(4300, 6000)); break;
        }
        return true;
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
    default: break;
    }
    return model = After(model, action, above), true;
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
    HWND about = FindWindowA("#32770", "About Quenmar");
    if (suite && about) // painted whole first: Wine 10 shows a box before it draws its text
        RedrawWindow(about, NULL, NULL, REPAINT), Save("about", WindowRect(about));
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
    return code == 0 ? Passed(Format("%s ends the program with exit code 0", how))
                     : Violated(Format("%s ends the program", how), Format("exit code %lu", code), "exit code 0");
}

// Back to the state of the start: no box, shown and restored, memory held.
static bool Settle()
{
    while (model.box != NO_BOX)
        if (!Answer())
            return false;
    for (int i = 0; i < 3 && !(model.visible && !model.minimized); i++)
        if (!(Do(TRAY_LEFT) && Invariants()))
            return false;
    model.memory = HELD, SetAvailable(model.availMiB = 3000);
    return Sleep(3000), Invariants();
}

// Windows 10's caption and menu bar heights, in twips as Windows keeps them.
static void Windows10Metrics(bool set)
{
    const char *key = "Control Panel\\Desktop\\WindowMetrics";
    for (const char *value : {"SmCaptionHeight\0-330", "MenuHeight\0-285"}) // name, then data
        set ? RegSetKeyValueA(HKEY_CURRENT_USER, key, value, REG_SZ, value + strlen(value) + 1, 5)
            : RegDeleteKeyValueA(HKEY_CURRENT_USER, key, value);
}

// One fixed path, a line a step, at Windows 10's caption and menu heights.
// Menus do not cross processes under Wine: the live bar is driven by keyboard
// (script/check-exe reads the menu resource). It ends by the close button,
// where the hit test has it; the soak ends by File > Exit.
static int Suite()
{
    suite = true;
    SetAvailable(3000);
    Windows10Metrics(true);
    if (Launch()) {
        Save("window", WindowRect(mainWnd));
        bool ok = true;
        // Shown, the panel with exact figures above 4 GiB; hidden, the tray shows each trend there; the
        // icon dropped without a word comes back; shown, minimized, hidden,
        // shown restored in place; then, with commit short of the one and a half times it asks for, Heavy Clean.
        int levels = 0;
        for (Action action : {MEMORY_LEVEL, HIDE, MEMORY_RISING, MEMORY_HELD, MEMORY_FALLING, DROP_ICON,
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
        RECT r = WindowRect(mainWnd);
        POINT at = {r.right - 12, r.top + 11}; // inside the close button at Windows 10's heights
        if (ok && SendMessageA(mainWnd, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)) == HTCLOSE)
            Click(at);
        Ends("the close button");
    }
    Windows10Metrics(false); // the prefix as it was
    printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

static int Soak(DWORD seconds, unsigned long seed)
{
    rng.seed(seed), FindAllowedPairs();
    bool longRun = seconds >= 20 * 60;
    longestIdle = longRun ? 20 : 3; // in a run of minutes, long idles would take half its time
    SetAvailable(3000);
    // The first tick's automatic clean must have given its block back before the start is measured,
    // as the lowest level of the next 3 s: a look in the midst of a fill or a free is not the program's
    // level, and a level taken so would hide the next fill from Filling().
    unsigned long now = 0;
    bool ok = Launch() && Settle() &&
              (WaitFor([&] { return (now = ResidentMiB()) < baseMiB + BLOCK_MIB / 2; }, 20000) ||
               Violated("the first automatic clean's block given back", Format("%lu MiB resident", now),
                        Format("below %lu MiB", baseMiB + BLOCK_MIB / 2)));
    baseMiB = now;
    WaitFor([] { return baseMiB = std::min(baseMiB, ResidentMiB()), false; }, 3000);
    for (DWORD end = GetTickCount() + seconds * 1000; ok && (LONG)(end - GetTickCount()) > 0;) {
        Action action = Pick(longRun);
        for (int f = 0; f < FACETS; f++)
            taken[f][Value(model, f)][action]++;
        ok = Do(action, end - GetTickCount()) && Invariants();
    }
    // In the state of the start, no more memory than then, within a few MiB.
    unsigned long mib = 0;
    if (ok && (ok = Settle()))
        mib = ResidentMiB(), ok = mib <= baseMiB + 16 || Violated("resident memory back near the start",
                                                                  Format("%lu MiB", mib), Format("at most %lu MiB", baseMiB + 16));
    if (ok)
        step++, Log("File > Exit"), Keys(EXIT_KEYS);
    ok = ok ? Ends("File > Exit") : (TerminateProcess(quenmar.hProcess, 1), false);
    printf("soak: %d actions, %lu ticks, %s pair of a facet's value and an action taken, shown %lu MiB resident at the "
           "start and %lu at the end, %d violations, seed %lu\n", step, Elapsed() / 1000, Least() > 0 ? "every" : "not every",
           baseMiB, mib, failed, seed);
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
