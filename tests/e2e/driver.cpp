// End-to-end driver, run under Wine beside the real quenmar.exe: starts it as
// a user would, drives it with real messages and real mouse input, and checks
// what a user sees. One line per check, then "N passed, N failed".
//
// driver.exe QUENMAR_EXE MEMINFO SHOTS_DIR
//   MEMINFO: the file that stands for /proc/meminfo in this Wine's mount
//   namespace, rewritten in place to move available memory; "-" to leave memory alone.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "res/resource.h"

static int passed, failed;
static const char *quenmarExe, *meminfoPath, *shotsDir;
static PROCESS_INFORMATION quenmar;
static HWND mainWnd;

static void Check(bool ok, const char *what, const std::string &detail = "")
{
    printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what, detail.empty() ? "" : ": ", detail.c_str());
    fflush(stdout);
    (ok ? passed : failed)++;
}

template <class Condition> static bool WaitFor(Condition condition, DWORD ms)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(100);
    }
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

// --- the machine's memory, as Wine reads it ---

static void SetAvailable(DWORD mib)
{
    if (!strcmp(meminfoPath, "-"))
        return;
    // Same length every time: the file is rewritten in place, never replaced.
    std::string text = Format("MemTotal:       %8lu kB\nMemFree:        %8lu kB\nMemAvailable:   %8lu kB\n"
                              "Buffers:               0 kB\nCached:                0 kB\n"
                              "SwapTotal:       1048576 kB\nSwapFree:         524288 kB\n",
                              4096ul * 1024, mib * 1024ul, mib * 1024ul);
    HANDLE file = CreateFileA(meminfoPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE) {
        WriteFile(file, text.data(), (DWORD)text.size(), &written, NULL);
        CloseHandle(file);
    }
    if (written != text.size())
        Check(false, "set available memory", Format("cannot write %s", meminfoPath));
}

// Memory the program's pages really take; Wine reports no private usage for
// another process, and a written block is resident until it is given back.
static SIZE_T ResidentBytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(quenmar.hProcess, &counters, sizeof counters);
    return counters.WorkingSetSize;
}

// --- pixels ---

struct Image {
    int width = 0, height = 0;
    std::vector<DWORD> pixels; // 0x00RRGGBB, top-down
    DWORD At(LONG x, LONG y) const { return pixels[y * width + x] & 0xFFFFFF; }
};

static HBITMAP NewBitmap(HDC dc, int width, int height, void **bits)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, NULL, 0);
}

// Runs draw on a memory DC of the given size and returns what it drew.
template <class Draw> static Image Draw32(int width, int height, Draw draw)
{
    Image image;
    image.width = width, image.height = height;
    HDC screen = GetDC(NULL);
    HDC mem = CreateCompatibleDC(screen);
    void *bits = NULL;
    HBITMAP bitmap = NewBitmap(screen, width, height, &bits);
    HGDIOBJ old = SelectObject(mem, bitmap);
    draw(mem);
    GdiFlush();
    image.pixels.assign((DWORD *)bits, (DWORD *)bits + width * height);
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    return image;
}

static Image CaptureScreen(int x, int y, int width, int height)
{
    return Draw32(width, height, [&](HDC mem) {
        HDC screen = GetDC(NULL);
        BitBlt(mem, 0, 0, width, height, screen, x, y, SRCCOPY);
        ReleaseDC(NULL, screen);
    });
}

static void Save(const Image &image, const char *name)
{
    std::string path = std::string(shotsDir) + "\\" + name + ".bmp";
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = image.width;
    info.biHeight = -image.height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    DWORD size = (DWORD)image.pixels.size() * 4;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + size;
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return;
    fwrite(&file, sizeof file, 1, f);
    fwrite(&info, sizeof info, 1, f);
    for (DWORD pixel : image.pixels) {
        pixel |= 0xFF000000; // opaque: viewers read the fourth byte as alpha
        fwrite(&pixel, 4, 1, f);
    }
    fclose(f);
}

static void SaveScreen(const char *name)
{
    Save(CaptureScreen(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)), name);
}

// --- the program's windows ---

static bool Running()
{
    return WaitForSingleObject(quenmar.hProcess, 0) == WAIT_TIMEOUT;
}

static bool Launch()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string command = std::string("\"") + quenmarExe + "\"";
    if (!CreateProcessA(quenmarExe, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &quenmar)) {
        Check(false, "start quenmar.exe", Format("error %lu", GetLastError()));
        return false;
    }
    // The window of this process: an earlier copy may still be about.
    auto ours = [] {
        for (mainWnd = FindWindowExA(NULL, NULL, "MyClass", "Quenmar"); mainWnd;
             mainWnd = FindWindowExA(NULL, mainWnd, "MyClass", "Quenmar")) {
            DWORD pid = 0;
            GetWindowThreadProcessId(mainWnd, &pid);
            if (pid == quenmar.dwProcessId)
                return true;
        }
        return false;
    };
    bool found = WaitFor(ours, 120000);
    Check(found, "start-up: a window of class \"MyClass\" titled \"Quenmar\"");
    return found;
}

static HWND FindBox(const char *caption)
{
    HWND box = NULL;
    WaitFor([&] { return (box = FindWindowA("#32770", caption)) != NULL; }, 20000);
    return box;
}

struct BoxContents {
    std::string text;
    HWND icon = NULL;
};

static BoxContents ReadBox(HWND box)
{
    BoxContents contents;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32], text[512];
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static"))
            continue;
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            contents.icon = child;
        else if (GetWindowTextA(child, text, sizeof text) > 0)
            contents.text += text;
    }
    return contents;
}

// Whether an icon control shows the system icon: its pixels on screen against
// the icon drawn here on the same background.
static bool ShowsIcon(HWND control, LPCSTR systemIcon)
{
    RECT r;
    GetWindowRect(control, &r);
    const int size = 32;
    Image shown = CaptureScreen(r.left, r.top, size, size);
    Image expected = Draw32(size, size, [&](HDC mem) {
        RECT all = {0, 0, size, size};
        HBRUSH background = CreateSolidBrush(RGB(shown.At(0, 0) >> 16, shown.At(0, 0) >> 8 & 0xFF, shown.At(0, 0) & 0xFF));
        FillRect(mem, &all, background);
        DeleteObject(background);
        DrawIconEx(mem, 0, 0, LoadIconA(NULL, systemIcon), size, size, 0, NULL, DI_NORMAL);
    });
    for (size_t i = 0; i < shown.pixels.size(); i++)
        if ((shown.pixels[i] ^ expected.pixels[i]) & 0xFFFFFF)
            return false;
    return true;
}

static bool CloseBox(HWND box)
{
    PostMessageA(box, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(box, IDOK));
    return WaitFor([&] { return !IsWindow(box); }, 20000);
}

static std::string MenuText(HMENU menu, UINT position)
{
    char text[64] = "";
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

// --- the panel ---

static std::vector<std::string> ExpectedPanel()
{
    MEMORYSTATUS m;
    m.dwLength = sizeof m;
    GlobalMemoryStatus(&m);
    unsigned long used = m.dwTotalPageFile > m.dwAvailPageFile ? m.dwTotalPageFile - m.dwAvailPageFile : 0;
    return {
        "Tamsel's Memory Defragger",
        Format("Total Physical RAM : %lu (%luMB)", (unsigned long)m.dwTotalPhys, (unsigned long)m.dwTotalPhys >> 20),
        Format("Available Physical RAM : %lu (%luMB)", (unsigned long)m.dwAvailPhys, (unsigned long)m.dwAvailPhys >> 20),
        Format("Total Swapfile Size : %lu (%luMB)", used, used >> 20),
        Format("System Memory Load : %lu%%", (unsigned long)m.dwMemoryLoad),
    };
}

// The panel as the program must draw it: the lines at their positions, in the
// default font, on the window colour.
static Image RenderPanel(int width, int height, const std::vector<std::string> &lines)
{
    static const int y[] = {0, 30, 45, 60, 75};
    return Draw32(width, height, [&](HDC mem) {
        RECT all = {0, 0, width, height};
        FillRect(mem, &all, GetSysColorBrush(COLOR_WINDOW));
        SelectObject(mem, GetStockObject(SYSTEM_FONT));
        for (size_t i = 0; i < lines.size(); i++)
            TextOutA(mem, 0, y[i], lines[i].c_str(), (int)lines[i].size());
    });
}

static Image CaptureClient()
{
    RECT client;
    GetClientRect(mainWnd, &client);
    POINT origin = {0, 0};
    ClientToScreen(mainWnd, &origin);
    return CaptureScreen(origin.x, origin.y, client.right, client.bottom);
}

// Waits until the window shows exactly the panel expected from the memory
// status this driver reads itself; on a timeout saves both pictures.
static bool PanelMatches(const char *name, DWORD ms)
{
    Image shown, expected;
    bool same = WaitFor(
        [&] {
            shown = CaptureClient();
            expected = RenderPanel(shown.width, shown.height, ExpectedPanel());
            return shown.width > 0 && shown.pixels == expected.pixels;
        },
        ms);
    Save(shown, name);
    if (!same)
        Save(expected, (std::string(name) + "-expected").c_str());
    return same;
}

// --- the tray ---

enum Picture { NO_ICON, NEUTRAL, GAIN, LOSS };
static const char *const PICTURE_NAMES[] = {"none", "neutral", "gain", "loss"};

struct TrayIcon {
    RECT box;
    Picture picture;
};

// Our icon is the only yellow face in the notification area at the right of the
// taskbar; its halo's colours tell the picture.
static TrayIcon FindTrayIcon()
{
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const int strip = 48;
    Image image = CaptureScreen(width / 2, height - strip, width / 2, strip);
    TrayIcon icon = {{width, height, -1, -1}, NO_ICON};
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++)
            if (image.At(x, y) == 0xFFFF00) {
                icon.box.left = std::min(icon.box.left, (LONG)x), icon.box.right = std::max(icon.box.right, (LONG)x);
                icon.box.top = std::min(icon.box.top, (LONG)y), icon.box.bottom = std::max(icon.box.bottom, (LONG)y);
            }
    if (icon.box.right < 0)
        return icon;
    int blue = 0, red = 0, silver = 0;
    for (LONG y = std::max(0L, icon.box.top - 3); y <= std::min((LONG)image.height - 1, icon.box.bottom + 3); y++)
        for (LONG x = std::max(0L, icon.box.left - 3); x <= std::min((LONG)image.width - 1, icon.box.right + 3); x++) {
            DWORD c = image.At(x, y);
            blue += c == 0x0000FF || c == 0x00FFFF;
            red += c == 0xFF0000 || c == 0xFF00FF;
            silver += c == 0xC0C0C0;
        }
    icon.picture = blue > 4 && !red ? GAIN : red > 4 && !blue ? LOSS : !blue && !red && silver > 4 ? NEUTRAL : NO_ICON;
    OffsetRect(&icon.box, width / 2, height - strip);
    return icon;
}

static bool TrayShows(Picture picture, DWORD ms)
{
    return WaitFor([&] { return FindTrayIcon().picture == picture; }, ms);
}

// A real press and release of a mouse button at a point of the screen.
static void Click(int x, int y, DWORD down, DWORD up)
{
    SetCursorPos(x, y);
    Sleep(200);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = down;
    input[1].mi.dwFlags = up;
    SendInput(2, input, sizeof(INPUT));
}

// Clicks are spaced beyond the double-click time: a second press within it
// reaches the program as a double click, which does not toggle the window.
static void ClickTray(DWORD down, DWORD up)
{
    Sleep(GetDoubleClickTime() + 200);
    TrayIcon icon = FindTrayIcon();
    Click((icon.box.left + icon.box.right) / 2, (icon.box.top + icon.box.bottom) / 2, down, up);
}

static bool VisibleBecomes(bool visible, DWORD ms)
{
    return WaitFor([&] { return (IsWindowVisible(mainWnd) != 0) == visible; }, ms);
}

// --- the scenarios ---

static void StartUp()
{
    HWND about = FindBox("About Quenmar");
    Check(about != NULL, "start-up: the About box \"About Quenmar\" is open");
    if (!about)
        return;
    SaveScreen("about");
    BoxContents box = ReadBox(about);
    int lines = 1;
    for (char c : box.text)
        lines += c == '\n';
    std::string shown = box.text;
    for (char &c : shown)
        c = c == '\n' ? '|' : c == '\r' ? '~' : c;
    Check(lines == 4 && box.text.find("Version 1.04") != std::string::npos, "About box: four lines with the version",
          shown);
    Check(box.icon && ShowsIcon(box.icon, IDI_INFORMATION), "About box: the information icon");
    Check(GetWindow(about, GW_OWNER) == mainWnd, "About box: owned by the main window");
    Check(CloseBox(about) && Running() && IsWindow(mainWnd), "About box: OK closes it and the program runs on");
}

static void WindowAndMenu()
{
    LONG style = GetWindowLongA(mainWnd, GWL_STYLE), exStyle = GetWindowLongA(mainWnd, GWL_EXSTYLE);
    Check((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU) && (style & WS_MINIMIZEBOX) &&
              !(style & WS_MAXIMIZEBOX) && !(style & WS_THICKFRAME),
          "window: caption, system menu, minimize box, no maximize box, no sizing border", Format("0x%lx", style));
    Check((exStyle & WS_EX_TOOLWINDOW) && (exStyle & WS_EX_TOPMOST), "window: tool window, topmost",
          Format("0x%lx", exStyle));
    RECT r;
    GetWindowRect(mainWnd, &r);
    Check(r.right - r.left == 300 && r.bottom - r.top == 130, "window: 300 by 130",
          Format("%ldx%ld", r.right - r.left, r.bottom - r.top));

    // Menus do not cross processes under Wine: read the menu from the exe's
    // resources, and drive the window's menu bar with the keyboard below.
    Check(GetMenu(mainWnd) != NULL, "window: has a menu bar");
    HMODULE image = LoadLibraryExA(quenmarExe, NULL, LOAD_LIBRARY_AS_DATAFILE);
    HMENU bar = LoadMenuA(image, "MainMenu"), file = GetSubMenu(bar, 0);
    Check(GetMenuItemCount(bar) == 3 && MenuText(bar, 0) == "File" && MenuText(bar, 1) == "About" &&
              MenuText(bar, 2) == "Hide" && GetMenuItemID(bar, 1) == IDM_ABOUT && GetMenuItemID(bar, 2) == IDM_HIDE,
          "menu \"MainMenu\": File, About, Hide");
    MENUITEMINFOA separator = {};
    separator.cbSize = sizeof separator;
    separator.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(file, 2, TRUE, &separator);
    Check(GetMenuItemCount(file) == 4 && MenuText(file, 0) == "Heavy Clean" &&
              GetMenuItemID(file, 0) == IDM_HEAVYCLEAN && MenuText(file, 1) == "Small Clean" &&
              GetMenuItemID(file, 1) == IDM_SMALLCLEAN && (separator.fType & MFT_SEPARATOR) &&
              MenuText(file, 3) == "Exit" && GetMenuItemID(file, 3) == IDM_EXIT,
          "menu \"MainMenu\": File holds Heavy Clean, Small Clean, a separator, Exit");
    DestroyMenu(bar);
    FreeLibrary(image);
}

// Whether the program handles a sent message within the time.
static bool Answers(DWORD ms)
{
    DWORD_PTR result;
    return SendMessageTimeoutA(mainWnd, WM_NULL, 0, 0, SMTO_NORMAL, ms, &result) != 0;
}

// Real key presses on the main window: F10 opens its menu bar at "File".
static void Keys(std::initializer_list<WORD> keys)
{
    Answers(60000);
    SetForegroundWindow(mainWnd);
    WaitFor([] { return GetForegroundWindow() == mainWnd; }, 5000);
    for (WORD key : keys) {
        INPUT input[2] = {};
        input[0].type = input[1].type = INPUT_KEYBOARD;
        input[0].ki.wVk = input[1].ki.wVk = key;
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
        Sleep(400);
    }
}

static void Panel()
{
    Check(PanelMatches("panel", 15000), "panel: the five lines at their positions, with this machine's figures");
}

static void Tray()
{
    TrayIcon icon = FindTrayIcon();
    Check(icon.picture == NEUTRAL, "tray: the icon is there, neutral while the window is shown",
          PICTURE_NAMES[icon.picture]);
    ClickTray(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    Check(VisibleBecomes(false, 10000), "tray: a left click hides the window");
    ClickTray(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    Check(VisibleBecomes(true, 10000), "tray: a second left click shows it");
    ClickTray(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    Check(!VisibleBecomes(false, 3000), "tray: a right click does nothing");
    SaveScreen("desktop");
}

static void TrayPictures()
{
    Keys({VK_F10, VK_RIGHT, VK_RIGHT, VK_RETURN});
    Check(VisibleBecomes(false, 10000), "menu: Hide hides the window");
    if (!strcmp(meminfoPath, "-"))
        return;
    const struct {
        DWORD availMiB;
        Picture picture;
        const char *shot, *what;
    } steps[] = {
        {700, GAIN, "tray-gain", "tray, window hidden: more available memory shows the gain picture"},
        {700, NEUTRAL, "tray-neutral", "tray, window hidden: no change shows the neutral picture"},
        {500, LOSS, "tray-loss", "tray, window hidden: less available memory shows the loss picture"},
    };
    for (const auto &s : steps) {
        SetAvailable(s.availMiB);
        bool shown = TrayShows(s.picture, 10000);
        TrayIcon icon = FindTrayIcon();
        int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
        Save(CaptureScreen(std::min(icon.box.left - 24, screenWidth - 48L), screenHeight - 48, 48, 48), s.shot);
        Check(shown, s.what, Format("%s at %ld,%ld-%ld,%ld", PICTURE_NAMES[icon.picture], icon.box.left, icon.box.top, icon.box.right, icon.box.bottom));
    }
    ClickTray(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    Check(VisibleBecomes(true, 10000) && TrayShows(NEUTRAL, 10000),
          "tray: shown again, every tick's repaint puts the neutral picture back");
}

static void Clean(std::initializer_list<WORD> menuKeys, const char *name, bool tickUnderBox)
{
    SIZE_T before = ResidentBytes();
    Keys(menuKeys);
    HWND box = FindBox("Vev Arivezu");
    BoxContents contents = box ? ReadBox(box) : BoxContents();
    bool cleaned = contents.text == "RAM Cleaned";
    Check(cleaned || contents.text == "RAM cannot be locked", Format("%s: the box \"Vev Arivezu\"", name).c_str(),
          contents.text);
    if (!box)
        return;
    SIZE_T held = ResidentBytes();
    if (cleaned)
        Check(held > before + (64u << 20), Format("%s: the block is held while the box is open", name).c_str(),
              Format("%lu MiB before, %lu MiB with the box", (unsigned long)(before >> 20),
                     (unsigned long)(held >> 20)));
    if (tickUnderBox) {
        SetAvailable(450);
        Check(PanelMatches("panel-under-box", 15000), "ticks go on under the box: the panel shows the new figures");
        SaveScreen("clean-box");
    }
    Check(CloseBox(box), Format("%s: OK closes the box", name).c_str());
    SIZE_T after = 0;
    bool released = WaitFor([&] { return (after = ResidentBytes()) < before + (32u << 20); }, 10000);
    Check(released, Format("%s: the block is given back after OK", name).c_str(),
          Format("%lu MiB after", (unsigned long)(after >> 20)));
}

static void AboutFromMenu()
{
    Keys({VK_F10, VK_RIGHT, VK_RETURN});
    HWND about = FindBox("About Quenmar");
    Check(about && ReadBox(about).text.find("Version 1.04") != std::string::npos, "menu: About shows the About box");
    if (about)
        CloseBox(about);
}

// Hours of ticks in a minute: thousands of posted ticks, with the window shown
// and hidden, memory moving, and manual cleans between. Nothing may pile up.
static void Soak(int ticks)
{
    SIZE_T before = ResidentBytes();
    DWORD gdi = GetGuiResources(quenmar.hProcess, GR_GDIOBJECTS), user = GetGuiResources(quenmar.hProcess, GR_USEROBJECTS);
    DWORD start = GetTickCount();
    int answered = 0;
    for (int tick = 1; tick <= ticks; tick++) {
        // Sent, not posted: each tick is handled before the next, so input
        // below does not queue up behind thousands of them.
        DWORD_PTR result = 0;
        answered += SendMessageTimeoutA(mainWnd, WM_TIMER, 1, 0, SMTO_NORMAL, 60000, &result) && result == 100;
        if (tick % 50 == 0)
            SetAvailable(tick % 100 ? 520 : 540);
        if (tick == ticks / 6 || tick == ticks * 5 / 6) {
            Keys({VK_F10, VK_RETURN, VK_DOWN, VK_RETURN});
            if (HWND box = FindBox("Vev Arivezu"))
                CloseBox(box);
        }
        if (tick == ticks / 3 || tick == ticks * 2 / 3)
            ClickTray(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    }
    Check(answered == ticks, "soak: every tick answered 100", Format("%d of %d", answered, ticks));
    bool alive = Answers(30000) && VisibleBecomes(true, 5000);
    SIZE_T after = ResidentBytes();
    Check(alive, Format("soak: after %d ticks in %lu s it still answers, shown", ticks,
                        (unsigned long)(GetTickCount() - start) / 1000).c_str());
    Check(after < before + (16u << 20), "soak: resident memory ends where it began",
          Format("%lu KiB before, %lu KiB after", (unsigned long)(before >> 10), (unsigned long)(after >> 10)));
    DWORD gdiAfter = GetGuiResources(quenmar.hProcess, GR_GDIOBJECTS);
    DWORD userAfter = GetGuiResources(quenmar.hProcess, GR_USEROBJECTS);
    if (gdi || user)
        Check(gdiAfter == gdi && userAfter == user, "soak: GDI and USER objects end where they began",
              Format("GDI %lu -> %lu, USER %lu -> %lu", gdi, gdiAfter, user, userAfter));
    else
        printf("skip soak: GDI and USER object counts (GetGuiResources answers 0 here)\n");
}

// A real click where the window's caption says its close button is.
static void ClickCloseButton()
{
    RECT r;
    GetWindowRect(mainWnd, &r);
    int y = r.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYSMCAPTION) / 2;
    for (int x = r.right - 1; x > r.right - 60; x--)
        if (SendMessageA(mainWnd, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
            Click(x - 2, y, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
            return;
        }
    Check(false, "the close button is on the caption");
}

static void Ends(const char *how)
{
    bool ended = WaitForSingleObject(quenmar.hProcess, 30000) == WAIT_OBJECT_0;
    DWORD code = 259;
    GetExitCodeProcess(quenmar.hProcess, &code);
    Check(ended && code == 0, Format("%s ends the program with exit code 0", how).c_str(), Format("%lu", code));
    if (!ended)
        SaveScreen("not-ended");
    if (!ended) {
        TerminateProcess(quenmar.hProcess, 1);
        WaitForSingleObject(quenmar.hProcess, 10000);
    }
    CloseHandle(quenmar.hProcess);
    CloseHandle(quenmar.hThread);
}

static double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(quenmar.hProcess, &created, &exited, &kernel, &user);
    auto seconds = [](FILETIME t) { return (double)(((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime) * 1e-7; };
    return seconds(kernel) + seconds(user);
}

// The program's own CPU time for one tick, shown and hidden, and while it just
// sits there with its one-second timer. Kept below the 600 ticks at which an
// automatic clean would run.
static void IdleBenchmark()
{
    const int ticks = 250;
    for (int hidden = 0; hidden < 2; hidden++) {
        if (hidden) {
            Keys({VK_F10, VK_RIGHT, VK_RIGHT, VK_RETURN});
            VisibleBecomes(false, 10000);
        }
        double cpu = CpuSeconds(), wall = (double)GetTickCount();
        for (int i = 0; i < ticks; i++) {
            DWORD_PTR result;
            SendMessageTimeoutA(mainWnd, WM_TIMER, 1, 0, SMTO_NORMAL, 60000, &result);
        }
        printf("tick, window %s: %.3f ms CPU, %.3f ms round trip\n", hidden ? "hidden" : "shown",
               (CpuSeconds() - cpu) * 1000 / ticks, ((double)GetTickCount() - wall) / ticks);
    }
    double cpu = CpuSeconds();
    Sleep(20000);
    printf("idle with its own timer, window hidden: %.2f ms CPU per second (process times count in 10 ms steps)\n",
           std::max(0.0, CpuSeconds() - cpu) * 1000 / 20);
}

// Ends a copy of the program already running on this desktop from its menu,
// as a user would: OK on the About box if it is up, then File > Exit.
static int ExitRunning()
{
    if (!WaitFor([] { return (mainWnd = FindWindowA("MyClass", "Quenmar")) != NULL; }, 180000))
        return 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(mainWnd, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (HWND about = FindBox("About Quenmar"))
        CloseBox(about);
    Keys({VK_F10, VK_RETURN, VK_UP, VK_RETURN});
    return process && WaitForSingleObject(process, 30000) == WAIT_OBJECT_0 ? 0 : 1;
}

int main(int argc, char **argv)
{
    if (argc == 2 && !strcmp(argv[1], "exit"))
        return ExitRunning();
    if (argc != 4 && !(argc == 5 && !strcmp(argv[4], "bench"))) {
        fprintf(stderr, "usage: driver QUENMAR_EXE MEMINFO SHOTS_DIR [bench]\n");
        return 2;
    }
    quenmarExe = argv[1], meminfoPath = argv[2], shotsDir = argv[3];
    if (argc == 5) {
        if (!Launch())
            return 1;
        if (HWND about = FindBox("About Quenmar"))
            CloseBox(about);
        IdleBenchmark();
        Keys({VK_F10, VK_RETURN, VK_UP, VK_RETURN});
        Ends("menu: Exit");
        return failed ? 1 : 0;
    }
    SetAvailable(600);

    if (Launch()) {
        StartUp();
        WindowAndMenu();
        AboutFromMenu();
        Panel();
        Tray();
        TrayPictures();
        Clean({VK_F10, VK_RETURN, VK_RETURN}, "Heavy Clean", true);
        Clean({VK_F10, VK_RETURN, VK_DOWN, VK_RETURN}, "Small Clean", false);
        Soak(6000);
        PostMessageA(mainWnd, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 1), 0);
        Check(WaitForSingleObject(quenmar.hProcess, 3000) == WAIT_TIMEOUT && IsWindow(mainWnd),
              "a command with a non-zero high word does nothing");
        Keys({VK_F10, VK_RETURN, VK_UP, VK_RETURN});
        Ends("menu: Exit");
    }

    if (Launch()) {
        HWND about = FindBox("About Quenmar");
        if (about)
            CloseBox(about);
        ClickCloseButton();
        Ends("the close button");
    }

    printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
