// The tray icon: add, modify and delete through the shell's first, 88-byte
// NOTIFYICONDATA layout, with the picture that goes with the trend.
#include "shell/shell.h"

HICON iconGain, iconLose, iconNeutral;
UINT trayIconId;
UINT taskbarCreatedMsg;

// The first layout ends 64 bytes into szTip, which the SDK declares longer.
static const int TIP_SIZE = NOTIFYICONDATAA_V1_SIZE - offsetof(NOTIFYICONDATAA, szTip);

static NOTIFYICONDATAA TrayRecord(HWND hwnd, UINT id)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = hwnd;
    data.uID = id;
    return data;
}

static void SetTip(NOTIFYICONDATAA &data, LPCSTR tip)
{
    if (tip)
        lstrcpynA(data.szTip, tip, TIP_SIZE);
    else
        data.szTip[0] = 0;
}

// The shell copies the picture, so the add owns and destroys the handle it is
// given: a copy of its own (CopyIcon). A handle from LoadIconA is the
// resource's one shared handle, which DestroyIcon must not be given.
BOOL AddTrayIcon(HWND hwnd, UINT id, HICON icon, LPCSTR tip)
{
    NOTIFYICONDATAA data = TrayRecord(hwnd, id);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYNOTIFY;
    data.hIcon = icon;
    SetTip(data, tip);
    BOOL added = Shell_NotifyIconA(NIM_ADD, &data);
    if (icon)
        DestroyIcon(icon);
    return added;
}

BOOL ModifyTrayIcon(HWND hwnd, UINT id, LPCSTR tip)
{
    NOTIFYICONDATAA data = TrayRecord(hwnd, id);
    data.uFlags = NIF_ICON | NIF_TIP;
    data.hIcon = TrendIcon(trend);
    SetTip(data, tip);
    return Shell_NotifyIconA(NIM_MODIFY, &data);
}

BOOL DeleteTrayIcon(HWND hwnd, UINT id)
{
    NOTIFYICONDATAA data = TrayRecord(hwnd, id);
    return Shell_NotifyIconA(NIM_DELETE, &data);
}

HICON TrendIcon(BYTE trendValue)
{
    return trendValue == TREND_GAIN ? iconGain : trendValue == TREND_LOSS ? iconLose : iconNeutral;
}

// After the shell restarts ("TaskbarCreated"), or when a tick finds the icon
// gone, put ours back as it stands, with a copy for the add to consume.
void RestoreTrayIcon(HWND hwnd, LPCSTR tip)
{
    AddTrayIcon(hwnd, trayIconId, CopyIcon(TrendIcon(trend)), tip);
}

// Run elevated, the window hears nothing from the shell, which runs at a lower
// integrity level, unless it lets the messages through (UIPI): the icon's
// callback and the shell's restart.
void ListenToShell(HWND hwnd)
{
    taskbarCreatedMsg = RegisterWindowMessageA("TaskbarCreated");
    ChangeWindowMessageFilterEx(hwnd, WM_TRAYNOTIFY, MSGFLT_ALLOW, NULL);
    ChangeWindowMessageFilterEx(hwnd, taskbarCreatedMsg, MSGFLT_ALLOW, NULL);
}
