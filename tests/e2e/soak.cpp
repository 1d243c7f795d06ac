// The soak: the real quenmar.exe under Wine through a long random (seeded)
// run of what users and the desktop do, with a model of what the program
// must then show, checked after every action: alive, shown or hidden as the
// model says, the panel's pixels, the tray picture, the boxes and their
// blocks; at the end the same state must hold no more memory, handles or GDI
// and USER objects than at the start. Automatic cleans are seen as the
// spike of resident memory their block makes.
//   soak_driver.exe QUENMAR_EXE MEMINFO SECONDS SEED SHOTS
#include "tests/e2e/e2e.h"
#include "version.h"

#include <psapi.h>
#include <winternl.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <deque>
#include <random>

// The schedule's numbers: a clean at the first tick (the window is shown
// from the start, so that tick ends steady), then every 600 ticks.
static const DWORD CLEAN_EVERY_TICKS = 600;
// Resident memory above the level expected by this much is a clean's block.
static const unsigned long BLOCK_MIB = 512;
// Growth allowed from the start to the end, in the same state.
static const unsigned long MORE_MIB = 16, MORE_HANDLES = 8, MORE_GDI = 8, MORE_USER = 8;

enum Box { NO_BOX, ABOUT_BOX, CLEAN_BOX };
enum Trend { HELD, RISING, FALLING };

// What the program must show, as far as the actions tell it.
static struct {
    bool visible = true, minimized = false;
    Box box = NO_BOX;
    bool blockHeld = false; // the clean's box says "RAM Cleaned"
    Trend memory = HELD;
    unsigned long availMiB = 3000;
} model;

static std::mt19937 rng;
static int Random(int low, int high) { return low + (int)(rng() % (unsigned)(high - low + 1)); }
// The longest idle, in seconds. In a run of a minute or a few, idles of up to
// 20 s would take half its time and leave it a few dozen actions.
static int idleSeconds = 20;

static DWORD launched, heldSince, levelAt;
static unsigned long heldLeastMiB; // what a clean's block must at least hold
static std::deque<std::string> lastActions;
static int step, violations;
static unsigned long baseMiB;
static std::vector<std::pair<DWORD, DWORD>> heldTimes; // when a manual block was held, ms from launch
static HWND other;                                    // the window that takes the foreground
static FILE *actionLog;                               // every action, in the soak's folder

// The sampler's view of resident memory and the automatic cleans it saw.
static volatile LONG manualClean, heldMiB, autoCleans, sampledMiB;
static DWORD cleanSeconds[64]; // when the first of them came, in seconds from the launch

static DWORD Elapsed() { return GetTickCount() - launched; }

static unsigned long ResidentMiB()
{
    PROCESS_MEMORY_COUNTERS m = {sizeof m};
    return GetProcessMemoryInfo(quenmar.hProcess, &m, sizeof m) ? (unsigned long)(m.WorkingSetSize >> 20) : 0;
}

// Every 20 ms: a rise above what a held manual block explains is an automatic
// clean's fill; one count per rise. While a manual clean fills, before its box
// tells what it holds, nothing counts.
static DWORD WINAPI Sampler(void *)
{
    bool above = false;
    for (;;) {
        long mib = (long)ResidentMiB();
        sampledMiB = mib;
        long floor = (long)baseMiB + (long)BLOCK_MIB + (manualClean ? heldMiB : 0);
        if (manualClean && heldMiB < 0)
            above = false;
        else if (!above && mib > floor)
            above = true, cleanSeconds[InterlockedIncrement(&autoCleans) % 64] = Elapsed() / 1000;
        else if (above && mib < floor - (long)BLOCK_MIB / 2)
            above = false;
        Sleep(20);
    }
}

static DWORD WINAPI OtherWindow(void *)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = "SoakOther";
    RegisterClassA(&wc);
    other = CreateWindowExA(0, "SoakOther", "Another program", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, NULL, NULL, NULL, NULL);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0))
        DispatchMessageA(&msg);
    return 0;
}

static void Log(const std::string &action)
{
    lastActions.push_back(Format("%d (%lu s): %s", step, Elapsed() / 1000, action.c_str()));
    if (actionLog)
        fprintf(actionLog, "%s\n", lastActions.back().c_str()), fflush(actionLog);
    if (lastActions.size() > 20)
        lastActions.pop_front();
}

static std::string ModelText()
{
    static const char *const boxes[] = {"no box", "the About box", "a clean's box"}, *const trends[] = {"held", "rising", "falling"};
    return Format("%s%s, %s%s, available %lu MiB %s", model.visible ? "shown" : "hidden",
                  model.minimized ? " (minimized)" : "", boxes[model.box], model.blockHeld ? " holding its block" : "",
                  model.availMiB, trends[model.memory]);
}

// The first violation ends the run: what was seen against what was expected,
// the last actions, and a picture of the screen.
static bool Violated(const std::string &what, const std::string &seen, const std::string &expected)
{
    violations++;
    printf("VIOLATION at step %d (%lu s): %s\n  seen:     %s\n  expected: %s\n  model:    %s\n  the last actions:\n", step,
           Elapsed() / 1000, what.c_str(), seen.c_str(), expected.c_str(), ModelText().c_str());
    for (const std::string &action : lastActions)
        printf("    %s\n", action.c_str());
    std::string shot = Format("violation-%d", step);
    Save(shot, {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    printf("  the screen: %s.ppm in the soak's folder\n", shot.c_str());
    return fflush(stdout), false;
}

static bool Alive()
{
    DWORD_PTR result;
    if (SendMessageTimeoutA(mainWnd, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result))
        return true;
    // A clean filling its block: the answer comes after the fill.
    if (sampledMiB > (LONG)(baseMiB + BLOCK_MIB) &&
        SendMessageTimeoutA(mainWnd, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result))
        return true;
    DWORD code = 0;
    GetExitCodeProcess(quenmar.hProcess, &code);
    return Violated("the program answers a message within 2 s", code == STILL_ACTIVE ? "no answer" : Format("ended with %lu", code),
                    "an answer");
}

static BOOL CALLBACK AddBox(HWND window, LPARAM found)
{
    DWORD pid = 0;
    char name[16] = "";
    GetWindowThreadProcessId(window, &pid), GetClassNameA(window, name, sizeof name);
    if (pid == quenmar.dwProcessId && !strcmp(name, "#32770") && IsWindowVisible(window))
        ((std::vector<HWND> *)found)->push_back(window);
    return TRUE;
}

// The process's top-level message boxes.
static std::vector<HWND> Boxes()
{
    std::vector<HWND> boxes;
    EnumWindows(AddBox, (LPARAM)&boxes);
    return boxes;
}

static std::string BoxText(HWND box)
{
    char caption[64] = "", text[512] = "";
    GetWindowTextA(box, caption, sizeof caption), GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return Format("\"%s\": \"%s\"%s", caption, text, GetWindow(box, GW_OWNER) == mainWnd ? "" : " (not owned by the window)");
}

// The one box the model expects, with its texts and owner; a clean's box
// also tells whether its block is held.
static bool BoxesAsExpected(DWORD ms)
{
    std::vector<HWND> boxes;
    auto right = [&] {
        boxes = Boxes();
        if (model.box == NO_BOX)
            return boxes.empty();
        if (boxes.size() != 1 || GetWindow(boxes[0], GW_OWNER) != mainWnd)
            return false;
        std::string text = BoxText(boxes[0]);
        if (model.box == ABOUT_BOX)
            return text.find("\"About Quenmar\": \"Quenmar watches physical memory") == 0 &&
                   text.find("Version " QUENMAR_VERSION) != std::string::npos;
        return text == "\"Vev Arivezu\": \"RAM Cleaned\"" || text == "\"Vev Arivezu\": \"RAM cannot be locked\"";
    };
    if (!WaitFor(right, ms)) {
        std::string seen;
        for (HWND box : boxes)
            seen += BoxText(box) + " ";
        static const char *const expected[] = {"no box", "\"About Quenmar\" with the version " QUENMAR_VERSION,
                                               "\"Vev Arivezu\": \"RAM Cleaned\" or \"RAM cannot be locked\""};
        return Violated("only the boxes asked for, owned by the window, with their texts", seen.empty() ? "none" : seen,
                        expected[model.box]);
    }
    return true;
}

// The picture the tray must come to show: the neutral face while the window
// is painted at every tick, else the trend of the memory as it moves.
// Above 4 GiB the program sees 4 GiB - 1 and no movement.
static Picture ExpectedPicture()
{
    if (model.visible && !model.minimized)
        return NEUTRAL;
    if (model.memory == HELD || model.availMiB >= 4096)
        return NEUTRAL;
    return model.memory == RISING ? GAIN : LOSS;
}

static bool TrayAsExpected()
{
    Picture expected = NEUTRAL, shown = NO_ICON;
    bool moving = !(model.visible && !model.minimized) && model.memory != HELD;
    // Available memory moves at every look, so that every tick sees it move;
    // it turns at the ends of what the memory file can say.
    bool ok = WaitFor([&] {
        if (moving) {
            if (model.memory == FALLING && model.availMiB <= 100)
                model.memory = RISING, Log("available memory rising from 100 MiB");
            if (model.memory == RISING && model.availMiB >= 8000)
                model.memory = FALLING, Log("available memory falling from 8000 MiB");
            model.availMiB = model.memory == RISING ? model.availMiB + 1 : model.availMiB - 1;
            SetAvailable(model.availMiB);
        }
        expected = ExpectedPicture();
        return (shown = TrayPicture()) == expected;
    }, 10000);
    return ok || Violated("the tray picture", pictureNames[shown], pictureNames[expected]);
}

// Put back by the next tick, or after the fill of a clean that holds the ticks up:
// known to the shell (a modify that changes nothing succeeds only for an icon
// it has), not only seen, since the tray may not yet have drawn the drop.
static bool IconBack()
{
    auto back = [] {
        NOTIFYICONDATAA ours = {NOTIFYICONDATAA_V1_SIZE, mainWnd, 0};
        return Shell_NotifyIconA(NIM_MODIFY, &ours) && TrayPicture() != NO_ICON;
    };
    return WaitFor(back, 4000) || (sampledMiB > (LONG)(baseMiB + BLOCK_MIB) && WaitFor(back, 60000)) ||
           Violated("the icon the shell dropped back within a tick", "no icon", "our icon");
}

// Above the other window in the order of windows. A Wine desktop draws a
// window brought to the front over a topmost one while its order of windows
// keeps the topmost one first, so the other window is kept clear of ours
// and the order, not the pixels, is what is checked.
static bool AboveOther()
{
    for (HWND below = GetWindow(mainWnd, GW_HWNDNEXT); below; below = GetWindow(below, GW_HWNDNEXT))
        if (below == other)
            return true;
    return !IsWindowVisible(other);
}

static bool WindowAsExpected()
{
    auto right = [] {
        bool visible = IsWindowVisible(mainWnd) != 0, iconic = IsIconic(mainWnd) != 0;
        return visible == model.visible && (!visible || iconic == model.minimized);
    };
    if (!WaitFor(right, 10000))
        return Violated("the window shown, hidden or minimized",
                        Format("%s%s (the last click fell on a window of class \"%s\")", IsWindowVisible(mainWnd) ? "shown" : "hidden",
                               IsIconic(mainWnd) ? " (minimized)" : "", clickedOn.c_str()),
                        Format("%s%s", model.visible ? "shown" : "hidden", model.minimized ? " (minimized)" : ""));
    if (!model.visible || model.minimized)
        return true;
    if (!(GetWindowLongA(mainWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) || !AboveOther())
        return Violated("the window topmost", "not topmost, or below the other window", "WS_EX_TOPMOST, above the other window");
    // A box may stand over the panel.
    RECT panel, box, overlap;
    GetWindowRect(mainWnd, &panel);
    for (HWND open : Boxes())
        if (GetWindowRect(open, &box) && IntersectRect(&overlap, &panel, &box))
            return true;
    std::string detail;
    return PanelDrawn(15000, detail) || Violated("the panel's five lines", detail, "the pixels drawn from the driver's figures");
}

// A held block: resident memory far above the start while the box is open,
// by 256 MiB or, when the commit left is short, half the most it may take.
static bool BlockAsExpected()
{
    if (!model.blockHeld)
        return true;
    unsigned long mib = ResidentMiB();
    return mib >= baseMiB + heldLeastMiB ||
           Violated("the clean's block held while its box is open", Format("%lu MiB resident", mib),
                    Format("at least %lu MiB", baseMiB + heldLeastMiB));
}

static bool Invariants()
{
    return Alive() && BoxesAsExpected(60000) && WindowAsExpected() && TrayAsExpected() && BlockAsExpected();
}

// Half the commit left, as the program too reads it at a tick: the most its
// block may take. Under Wine it is small just below 2 GiB available.
static unsigned long HalfCommitMiB()
{
    MEMORYSTATUS status = {sizeof status};
    GlobalMemoryStatus(&status);
    return status.dwAvailPageFile >> 21;
}

// A menu command by keyboard: F10 opens the bar at "File".
static void Menu(std::initializer_list<WORD> keys) { Keys(keys); }

static bool Clean(bool heavy)
{
    // The block is sized from the figures of the last tick: one past the last new level.
    while (Elapsed() - levelAt < 2000)
        Sleep(100);
    heldLeastMiB = std::min(HalfCommitMiB() / 2, 256ul);
    unsigned long before = ResidentMiB();
    heldMiB = -1, manualClean = 1;
    heavy ? Menu({VK_F10, VK_RETURN, VK_RETURN}) : Menu({VK_F10, VK_RETURN, VK_DOWN, VK_RETURN});
    model.box = CLEAN_BOX;
    HWND box = FindBox("Vev Arivezu", 60000);
    char text[64] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    model.blockHeld = !strcmp(text, "RAM Cleaned");
    unsigned long held = ResidentMiB();
    heldMiB = (LONG)(held > before ? held - before : 0), heldSince = Elapsed();
    Log(Format("the clean's box: \"%s\", %lu MiB resident before, %lu with the box", text, before, held));
    return true;
}

// The box answered as a user would, after 0 to 3 s.
static bool Answer()
{
    static const char *const ways[] = {"Enter", "Esc", "Space", "a click on OK", "Alt+F4"};
    int way = Random(0, 4), wait = Random(0, 30) * 100;
    Log(Format("answer the box after %d ms by %s", wait, ways[way]));
    Sleep(wait);
    std::vector<HWND> boxes = Boxes();
    if (boxes.size() != 1)
        return BoxesAsExpected(0);
    HWND box = boxes[0];
    switch (way) {
    case 0: Press(box, {VK_RETURN}); break;
    case 1: Press(box, {VK_ESCAPE}); break;
    case 2: Press(box, {VK_SPACE}); break;
    case 3: {
        RECT r;
        GetWindowRect(GetDlgItem(box, IDOK), &r);
        SetForegroundWindow(box), Click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        break;
    }
    default: Press(box, {VK_MENU, VK_F4}); break;
    }
    if (!WaitFor([&] { return !IsWindow(box); }, 10000))
        return Violated(Format("the box closed by %s", ways[way]), "still open", "closed");
    if (model.box == CLEAN_BOX) {
        if (model.blockHeld)
            heldTimes.push_back({heldSince, Elapsed()});
        unsigned long after = 0;
        if (!WaitFor([&] { return (after = ResidentMiB()) < baseMiB + 64; }, 20000))
            return model.box = NO_BOX, Violated("the clean's block given back after its box", Format("%lu MiB resident", after),
                                                Format("below %lu MiB", baseMiB + 64));
        manualClean = 0;
    }
    model.box = NO_BOX, model.blockHeld = false;
    return true;
}

static void TrayClick(DWORD down, DWORD up, int presses)
{
    TrayPicture();
    Click(trayFace, down, up, presses);
}

// Idle while the ticks go on; the sampler counts what they clean.
static void Idle(DWORD ms)
{
    Sleep(ms);
}

static unsigned long NextLevel()
{
    switch (Random(0, 3)) {
    case 0: return model.availMiB >= 2048 ? (unsigned long)Random(1500, 2000) : (unsigned long)Random(2100, 2600);
    case 1: return (unsigned long)Random(3500, 3950);
    case 2: return (unsigned long)Random(4300, 6000);
    default: return (unsigned long)Random(200, 400); // tiny
    }
}

enum Action {
    HEAVY_CLEAN, SMALL_CLEAN, ABOUT, HIDE, ANSWER, TRAY_LEFT, TRAY_RIGHT, TRAY_MIDDLE, TRAY_DOUBLE, MINIMIZE,
    MEMORY_RISING, MEMORY_FALLING, MEMORY_HELD, MEMORY_LEVEL, DROP_ICON, TASKBAR_CREATED, DROP_AND_TASKBAR_CREATED,
    IDLE, LONG_IDLE, FOREGROUND, ACTIONS
};
// The weights: an hour brings each action hundreds of times, but the idle
// past an automatic clean only a few times, oftener while a clean's box is open.
static const struct {
    const char *name;
    int weight;
} actions[ACTIONS] = {
    {"File > Heavy Clean", 40}, {"File > Small Clean", 40}, {"About", 30}, {"Hide", 30}, {"answer the box", 120},
    {"left click on the tray icon", 80}, {"right click on the tray icon", 30}, {"middle click on the tray icon", 20},
    {"double click on the tray icon", 30}, {"minimize", 40}, {"available memory rising", 30},
    {"available memory falling", 30}, {"available memory held", 30}, {"available memory to a new level", 40},
    {"the shell drops the icon", 30}, {"\"TaskbarCreated\"", 20}, {"the shell drops the icon, then \"TaskbarCreated\"", 20},
    {"idle", 60}, {"idle past an automatic clean", 1}, {"another window takes the foreground", 30},
};
static int counts[ACTIONS];

// The weight of an action now: 0 when a user or the desktop could not do it
// as the model stands. The idle past an automatic clean only in runs of 20
// minutes or more.
static int Weight(Action action, bool longRun)
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
    int total = 0;
    for (int a = 0; a < ACTIONS; a++)
        total += Weight((Action)a, longRun);
    int pick = Random(0, total - 1);
    for (int a = 0; a < ACTIONS; a++)
        if ((pick -= Weight((Action)a, longRun)) < 0)
            return (Action)a;
    return IDLE;
}

static bool Do(Action action, DWORD left)
{
    static UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    NOTIFYICONDATAA ours = {NOTIFYICONDATAA_V1_SIZE, mainWnd, 0};
    DWORD_PTR result;
    switch (action) {
    case HEAVY_CLEAN: return Clean(true);
    case SMALL_CLEAN: return Clean(false);
    case ABOUT: Menu({VK_F10, VK_RIGHT, VK_RETURN}), model.box = ABOUT_BOX; return true;
    case HIDE: Menu({VK_F10, VK_RIGHT, VK_RIGHT, VK_RETURN}), model.visible = false; return true;
    case ANSWER: return Answer();
    case TRAY_LEFT:
    case TRAY_DOUBLE: // the second press is a double click, which does nothing
        TrayClick(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, action == TRAY_DOUBLE ? 2 : 1);
        model.minimized = model.minimized && model.visible; // shown from the tray, restored
        model.visible = !model.visible;
        return true;
    case TRAY_RIGHT: TrayClick(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 1); return true;
    case TRAY_MIDDLE: TrayClick(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 1); return true;
    case MINIMIZE: PostMessageA(mainWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0), model.minimized = true; return true;
    case MEMORY_RISING: model.memory = RISING; return true;
    case MEMORY_FALLING: model.memory = FALLING; return true;
    case MEMORY_HELD: model.memory = HELD; return true;
    case MEMORY_LEVEL:
        SetAvailable(model.availMiB = NextLevel()), levelAt = Elapsed();
        Log(Format("available memory now %lu MiB", model.availMiB));
        return true;
    case DROP_ICON:
    case DROP_AND_TASKBAR_CREATED:
        Shell_NotifyIconA(NIM_DELETE, &ours);
        if (action == DROP_ICON)
            return IconBack();
        // fall through
    case TASKBAR_CREATED: SendMessageTimeoutA(mainWnd, taskbarCreated, 0, 0, SMTO_NORMAL, 60000, &result); return true;
    case IDLE: Idle(std::min<DWORD>(left, (DWORD)Random(1, idleSeconds) * 1000)); return true;
    case LONG_IDLE: Idle(std::min<DWORD>(left, (DWORD)Random(600, 660) * 1000)); return true;
    case FOREGROUND: // clear of the window, the boxes and the tray: see AboveOther
        SetWindowPos(other, HWND_TOP, 0, GetSystemMetrics(SM_CYSCREEN) - 300, 400, 200, SWP_SHOWWINDOW);
        SetForegroundWindow(other);
        return true;
    default: return true;
    }
}

struct Resources {
    unsigned long mib;
    DWORD handles, gdi, user;
};

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
    if (status < 0)
        return 0;
    const SYSTEM_HANDLE_INFORMATION *list = (const SYSTEM_HANDLE_INFORMATION *)buffer.data();
    for (ULONG i = 0; i < list->Count; i++)
        count += list->Handle[i].OwnerPid == quenmar.dwProcessId;
    return count;
}

static Resources Measure()
{
    return {ResidentMiB(), HandleCount(), GetGuiResources(quenmar.hProcess, GR_GDIOBJECTS),
            GetGuiResources(quenmar.hProcess, GR_USEROBJECTS)};
}

static std::string Text(const Resources &r)
{
    return Format("%lu MiB resident, %lu handles, %lu GDI objects, %lu USER objects", r.mib, r.handles, r.gdi, r.user);
}

// Back to the state of the start: no box, shown and restored, memory held.
static bool Settle()
{
    ShowWindow(other, SW_HIDE);
    while (model.box != NO_BOX)
        if (!Answer())
            return false;
    for (int i = 0; i < 3 && !(model.visible && !model.minimized); i++)
        if (!(Do(TRAY_LEFT, 0) && Invariants()))
            return false;
    model.memory = HELD, SetAvailable(model.availMiB = 3000);
    Sleep(3000);
    return Invariants();
}

// The automatic cleans the ticks so far must have made: the first tick's, then
// one every 600. Ticks lost while the program was busy may put one late, and
// one due while a manual block was held may be refused.
static bool CleansAsExpected(DWORD ticks, LONG seen)
{
    DWORD due = 1 + (ticks - 1) / CLEAN_EVERY_TICKS, slack = 30 + ticks / 50;
    DWORD least = ticks > slack ? 1 + (ticks - 1 - slack) / CLEAN_EVERY_TICKS : 1;
    for (DWORD k = 1; k < due; k++) {
        DWORD at = (1 + k * CLEAN_EVERY_TICKS) * 1000;
        for (auto held : heldTimes)
            if (held.first < at + 5000 && held.second + slack * 1000 > at) {
                least--;
                break;
            }
    }
    return ((DWORD)seen >= least && (DWORD)seen <= due) ||
           Violated("the automatic cleans", Format("%ld", seen), Format("%lu to %lu after %lu ticks", least, due, ticks));
}

int main(int argc, char **argv)
{
    if (argc != 6)
        return fprintf(stderr, "usage: soak_driver QUENMAR_EXE MEMINFO SECONDS SEED SHOTS\n"), 2;
    quenmarExe = argv[1], meminfoPath = argv[2], shotsDir = argv[5];
    DWORD seconds = strtoul(argv[3], NULL, 10);
    unsigned long seed = strtoul(argv[4], NULL, 10);
    rng.seed(seed);
    bool longRun = seconds >= 20 * 60;
    idleSeconds = longRun ? 20 : 5;
    setvbuf(stdout, NULL, _IONBF, 0);
    actionLog = fopen(Format("%s\\actions.txt", shotsDir).c_str(), "w");

    SetAvailable(model.availMiB);
    CreateThread(NULL, 0, OtherWindow, NULL, 0, NULL);
    StartQuenmar();
    launched = GetTickCount();
    WaitFor([] { return ResidentMiB() > 0; }, 60000);
    baseMiB = ResidentMiB() + 64; // below the program's own growth at start-up, far below a block
    CreateThread(NULL, 0, Sampler, NULL, 0, NULL);
    bool ok = FindMain(120000) && !AnswerBox("About Quenmar").empty();
    if (!ok)
        Violated("start-up: the window, and the About box over it, which OK closes", "not so", "so");
    ok = ok && Settle();
    // The first tick's automatic clean is over: its block given back.
    unsigned long launchMiB = baseMiB, now = 0;
    ok = ok && (WaitFor([&] { return (now = ResidentMiB()) < launchMiB + BLOCK_MIB / 2; }, 20000) ||
                Violated("the first automatic clean's block given back", Format("%lu MiB resident", now),
                         Format("below %lu MiB", launchMiB + BLOCK_MIB / 2)));
    baseMiB = ResidentMiB();
    Resources start = Measure();
    if (ok)
        printf("soak: at the start, shown: %s\n", Text(start).c_str());

    DWORD end = GetTickCount() + seconds * 1000;
    while (ok && (LONG)(end - GetTickCount()) > 0) {
        step++;
        ShowWindow(other, SW_HIDE);
        Action action = Pick(longRun);
        counts[action]++;
        Log(actions[action].name);
        ok = Do(action, end - GetTickCount()) && Invariants();
    }

    Resources last = {};
    if (ok && (ok = Settle())) {
        last = Measure();
        printf("soak: at the end, shown: %s\n", Text(last).c_str());
        if (!start.gdi || !start.user)
            printf("soak: Wine reports no GDI or USER objects for another process (GetGuiResources gives 0)\n");
        ok = (last.mib <= start.mib + MORE_MIB && last.handles <= start.handles + MORE_HANDLES &&
              last.gdi <= start.gdi + MORE_GDI && last.user <= start.user + MORE_USER) ||
             Violated("resident memory, handles, GDI and USER objects back near the start",
                      Text(last), Format("at most %lu MiB, %lu handles, %lu GDI and %lu USER objects more than at the start",
                                         MORE_MIB, MORE_HANDLES, MORE_GDI, MORE_USER));
    }
    DWORD ticks = Elapsed() / 1000;
    LONG cleans = autoCleans;
    ok = ok && CleansAsExpected(ticks, cleans);
    if (ok) {
        step++, Log("File > Exit");
        Menu({VK_F10, VK_RETURN, VK_UP, VK_RETURN});
    }
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(quenmar.hProcess, ok ? 30000 : 0) != WAIT_OBJECT_0)
        TerminateProcess(quenmar.hProcess, 1);
    else
        GetExitCodeProcess(quenmar.hProcess, &code);
    if (ok && code != 0)
        ok = Violated("File > Exit ends the program with exit code 0", Format("%lu", code), "0");
    printf("soak: automatic cleans seen at");
    for (LONG i = 1; i <= cleans && i < 64; i++)
        printf(" %lu", cleanSeconds[i]);
    printf(" s\nsoak: actions:");
    for (int a = 0; a < ACTIONS; a++)
        printf("%s %s %d", a ? "," : "", actions[a].name, counts[a]);
    printf("\nsoak: %d actions, %lu ticks, %ld automatic cleans, %d violations, seed %lu\n", step, ticks, cleans, violations,
           seed);
    return ok ? 0 : 1;
}
