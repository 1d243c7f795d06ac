// Benchmark, not a test: the floor of a tick. A tool window of the program's
// size that does only what a tick must, and nothing to decide it: one memory
// snapshot, the tray icon's modify (and a second from the repaint when shown),
// and the five lines repainted. bench_ticks times it beside the program.
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>

#include "res/resource.h"

static MEMORYSTATUSEX memory;
static HICON icon;

static void Modify(HWND window)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE, data.hWnd = window, data.uFlags = NIF_ICON | NIF_TIP, data.hIcon = icon;
    snprintf(data.szTip, 64, "RAM : %llu/%lluMb", memory.ullAvailPhys >> 20, memory.ullTotalPhys >> 20);
    Shell_NotifyIconA(NIM_MODIFY, &data);
}

static void Paint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    Modify(window);
    ULONGLONG used = memory.ullTotalPageFile > memory.ullAvailPageFile ? memory.ullTotalPageFile - memory.ullAvailPageFile : 0;
    char lines[5][80];
    snprintf(lines[0], 80, "Tamsel's Memory Defragger");
    snprintf(lines[1], 80, "Total Physical RAM : %llu (%lluMB)", memory.ullTotalPhys, memory.ullTotalPhys >> 20);
    snprintf(lines[2], 80, "Available Physical RAM : %llu (%lluMB)", memory.ullAvailPhys, memory.ullAvailPhys >> 20);
    snprintf(lines[3], 80, "Total Swapfile Size : %llu (%lluMB)", used, used >> 20);
    snprintf(lines[4], 80, "System Memory Load : %lu%%", memory.dwMemoryLoad);
    const int y[] = {0, 30, 45, 60, 75};
    for (int line = 0; line < 5; line++)
        TextOutA(dc, 0, y[line], lines[line], lstrlenA(lines[line]));
    EndPaint(window, &ps);
}

static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_TIMER:
        memory.dwLength = sizeof memory, GlobalMemoryStatusEx(&memory);
        Modify(window);
        InvalidateRect(window, NULL, TRUE), UpdateWindow(window);
        return 100;
    case WM_PAINT:
        return Paint(window), 0;
    case WM_COMMAND:
        if (wParam == IDM_HIDE)
            ShowWindow(window, SW_HIDE);
        else if (wParam == IDM_EXIT)
            DestroyWindow(window);
        return 0;
    case 120: // the tray's click
        ShowWindow(window, IsWindowVisible(window) ? SW_HIDE : SW_SHOW);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    icon = LoadIconA(instance, "Vellitor");
    WNDCLASSA wc = {0, Procedure, 0, 0, instance, icon, LoadCursorA(NULL, IDC_ARROW), (HBRUSH)(COLOR_WINDOW + 1),
                    NULL, "TickFloor"};
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "TickFloor", "Tick floor", WS_OVERLAPPED | WS_SYSMENU, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 366, 132, NULL, NULL, instance, NULL);
    ShowWindow(window, SW_SHOW);
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE, data.hWnd = window, data.uFlags = NIF_ICON | NIF_MESSAGE;
    data.uCallbackMessage = 120, data.hIcon = icon;
    Shell_NotifyIconA(NIM_ADD, &data);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0))
        DispatchMessageA(&msg);
    Shell_NotifyIconA(NIM_DELETE, &data);
    return 0;
}
