// Desktop shell: the tray icon, the status refresh and panel, the main window
// with its menu commands and one-second tick, and start-up.
#pragma once

#include "monitor/monitor.h"
#include "res/resource.h"

#include <stddef.h>

constexpr UINT WM_TRAYNOTIFY = 120; // a fixed number below WM_USER, as the tray was first set up
constexpr UINT_PTR MONITOR_TIMER_ID = 1;
constexpr UINT MONITOR_TICK_MS = 1000;

constexpr BYTE STATUS_PAINT = 0;
constexpr BYTE STATUS_TICK = 1;

constexpr char ICON_GAIN[] = "GainIcon";
constexpr char ICON_LOSE[] = "LoseIcon";
constexpr char ICON_NEUTRAL[] = "Vellitor";
constexpr char MAIN_CLASS[] = "MyClass";
constexpr char MAIN_MENU[] = "MainMenu";

constexpr LONG MAIN_MIN_WIDTH = 300;
constexpr LONG MAIN_MIN_HEIGHT = 130;
constexpr int PANEL_LINES = 5;
// Holds any panel line, whatever its 64-bit figures (64 characters), and the tip.
constexpr size_t STATUS_TEXT_SIZE = 80;
// The window shows every line whole for machines of up to 8 TiB of memory and
// of commit: 13 digits of bytes, 7 of megabytes.
constexpr DWORDLONG PANEL_WIDEST_BYTES = (1ull << 43) - 1;

// trayicon.cpp
extern HICON iconGain, iconLose, iconNeutral;
extern UINT trayIconId;
extern UINT taskbarCreatedMsg;
BOOL AddTrayIcon(HWND hwnd, UINT id, HICON icon, LPCSTR tip);
BOOL ModifyTrayIcon(HWND hwnd, UINT id, LPCSTR tip);
BOOL DeleteTrayIcon(HWND hwnd, UINT id);
HICON TrendIcon(BYTE trendValue);
void RestoreTrayIcon(HWND hwnd, LPCSTR tip);
void ListenToShell(HWND hwnd);

// status.cpp
extern HDC paintDC;
extern const int PANEL_LINE_Y[PANEL_LINES];
void FormatTip(char *text, size_t size);
void FormatPanelLine(int line, const MEMORYSTATUSEX &status, char *text, size_t size);
LONG WidestPanelLine(HDC dc);
void UpdateStatus(HWND hwnd, BYTE mode);

// mainwnd.cpp
extern BYTE windowVisible;
ATOM RegisterMainClass(HINSTANCE instance);
SIZE MainWindowSize(const RECT &frame, LONG lineHeight, LONG widestLine);
HWND CreateMainWindow(HINSTANCE instance);
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void ShowAboutBox(HWND hwnd);
