// The end-to-end primitives: the program under Wine driven as a user would,
// and what the screen shows checked against what it should show.
#include "tests/e2e/e2e.h"

#include <stdio.h>

#include <algorithm>

const char *quenmarExe, *meminfoPath, *shotsDir;
PROCESS_INFORMATION quenmar;
HWND mainWnd;

std::string Format(const char *format, ...)
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
void SetAvailable(unsigned long mib)
{
    FILE *file = fopen(meminfoPath, "r+b");
    fprintf(file, "MemTotal: %8lu kB\nMemFree: %8lu kB\nMemAvailable: %8lu kB\nBuffers: 0 kB\nCached: 0 kB\n"
                  "SwapTotal: 1048576 kB\nSwapFree: 524288 kB\n", 8192ul << 10, mib << 10, mib << 10), fclose(file);
}

// The screen's pixels in r (0xRRGGBB, row by row), with draw painted over them.
std::vector<DWORD> Capture(RECT r, const std::function<void(HDC)> &draw)
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
void Repaint(HWND window)
{
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// With a folder for pictures, the screen's pixels in r go there as NAME.ppm.
void Save(const std::string &name, RECT r)
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
bool FindMain(DWORD ms)
{
    return WaitFor([] {
        DWORD pid = 0;
        GetWindowThreadProcessId(mainWnd = FindWindowA("MyClass", "Quenmar"), &pid);
        return mainWnd && (!quenmar.dwProcessId || pid == quenmar.dwProcessId);
    }, ms);
}

HWND FindBox(const char *caption, DWORD ms)
{
    HWND box = NULL;
    WaitFor([&] { return (box = FindWindowA("#32770", caption)) != NULL; }, ms);
    return box;
}

// Waits for a box by its caption, runs whileOpen, presses OK and waits for the box
// to go. Its text (in the static control 0xFFFF), or "" if it never came or stayed.
std::string AnswerBox(const char *caption, const std::function<void(HWND)> &whileOpen)
{
    HWND box = FindBox(caption, 20000);
    char text[512] = "";
    if (!box)
        return "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    if (whileOpen)
        whileOpen(box);
    PostMessageA(box, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(box, IDOK));
    return WaitFor([&] { return !IsWindow(box); }) ? text : "";
}

void StartQuenmar()
{
    STARTUPINFOA startup = {sizeof startup};
    CreateProcessA(quenmarExe, NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &quenmar);
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

// A chord of real key presses on a window brought to the front.
void Press(HWND window, std::initializer_list<WORD> chord)
{
    Front(window), Send(chord);
}

// Real key presses on the main window, one after another: F10 opens its menu bar at "File".
void Keys(std::initializer_list<WORD> keys)
{
    Front(mainWnd);
    for (WORD key : keys)
        Send({key});
}

std::string clickedOn;

// Real presses of a button at a point of the screen, spaced beyond the
// double-click time from what came before; presses above one come at once,
// within it. Each carries its own position: a cursor moved just before can
// be put back by a pointer event that Wine had not yet taken in. The cursor
// waits off the point and presses soon after it comes: under Wine a press on
// the tray icon after the cursor had rested there, with the icon's tip up in
// a window of its own, now and then never reached the program.
void Click(POINT at, DWORD down, DWORD up, int presses)
{
    auto place = [](POINT p) {
        INPUT move = {INPUT_MOUSE, {{MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1),
                                     MulDiv(std::max(p.y, 0L), 65535, GetSystemMetrics(SM_CYSCREEN) - 1), 0,
                                     MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE}}};
        return move;
    };
    INPUT input = place({at.x, at.y - 64});
    SendInput(1, &input, sizeof input), Sleep(GetDoubleClickTime() + 200);
    input = place(at);
    SendInput(1, &input, sizeof input), Sleep(100);
    char name[64] = "";
    GetClassNameA(WindowFromPoint(at), name, sizeof name);
    clickedOn = name;
    for (int i = 0; i < presses; i++)
        for (DWORD action : {down, up})
            input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | action, SendInput(1, &input, sizeof input),
            Sleep(presses > 1 ? 30 : 100);
}

bool Shown(bool visible)
{
    return WaitFor([&] { return (IsWindowVisible(mainWnd) != 0) == visible; });
}

// Within ms, exactly the five lines drawn here, in the default font on the
// window colour, from the figures this large-address-aware driver is given;
// and each of them whole, to its last column and its last row, in the client
// area. detail says what was seen.
bool PanelDrawn(DWORD ms, std::string &detail)
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
    }, ms);
    RECT outer;
    GetWindowRect(mainWnd, &outer);
    detail = Format("%s, window %ldx%ld, client area %ldx%ld", same ? "same pixels" : "other pixels",
                    outer.right - outer.left, outer.bottom - outer.top, client.right - client.left,
                    client.bottom - client.top);
    return same && whole;
}

const char *const pictureNames[] = {"none", "neutral", "gain", "loss"};
POINT trayFace; // the centre of the face found last

// Our icon is the only yellow face in the right half of the taskbar; the colours
// around it tell the picture. With click, it is clicked as well. The taskbar is painted again first, background
// and all: Wine 10 draws a changed icon over the old one without erasing it,
// which would leave the last picture's halo around a plain face.
Picture TrayPicture(bool click)
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
