// The status refresh: a new snapshot on a tick, the trend, the tray tip and
// picture, and on a paint the five lines of the panel.
#include "shell/shell.h"

#include <stdio.h>

#include <algorithm>

HDC paintDC;

const int PANEL_LINE_Y[PANEL_LINES] = {0, 30, 45, 60, 75};

static const char *const PANEL_FORMAT[PANEL_LINES] = {
    "Tamsel's Memory Defragger",
    "Total Physical RAM : %lu (%luMB)",
    "Available Physical RAM : %lu (%luMB)",
    "Total Swapfile Size : %lu (%luMB)",
    "System Memory Load : %lu%%",
};

static unsigned long Megabytes(DWORD bytes)
{
    return bytes >> 20;
}

// Byte counts print unsigned: 2 GiB and more are common. The page file in use
// stops at 0, since some systems report more available than total.
static DWORD PanelFigure(int line, const MEMORYSTATUS &m)
{
    switch (line) {
    case 1:
        return m.dwTotalPhys;
    case 2:
        return m.dwAvailPhys;
    case 3:
        return m.dwTotalPageFile > m.dwAvailPageFile ? m.dwTotalPageFile - m.dwAvailPageFile : 0;
    case 4:
        return m.dwMemoryLoad;
    }
    return 0;
}

void FormatPanelLine(int line, const MEMORYSTATUS &status, char *text, size_t size)
{
    DWORD figure = PanelFigure(line, status);
    snprintf(text, size, PANEL_FORMAT[line], (unsigned long)figure, Megabytes(figure));
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
    ModifyTrayIcon(hwnd, trayIconId, text);
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
