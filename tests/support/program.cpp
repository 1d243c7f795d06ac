// Running the whole program on the simulated platform.
#include "tests/support/program.h"

const char ABOUT_TEXT[] = "Quenmar watches physical memory and cleans it\n\r"
                          "Written by the Quenmar developers\n\r"
                          "Version 1.04\n\r"
                          "https://quenmar.example.org/";

int RunProgram(const std::function<void(HWND)> &body, int showCommand)
{
    bool ran = false;
    simIdle = [&] {
        if (ran)
            return;
        ran = true;
        HWND hwnd = simWindows.at(0).hwnd;
        simLog.clear();
        body(hwnd);
        if (!SimFindWindow(hwnd)->destroyed)
            SimPost(hwnd, WM_COMMAND, IDM_EXIT, 0);
    };
    int code = WinMain(simModule, nullptr, (LPSTR) "", showCommand);
    simIdle = nullptr;
    return code;
}

void SetStandardMemory(DWORD availMiB)
{
    simMemory = Memory(64 * MiB, availMiB * MiB, 68, 96 * MiB, 40 * MiB);
}

Calls PaintCalls(const std::string &neutralIcon, DWORD availMiB, bool trayPresent)
{
    std::string avail = std::to_string(availMiB);
    return {
        "W1 WM_PAINT 0 0",
        "BeginPaint W1",
        "Shell_NotifyIconA NIM_MODIFY W1 id=0 flags=0x6 icon=" + neutralIcon + " tip='RAM : " + avail + "/64Mb' -> " +
            (trayPresent ? "1" : "0"),
        "TextOutA 0,0 'Tamsel's Memory Defragger'",
        "TextOutA 0,30 'Total Physical RAM : 67108864 (64MB)'",
        "TextOutA 0,45 'Available Physical RAM : " + std::to_string(availMiB * MiB) + " (" + avail + "MB)'",
        "TextOutA 0,60 'Total Swapfile Size : 58720256 (56MB)'",
        "TextOutA 0,75 'System Memory Load : 68%'",
        "EndPaint W1",
    };
}
