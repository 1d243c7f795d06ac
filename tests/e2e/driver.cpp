// End-to-end driver, run under Wine beside the real quenmar.exe: starts it as a
// user would, drives it with real key presses and mouse clicks, and checks what
// only the real platform shows: resources, styles, the paint, the tray, the
// boxes, the exit code. One line per check, then "N passed, N failed".
//   driver.exe QUENMAR_EXE MEMINFO   the suite; MEMINFO is the file bound over
//                                    /proc/meminfo, rewritten in place
//   driver.exe exit                  ends a running copy from its menu
#include <windows.h>
#include <psapi.h>
#include <stdio.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"

static int passed, failed;
static const char *quenmarExe, *meminfoPath;
static PROCESS_INFORMATION quenmar;
static HWND mainWnd;

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

static std::string Format(const char *format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// Wine reads available memory from this file; the same length every time, so
// it is rewritten in place. 8 GiB of it: more than 32 bits can tell.
static void SetAvailable(unsigned long mib)
{
    std::string text = Format("MemTotal: %8lu kB\nMemFree: %8lu kB\nMemAvailable: %8lu kB\nBuffers: 0 kB\nCached: 0 kB\n"
                              "SwapTotal: 1048576 kB\nSwapFree: 524288 kB\n", 8192ul << 10, mib << 10, mib << 10);
    HANDLE file = CreateFileA(meminfoPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL), CloseHandle(file);
}

// --- pixels ---

struct Image {
    int width, height;
    std::vector<DWORD> pixels; // 0x00RRGGBB, top-down
    DWORD At(int x, int y) const { return pixels[y * width + x] & 0xFFFFFF; }
};

// The screen at x, y in a 32-bit bitmap of the given size, with draw painted over it.
static Image Capture(int x, int y, int width, int height, const std::function<void(HDC)> &draw = nullptr)
{
    BITMAPINFO info = {{sizeof info.bmiHeader, width, -height, 1, 32}};
    void *bits = NULL;
    HDC mem = CreateCompatibleDC(NULL), screen = GetDC(NULL);
    HBITMAP bitmap = CreateDIBSection(mem, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, width, height, screen, x, y, SRCCOPY);
    if (draw)
        draw(mem);
    GdiFlush();
    Image image = {width, height, std::vector<DWORD>((DWORD *)bits, (DWORD *)bits + width * height)};
    SelectObject(mem, old), DeleteObject(bitmap), DeleteDC(mem), ReleaseDC(NULL, screen);
    return image;
}

// --- the program's windows and input ---

static bool Launch()
{
    STARTUPINFOA startup = {sizeof startup};
    CreateProcessA(quenmarExe, NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &quenmar);
    // The window of this process: an earlier copy may still be going.
    return Check(WaitFor([] {
                     DWORD pid = 0;
                     GetWindowThreadProcessId(mainWnd = FindWindowA("MyClass", "Quenmar"), &pid);
                     return mainWnd && pid == quenmar.dwProcessId;
                 }, 120000),
                 "start-up: a window of class \"MyClass\" titled \"Quenmar\"");
}

// Finds a box by its caption; its text is in the static control 0xFFFF.
static HWND FindBox(const char *caption, std::string *text = NULL)
{
    HWND box = NULL;
    char buffer[512] = "";
    WaitFor([&] { return (box = FindWindowA("#32770", caption)) != NULL; }, 20000);
    if (text)
        GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer), *text = buffer;
    return box;
}

static bool CloseBox(HWND box)
{
    return box && PostMessageA(box, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(box, IDOK)) &&
           WaitFor([&] { return !IsWindow(box); });
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

// --- the panel and the tray ---

// Exactly the five lines drawn here, whole, in the default font on the window
// colour, from the figures this large-address-aware driver is given.
static void PanelMatches(const char *name)
{
    RECT client;
    bool same = WaitFor([&] {
        MEMORYSTATUS m = {sizeof m};
        GlobalMemoryStatus(&m);
        DWORD used = m.dwTotalPageFile > m.dwAvailPageFile ? m.dwTotalPageFile - m.dwAvailPageFile : 0;
        const std::string lines[] = {"Tamsel's Memory Defragger",
                                     Format("Total Physical RAM : %lu (%luMB)", m.dwTotalPhys, m.dwTotalPhys >> 20),
                                     Format("Available Physical RAM : %lu (%luMB)", m.dwAvailPhys, m.dwAvailPhys >> 20),
                                     Format("Total Swapfile Size : %lu (%luMB)", used, used >> 20),
                                     Format("System Memory Load : %lu%%", m.dwMemoryLoad)};
        POINT origin = {0, 0};
        GetClientRect(mainWnd, &client);
        ClientToScreen(mainWnd, &origin);
        Image shown = Capture(origin.x, origin.y, client.right, client.bottom);
        Image expected = Capture(0, 0, shown.width, shown.height, [&](HDC mem) {
            FillRect(mem, &client, GetSysColorBrush(COLOR_WINDOW));
            SelectObject(mem, GetStockObject(SYSTEM_FONT));
            for (int i = 0, y[] = {0, 30, 45, 60, 75}; i < 5; i++)
                TextOutA(mem, 0, y[i], lines[i].c_str(), (int)lines[i].size());
        });
        return shown.width > 0 && shown.pixels == expected.pixels;
    }, 15000);
    Check(same && client.bottom >= 75 + 16, // the last line, in the system font
          Format("%s: the five lines whole, with the figures of a large-address-aware program", name),
          Format("client area %ld rows", client.bottom));
}

enum Picture { NO_ICON, NEUTRAL, GAIN, LOSS };

// Our icon is the only yellow face at the right of the taskbar; the colours
// around it tell the picture.
static Picture TrayPicture(POINT *centre)
{
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    Image s = Capture(width / 2, height - 48, width / 2, 48);
    int left = s.width, right = -1, top = s.height, bottom = -1, blue = 0, red = 0, silver = 0;
    for (int y = 0; y < s.height; y++)
        for (int x = 0; x < s.width; x++)
            if (s.At(x, y) == 0xFFFF00)
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = y;
    for (int y = top - 3; y <= bottom + 3 && y < s.height; y++)
        for (int x = left - 3; x <= right + 3 && x < s.width; x++) {
            DWORD c = s.At(x, y);
            blue += c == 0x0000FF || c == 0x00FFFF, red += c == 0xFF0000 || c == 0xFF00FF, silver += c == 0xC0C0C0;
        }
    *centre = {width / 2 + (left + right) / 2, height - 48 + (top + bottom) / 2};
    return right < 0 ? NO_ICON : blue > 4 && !red ? GAIN : red > 4 && !blue ? LOSS : silver > 4 ? NEUTRAL : NO_ICON;
}

static void ClickTray()
{
    POINT at;
    TrayPicture(&at), Click(at);
}

// --- the scenarios ---

static void WindowAndResources()
{
    LONG style = GetWindowLongA(mainWnd, GWL_STYLE), exStyle = GetWindowLongA(mainWnd, GWL_EXSTYLE);
    Check((style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) ==
                  (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX) && (exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST)) ==
                  (WS_EX_TOOLWINDOW | WS_EX_TOPMOST) && GetMenu(mainWnd),
          "window: captioned tool window, topmost, minimize box only, a menu bar");
    // Menus do not cross processes under Wine: read it from the exe, drive the bar by keyboard.
    HMODULE image = LoadLibraryExA(quenmarExe, NULL, LOAD_LIBRARY_AS_DATAFILE);
    HMENU bar = LoadMenuA(image, "MainMenu");
    std::string items;
    for (HMENU menu : {bar, GetSubMenu(bar, 0)})
        for (int i = 0; i < GetMenuItemCount(menu); i++) {
            char text[32] = "";
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            items += Format("%s=%d ", text, (int)GetMenuItemID(menu, i));
        }
    Check(items == "File=-1 About=102 Hide=104 Heavy Clean=101 Small Clean=103 =0 Exit=105 ",
          "menu \"MainMenu\": File (Heavy Clean, Small Clean, a separator, Exit), About, Hide", items);
    std::vector<char> version(GetFileVersionInfoSizeA(quenmarExe, NULL) + 1);
    VS_FIXEDFILEINFO *fixed = NULL;
    UINT length;
    GetFileVersionInfoA(quenmarExe, 0, (DWORD)version.size(), version.data());
    VerQueryValueA(version.data(), "\\", (void **)&fixed, &length);
    DWORD file = fixed ? fixed->dwFileVersionMS : 0, product = fixed ? fixed->dwProductVersionMS : 0;
    Check(file == 0x10004 && product == 0x10004, "version resource: file and product 1.04", Format("%lx %lx", file, product));
}

static void Tray()
{
    Keys({VK_F10, VK_RIGHT, VK_RIGHT, VK_RETURN});
    Check(Shown(false), "menu: Hide hides the window");
    // Available memory moves at every look, so that every tick sees the change however
    // slowly the screen is read; above 2 GiB, where a program capped there would see none.
    const char *const names[] = {"none", "neutral", "gain", "loss"};
    unsigned long availMiB = 3000;
    for (int step : {1, 0, -1}) {
        Picture expected = step > 0 ? GAIN : step < 0 ? LOSS : NEUTRAL, shown = NO_ICON;
        POINT at;
        bool ok = WaitFor([&] { return SetAvailable(availMiB += step), (shown = TrayPicture(&at)) == expected; });
        Check(ok, Format("tray, hidden: available memory %s shows the %s picture",
                         step > 0 ? "rising" : step < 0 ? "falling" : "held", names[expected]), names[shown]);
    }
    Check((ClickTray(), Shown(true)), "tray: a left click shows the window again");
    RECT before, after;
    GetWindowRect(mainWnd, &before);
    PostMessageA(mainWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    bool minimized = WaitFor([] { return IsIconic(mainWnd) != 0; });
    bool hidden = (ClickTray(), Shown(false));
    bool back = (ClickTray(), WaitFor([&] { return IsWindowVisible(mainWnd) && !IsIconic(mainWnd); }));
    GetWindowRect(mainWnd, &after);
    Check(minimized && hidden && back && EqualRect(&before, &after),
          "tray, after a minimize: a click hides, the next shows it restored at its place and size");
}

// Windows 10's caption and menu bar heights, in twips as Windows keeps them.
static void Windows10Metrics(bool set)
{
    HKEY key;
    RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop\\WindowMetrics", &key);
    for (const char *value : {"SmCaptionHeight\0-330", "MenuHeight\0-285"}) // name, then data
        set ? RegSetValueExA(key, value, 0, REG_SZ, (const BYTE *)value + strlen(value) + 1, 5)
            : RegDeleteValueA(key, value);
    RegCloseKey(key);
}

// A real click on the caption's close button, where the window's own hit test has it.
static void ClickCloseButton()
{
    RECT r;
    GetWindowRect(mainWnd, &r);
    POINT at = {r.right - 12, r.top + 11}; // inside it at Wine's metrics and at Windows 10's
    if (SendMessageA(mainWnd, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)) == HTCLOSE)
        Click(at);
}

// Ends a copy already running on this desktop as a user would: OK on the
// About box if it is up, then File > Exit.
static int ExitRunning()
{
    if (!WaitFor([] { return (mainWnd = FindWindowA("MyClass", "Quenmar")) != NULL; }, 180000))
        return 1;
    CloseBox(FindBox("About Quenmar"));
    Keys({VK_F10, VK_RETURN, VK_UP, VK_RETURN});
    return WaitFor([] { return !IsWindow(mainWnd); }, 30000) ? 0 : 1;
}

int main(int argc, char **argv)
{
    if (argc == 2 && !strcmp(argv[1], "exit"))
        return ExitRunning();
    if (argc != 3)
        return fprintf(stderr, "usage: driver QUENMAR_EXE MEMINFO | driver exit\n"), 2;
    quenmarExe = argv[1], meminfoPath = argv[2];
    SetAvailable(3000);
    for (bool windows10 : {false, true}) {
        Windows10Metrics(windows10);
        if (!Launch())
            continue;
        Check(CloseBox(FindBox("About Quenmar")) && IsWindow(mainWnd), "start-up: the About box is up, OK closes it");
        PanelMatches(windows10 ? "panel, with Windows 10's caption and menu bar" : "panel");
        if (windows10) {
            ClickCloseButton(), Ends("the close button");
            continue;
        }
        WindowAndResources();
        Tray();
        // Wine reports no private usage for another process; a written block is resident.
        PROCESS_MEMORY_COUNTERS m = {sizeof m};
        auto ResidentMiB = [&] { return GetProcessMemoryInfo(quenmar.hProcess, &m, sizeof m), m.WorkingSetSize >> 20; };
        unsigned long before = ResidentMiB(), held, after = 0;
        Keys({VK_F10, VK_RETURN, VK_RETURN});
        std::string text;
        HWND box = FindBox("Vev Arivezu", &text);
        held = ResidentMiB();
        Check(text == "RAM Cleaned" && held > before + 256, "Heavy Clean: \"RAM Cleaned\", the block held",
              Format("'%s', %lu MiB resident before, %lu MiB with the box", text.c_str(), before, held));
        bool released = CloseBox(box) && WaitFor([&] { return (after = ResidentMiB()) < before + 32; });
        Check(released, "Heavy Clean: OK closes the box and gives the block back", Format("%lu MiB after", after));
        Keys({VK_F10, VK_RETURN, VK_UP, VK_RETURN});
        Ends("menu: Exit");
    }
    Windows10Metrics(false); // the prefix as it was
    printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
