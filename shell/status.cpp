// The status refresh: a new snapshot on a tick, the trend, the tray tip and
// picture, and on a paint the five lines of the panel.
#include "shell/shell.h"

#include <stdio.h>

#include <algorithm>

HDC paintDC;

const int PANEL_LINE_Y[PANEL_LINES] = {0, 30, 45, 60, 75};

static unsigned long Megabytes(DWORD bytes)
{
    return bytes >> 20;
}

// Byte counts print unsigned: 2 GiB and more are common. The page file in use
// stops at 0, since some systems report more available than total. Each line
// has its own literal format, so that the compiler checks it against its figures.
void FormatPanelLine(int line, const MEMORYSTATUS &m, char *text, size_t size)
{
    DWORD used = m.dwTotalPageFile > m.dwAvailPageFile ? m.dwTotalPageFile - m.dwAvailPageFile : 0;
    switch (line) {
    case 0:
        snprintf(text, size, "Tamsel's Memory Defragger");
        break;
    case 1:
        snprintf(text, size, "Total Physical RAM : %lu (%luMB)", (unsigned long)m.dwTotalPhys, Megabytes(m.dwTotalPhys));
        break;
    case 2:
        snprintf(text, size, "Available Physical RAM : %lu (%luMB)", (unsigned long)m.dwAvailPhys,
                 Megabytes(m.dwAvailPhys));
        break;
    case 3:
        snprintf(text, size, "Total Swapfile Size : %lu (%luMB)", (unsigned long)used, Megabytes(used));
        break;
    case 4:
        snprintf(text, size, "System Memory Load : %lu%%", (unsigned long)m.dwMemoryLoad);
        break;
    }
}

void FormatTip(char *text, size_t size)
{
    snprintf(text, size, "RAM : %lu/%luMb", Megabytes(memoryStatus.dwAvailPhys), Megabytes(memoryStatus.dwTotalPhys));
}

// A paint classifies again without a new snapshot, so it always leaves the
// trend steady and the neutral picture in the tray.
void UpdateStatus(HWND hwnd, BYTE mode)
{
    if (mode == STATUS_TICK)
        RefreshMemoryStatus();
    ClassifyTrend();
    char text[STATUS_TEXT_SIZE];
    FormatTip(text, sizeof text);
    // At a tick, a modify that fails means the icon is gone and no
    // "TaskbarCreated" will say so: an add refused by a shell not up yet at
    // logon, or an icon the shell dropped. Put it back, once a tick at most.
    if (!ModifyTrayIcon(hwnd, trayIconId, text) && mode == STATUS_TICK)
        RestoreTrayIcon(hwnd, text);
    if (mode != STATUS_PAINT)
        return;
    for (int line = 0; line < PANEL_LINES; line++) {
        FormatPanelLine(line, memoryStatus, text, sizeof text);
        TextOutA(paintDC, 0, PANEL_LINE_Y[line], text, lstrlenA(text));
    }
}

// The widest the panel can ever be in the font of dc: each line with both byte
// columns at their widest.
LONG WidestPanelLine(HDC dc)
{
    static const MEMORYSTATUS widest = {sizeof(MEMORYSTATUS), 100, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0, 0};
    char text[STATUS_TEXT_SIZE];
    LONG width = 0;
    for (int line = 0; line < PANEL_LINES; line++) {
        FormatPanelLine(line, widest, text, sizeof text);
        SIZE extent = {0, 0};
        GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
        width = std::max(width, extent.cx);
    }
    return width;
}
