// Start-up, the message loop and shutdown.
#include "shell/shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    iconLose = LoadIconA(instance, ICON_LOSE);
    iconGain = LoadIconA(instance, ICON_GAIN);
    iconNeutral = LoadIconA(instance, ICON_NEUTRAL);
    if (!RegisterMainClass(instance))
        return 0;
    HWND hwnd = CreateMainWindow(instance);
    if (!hwnd)
        return 0;
    // Before the icon is added: a shell that comes up later says so only once.
    ListenToShell(hwnd);

    RefreshMemoryStatus();
    // The first paint comes before the tray icon exists: its modify fails, harmlessly.
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(hwnd, SW_SHOW);
    windowVisible = 1;
    // A second handle of the neutral picture, of the add's own to destroy.
    AddTrayIcon(hwnd, trayIconId, CopyIcon(iconNeutral), "Vellitor");
    SetTimer(hwnd, MONITOR_TIMER_ID, MONITOR_TICK_MS, NULL);
    ShowAboutBox(hwnd);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0))
        DispatchMessageA(&msg);

    // The window is gone by now; the timer and the tray icon are keyed by its handle value.
    KillTimer(hwnd, MONITOR_TIMER_ID);
    DeleteTrayIcon(hwnd, trayIconId);
    return (int)msg.wParam;
}
