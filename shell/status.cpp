// The status refresh: a new snapshot on a tick, the trend, the tray tip and
// picture, and on a paint the five lines of the panel.
#include "shell/shell.h"

#include <stdio.h>

#include <algorithm>

HDC paintDC;

const int PANEL_LINE_Y[PANEL_LINES] = {0, 30, 45, 60, 75};

static unsigned long long Megabytes(DWORDLONG bytes)
{
    return bytes >> 20;
}

// Figures are exact, in 64 bits. The page file in use is the commit limit less
// the commit left, stopped at 0, since some systems report more left than the
// limit. Each line has its own literal format, so that the compiler checks it
// against its figures.
void FormatPanelLine(int line, const MEMORYSTATUSEX &m, char *text, size_t size)
{
    DWORDLONG used = m.ullTotalPageFile > m.ullAvailPageFile ? m.ullTotalPageFile - m.ullAvailPageFile : 0;
    switch (line) {
    case 0:
        snprintf(text, size, "Tamsel's Memory Defragger");
        break;
    case 1:
        snprintf(text, size, "Total Physical RAM : %llu (%lluMB)", m.ullTotalPhys, Megabytes(m.ullTotalPhys));
        break;
    case 2:
        snprintf(text, size, "Available Physical RAM : %llu (%lluMB)", m.ullAvailPhys, Megabytes(m.ullAvailPhys));
        break;
    case 3:
        snprintf(text, size, "Total Swapfile Size : %llu (%lluMB)", used, Megabytes(used));
        break;
    case 4:
        snprintf(text, size, "System Memory Load : %lu%%", (unsigned long)m.dwMemoryLoad);
        break;
    }
}

void FormatTip(char *text, size_t size)
{
    snprintf(text, size, "RAM : %llu/%lluMb", Megabytes(memoryStatus.ullAvailPhys), Megabytes(memoryStatus.ullTotalPhys));
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

// The widest the panel can be in the font of dc: each line with its figures as
// wide as those of a machine of PANEL_WIDEST_BYTES, memory and commit alike.
LONG WidestPanelLine(HDC dc)
{
    static const MEMORYSTATUSEX widest = {sizeof(MEMORYSTATUSEX), 100, PANEL_WIDEST_BYTES, PANEL_WIDEST_BYTES,
                                          PANEL_WIDEST_BYTES, 0, 0, 0, 0};
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
