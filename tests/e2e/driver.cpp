// End-to-end driver, run under Wine beside the real quenmar.exe: starts it as a
// user would, drives it with real key presses and mouse clicks, and checks what
// only the real platform shows: resources, the paint, the tray, the boxes, the
// exit code. One line per check, then "N passed, N failed".
//   driver.exe QUENMAR_EXE MEMINFO [SHOTS]   the suite; MEMINFO is the file bound
//                      over /proc/meminfo, rewritten in place; into the folder
//                      SHOTS go pictures of the window, the About box and the tray
//   driver.exe exit    ends a running copy from its menu
#include <windows.h>
#include <psapi.h>
#include <stdio.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

static int passed, failed;
static const char *quenmarExe, *meminfoPath, *shotsDir;
static PROCESS_INFORMATION quenmar;
static HWND mainWnd;

static std::string Format(const char *format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

static bool Check(bool ok, const std::string &what, const std::string &detail = "")
{
    printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    return fflush(stdout), (ok ? passed : failed)++, ok;
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

// With a folder for pictures, the screen's pixels in r go there as NAME.ppm.
static void Save(const std::string &name, RECT r)
{
    FILE *file = shotsDir ? fopen(Format("%s\\%s.ppm", shotsDir, name.c_str()).c_str(), "wb") : NULL;
    if (!file)
        return;
    fprintf(file, "P6 %ld %ld 255\n", r.right - r.left, r.bottom - r.top);
    for (DWORD pixel : Capture(r))
        fputc(pixel >> 16, file), fputc(pixel >> 8 & 0xFF, file), fputc(pixel & 0xFF, file);
    fclose(file);
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

// Waits for a box by its caption, runs whileOpen, presses OK and waits for the box
// to go. Its text (in the static control 0xFFFF), or "" if it never came or stayed.
static std::string AnswerBox(const char *caption, const std::function<void(HWND)> &whileOpen = nullptr)
{
    HWND box = NULL;
    char text[512] = "";
    if (!WaitFor([&] { return (box = FindWindowA("#32770", caption)) != NULL; }, 20000))
        return "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    if (whileOpen)
        whileOpen(box);
    PostMessageA(box, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(box, IDOK));
    return WaitFor([&] { return !IsWindow(box); }) ? text : "";
}

static bool Launch()
{
    STARTUPINFOA startup = {sizeof startup};
    CreateProcessA(quenmarExe, NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &quenmar);
    auto save = [](HWND box) { // painted whole first: Wine 10 shows a box before it draws its text
        RECT r;
        Repaint(box), GetWindowRect(box, &r), Save("about", r);
    };
    return Check(FindMain(120000) && !AnswerBox("About Quenmar", save).empty() && IsWindow(mainWnd),
                 "start-up: the \"MyClass\" window \"Quenmar\", and the About box over it, which OK closes");
}

// Real key presses on the main window: F10 opens its menu bar at "File".
static void Keys(std::initializer_list<WORD> keys)
{
    DWORD_PTR result;
    SendMessageTimeoutA(mainWnd, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result), SetForegroundWindow(mainWnd);
    WaitFor([] { return GetForegroundWindow() == mainWnd; }, 5000);
    for (WORD key : keys) {
        INPUT input[2] = {{INPUT_KEYBOARD}, {INPUT_KEYBOARD}};
        input[0].ki.wVk = input[1].ki.wVk = key, input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT)), Sleep(400);
    }
}

// A real left click at a point of the screen; clicks are spaced beyond the
// double-click time. The press carries its own position: a cursor moved just
// before can be put back by a pointer event that Wine had not yet taken in.
static void Click(POINT at)
{
    Sleep(GetDoubleClickTime() + 200);
    LONG x = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    LONG y = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    INPUT input = {INPUT_MOUSE, {{x, y, 0, MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE}}};
    for (DWORD action : {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP})
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | action, SendInput(1, &input, sizeof input), Sleep(100);
}

static bool Shown(bool visible)
{
    return WaitFor([&] { return (IsWindowVisible(mainWnd) != 0) == visible; });
}

static void Ends(const char *how)
{
    DWORD code = 259;
    if (WaitForSingleObject(quenmar.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(quenmar.hProcess, 1);
    GetExitCodeProcess(quenmar.hProcess, &code);
    Check(code == 0, Format("%s ends the program with exit code 0", how), Format("%lu", code));
    CloseHandle(quenmar.hProcess), CloseHandle(quenmar.hThread);
}

// Exactly the five lines drawn here, in the default font on the window colour,
// from the figures this large-address-aware driver is given; and each of them
// whole, to its last column and its last row, in the client area.
static void PanelMatches(const char *name)
{
    RECT client;
    bool same = false, whole = false;
    WaitFor([&] {
        MEMORYSTATUS m = {sizeof m};
        GlobalMemoryStatus(&m);
        DWORD used = m.dwTotalPageFile > m.dwAvailPageFile ? m.dwTotalPageFile - m.dwAvailPageFile : 0;
        const std::string lines[] = {"Tamsel's Memory Defragger",
                                     Format("Total Physical RAM : %lu (%luMB)", m.dwTotalPhys, m.dwTotalPhys >> 20),
                                     Format("Available Physical RAM : %lu (%luMB)", m.dwAvailPhys, m.dwAvailPhys >> 20),
                                     Format("Total Swapfile Size : %lu (%luMB)", used, used >> 20),
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
    }, 15000);
    RECT outer;
    GetWindowRect(mainWnd, &outer);
    Check(same && whole, Format("%s: the five lines whole, with the figures of a large-address-aware program", name),
          Format("%s, window %ldx%ld, client area %ldx%ld", same ? "same pixels" : "other pixels",
                 outer.right - outer.left, outer.bottom - outer.top, client.right - client.left,
                 client.bottom - client.top));
    Save("window", outer);
}

enum Picture { NO_ICON, NEUTRAL, GAIN, LOSS };
static POINT trayFace; // the centre of the face found last

// Our icon is the only yellow face in the right half of the taskbar; the colours
// around it tell the picture. With click, it is clicked as well. The taskbar
// is painted again first, background and all: Wine 10 draws a changed icon
// over the old one without erasing it, which would leave the last picture's
// halo around a plain face.
static Picture TrayPicture(bool click = false)
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
    if (click && right >= 0)
        Click(trayFace);
    return right < 0 ? NO_ICON : blue > 4 && !red ? GAIN : red > 4 && !blue ? LOSS : silver > 4 ? NEUTRAL : NO_ICON;
}

// Menus do not cross processes under Wine: the menu is read from the exe, and
// the live bar is driven by keyboard.
static void Menu()
{
    HMENU bar = LoadMenuA(LoadLibraryExA(quenmarExe, NULL, LOAD_LIBRARY_AS_DATAFILE), "MainMenu");
    std::string items;
    for (HMENU menu : {bar, GetSubMenu(bar, 0)})
        for (int i = 0; i < GetMenuItemCount(menu); i++) {
            char text[32] = "";
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            items += Format("%s=%d ", text, (int)GetMenuItemID(menu, i));
        }
    Check(items == "File=-1 About=102 Hide=104 Heavy Clean=101 Small Clean=103 =0 Exit=105 ",
          "menu \"MainMenu\": File (Heavy Clean, Small Clean, a separator, Exit), About, Hide", items);
}

static void Tray()
{
    static const char *const names[] = {"none", "neutral", "gain", "loss"};
    Keys({VK_F10, VK_RIGHT, VK_RIGHT, VK_RETURN});
    Check(Shown(false), "menu: Hide hides the window");
    // Available memory moves at every look, so that every tick sees the change however
    // slowly the screen is read; above 2 GiB, where a program capped there would see none.
    unsigned long availMiB = 3000;
    for (int step : {1, 0, -1}) {
        Picture expected = step > 0 ? GAIN : step < 0 ? LOSS : NEUTRAL, shown = NO_ICON;
        bool ok = WaitFor([&] { return SetAvailable(availMiB += step), (shown = TrayPicture()) == expected; });
        Check(ok, Format("tray, hidden: available memory %s shows the %s picture",
                         step > 0 ? "rising" : step < 0 ? "falling" : "held", names[expected]), names[shown]);
        Save(Format("tray-%s", names[expected]), {trayFace.x - 10, trayFace.y - 10, trayFace.x + 10, trayFace.y + 10});
    }
    // Dropped without "TaskbarCreated", as by a shell not yet up at logon: the
    // next tick finds the icon gone and puts it back, and the clicks below reach it.
    NOTIFYICONDATAA ours = {NOTIFYICONDATAA_V1_SIZE, mainWnd, 0};
    bool dropped = Shell_NotifyIconA(NIM_DELETE, &ours);
    Check(dropped && WaitFor([] { return TrayPicture() == NEUTRAL; }, 5000),
          "tray: the icon the shell dropped without a word is back within a tick");
    RECT before, after;
    bool shown = (TrayPicture(true), Shown(true));
    GetWindowRect(mainWnd, &before);
    PostMessageA(mainWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    bool minimized = WaitFor([] { return IsIconic(mainWnd) != 0; });
    bool hidden = (TrayPicture(true), Shown(false));
    bool back = (TrayPicture(true), WaitFor([&] { return IsWindowVisible(mainWnd) && !IsIconic(mainWnd); }));
    GetWindowRect(mainWnd, &after);
    Check(shown && minimized && hidden && back && EqualRect(&before, &after),
          "tray: a click shows the window; after a minimize a click hides it, the next shows it restored in place");
}

// Windows 10's caption and menu bar heights, in twips as Windows keeps them.
static void Windows10Metrics(bool set)
{
    const char *key = "Control Panel\\Desktop\\WindowMetrics";
    for (const char *value : {"SmCaptionHeight\0-330", "MenuHeight\0-285"}) // name, then data
        set ? RegSetKeyValueA(HKEY_CURRENT_USER, key, value, REG_SZ, value + strlen(value) + 1, 5)
            : RegDeleteKeyValueA(HKEY_CURRENT_USER, key, value);
}

int main(int argc, char **argv)
{
    if (argc == 2 && !strcmp(argv[1], "exit")) { // a copy already running here, ended as a user would
        // Onto the copy's Wine desktop: Wine 8 puts the driver there from a default in
        // the prefix, Wine 10 ignores that default.
        if (HDESK desktop = OpenDesktopA("Quenmar", 0, FALSE, GENERIC_ALL))
            SetThreadDesktop(desktop);
        return FindMain(180000) && (AnswerBox("About Quenmar"), Keys({VK_F10, VK_RETURN, VK_UP, VK_RETURN}),
                                    WaitFor([] { return !IsWindow(mainWnd); }, 30000)) ? 0 : 1;
    }
    if (argc != 3 && argc != 4)
        return fprintf(stderr, "usage: driver QUENMAR_EXE MEMINFO [SHOTS] | driver exit\n"), 2;
    quenmarExe = argv[1], meminfoPath = argv[2], shotsDir = argc == 4 ? argv[3] : NULL;
    SetAvailable(3000);
    for (bool windows10 : {false, true}) {
        Windows10Metrics(windows10);
        if (!Launch())
            continue;
        PanelMatches(windows10 ? "panel, with Windows 10's caption and menu bar" : "panel");
        if (windows10) {
            RECT r;
            GetWindowRect(mainWnd, &r);
            POINT at = {r.right - 12, r.top + 11}; // inside the close button at Wine's metrics and at Windows 10's
            if (SendMessageA(mainWnd, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)) == HTCLOSE)
                Click(at);
            Ends("the close button");
            continue;
        }
        Menu();
        Tray();
        // Wine reports no private usage for another process; a written block is resident.
        // With less available, commit is short of the one and a half times it asks for:
        // after a tick the program reads the figures this driver reads, and its block
        // may take at most half of the commit they leave.
        PROCESS_MEMORY_COUNTERS m = {sizeof m};
        auto ResidentMiB = [&] { return GetProcessMemoryInfo(quenmar.hProcess, &m, sizeof m), m.WorkingSetSize >> 20; };
        SetAvailable(1000), Sleep(2000);
        MEMORYSTATUS status = {sizeof status};
        GlobalMemoryStatus(&status);
        unsigned long before = ResidentMiB(), held = 0, after = 0, cap = status.dwAvailPageFile >> 21;
        Keys({VK_F10, VK_RETURN, VK_RETURN});
        std::string text = AnswerBox("Vev Arivezu", [&](HWND) { held = ResidentMiB(); });
        bool released = WaitFor([&] { return (after = ResidentMiB()) < before + 32; });
        Check(text == "RAM Cleaned" && held > before + std::min(cap, 256ul) / 2 && held <= before + cap + 8 && released,
              "Heavy Clean: \"RAM Cleaned\", the block held while the box is up, within half the commit left, "
              "and given back after OK",
              Format("'%s', %lu MiB resident before, %lu with the box, %lu after; %lu MiB available, half the "
                     "commit left %lu MiB", text.c_str(), before, held, after, status.dwAvailPhys >> 20, cap));
        Keys({VK_F10, VK_RETURN, VK_UP, VK_RETURN});
        Ends("menu: Exit");
    }
    Windows10Metrics(false); // the prefix as it was
    printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
