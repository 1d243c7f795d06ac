// The main window: its class, the window itself, the window procedure with the
// one-second tick, painting, the menu commands and the tray icon's click.
#include "shell/shell.h"
#include "version.h"

#include <algorithm>

BYTE windowVisible;

ATOM RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = iconNeutral;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(uintptr_t)(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAIN_MENU;
    wc.lpszClassName = MAIN_CLASS;
    return RegisterClassA(&wc);
}

// The outer size that shows the panel whole, every line to its end and the last
// to its foot, inside the frame, caption and menu bar; never below 300 by 130.
SIZE MainWindowSize(const RECT &frame, LONG lineHeight, LONG widestLine)
{
    LONG width = frame.right - frame.left + widestLine;
    LONG height = frame.bottom - frame.top + PANEL_LINE_Y[PANEL_LINES - 1] + lineHeight;
    return SIZE{std::max(width, MAIN_MIN_WIDTH), std::max(height, MAIN_MIN_HEIGHT)};
}

// An overlapped window always gets a caption, but AdjustWindowRectEx cannot see
// WS_OVERLAPPED (it is 0), so the frame is measured with WS_CAPTION. The menu
// comes from the class. A fresh DC holds the font the panel is drawn in.
HWND CreateMainWindow(HINSTANCE instance)
{
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, TRUE, WS_EX_TOOLWINDOW);
    TEXTMETRICA font = {};
    HDC dc = GetDC(NULL);
    GetTextMetricsA(dc, &font);
    LONG widest = WidestPanelLine(dc);
    ReleaseDC(NULL, dc);
    SIZE size = MainWindowSize(frame, font.tmHeight, widest);
    return CreateWindowExA(WS_EX_TOOLWINDOW, MAIN_CLASS, "Quenmar", WS_OVERLAPPED | WS_SYSMENU | WS_MINIMIZEBOX,
                           CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy, NULL, NULL, instance, NULL);
}

void ShowAboutBox(HWND hwnd)
{
    MessageBoxA(hwnd,
                "Quenmar watches physical memory and cleans it\n\r"
                "Written by the Quenmar developers\n\r"
                "Version " QUENMAR_VERSION "\n\r"
                "https://quenmar.example.org/",
                "About Quenmar", MB_ICONINFORMATION);
}

// A tool window has no taskbar button to restore it from: shown from the tray,
// a minimized window is restored as well.
static void SetWindowShown(HWND hwnd, bool shown)
{
    ShowWindow(hwnd, !shown ? SW_HIDE : IsIconic(hwnd) ? SW_RESTORE : SW_SHOW);
    windowVisible = shown;
}

static void Repaint(HWND hwnd)
{
    InvalidateRect(hwnd, NULL, TRUE);
    UpdateWindow(hwnd);
}

static void OnPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    paintDC = BeginPaint(hwnd, &ps);
    UpdateStatus(hwnd, STATUS_PAINT);
    EndPaint(hwnd, &ps);
}

static void OnTrayNotify(HWND hwnd, LPARAM mouseMessage)
{
    if (mouseMessage == WM_LBUTTONDOWN)
        SetWindowShown(hwnd, !windowVisible);
}

// The whole wParam is the command: one with a non-zero high word is not ours.
static bool OnCommand(HWND hwnd, WPARAM command)
{
    switch (command) {
    case IDM_HEAVYCLEAN:
        CleanMemory(hwnd, CLEAN_HEAVY);
        return true;
    case IDM_ABOUT:
        ShowAboutBox(hwnd);
        return true;
    case IDM_SMALLCLEAN:
        CleanMemory(hwnd, CLEAN_SMALL);
        return true;
    case IDM_HIDE:
        SetWindowShown(hwnd, false);
        return true;
    case IDM_EXIT:
        DestroyWindow(hwnd);
        return true;
    }
    return false;
}

// The repaint runs the paint inside this tick when the window is shown, so the
// schedule sees the trend that paint left.
static void OnTick(HWND hwnd)
{
    UpdateStatus(hwnd, STATUS_TICK);
    Repaint(hwnd);
    ScheduleTick(hwnd);
}

static void OnTaskbarCreated(HWND hwnd)
{
    char tip[STATUS_TEXT_SIZE];
    FormatTip(tip, sizeof tip);
    RestoreTrayIcon(hwnd, tip);
}

static void OnMouseMove(HWND hwnd, WPARAM keys)
{
    if (keys == MK_LBUTTON)
        Repaint(hwnd);
}

// What another program or the shell sends during a clean's fill is run
// inside it: a command or a tray click is posted again, to come after the
// fill, and a tick is let go, as ticks missed while busy always are.
static LRESULT DeferUntilFilled(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER)
        return 100;
    PostMessageA(hwnd, msg, wParam, lParam);
    return 0;
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (cleanFilling && (msg == WM_COMMAND || msg == WM_TRAYNOTIFY || msg == WM_TIMER))
        return DeferUntilFilled(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        OnPaint(hwnd);
        return 0;
    case WM_TRAYNOTIFY:
        OnTrayNotify(hwnd, lParam);
        return 0;
    case WM_COMMAND:
        if (OnCommand(hwnd, wParam))
            return 0;
        break;
    case WM_TIMER:
        OnTick(hwnd);
        return 100;
    case WM_MOUSEMOVE:
        OnMouseMove(hwnd, wParam);
        return 0;
    default:
        if (taskbarCreatedMsg != 0 && msg == taskbarCreatedMsg) {
            OnTaskbarCreated(hwnd);
            return 0;
        }
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
