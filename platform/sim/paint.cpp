// Simulated painting, metrics and text: invalidation and the synchronous paint
// of UpdateWindow, the paint's device context, the frame AdjustWindowRectEx
// adds, and the System font of a fresh device context, in three heights.
#include "platform/sim/state.h"

// Wine's own metrics, as a fresh prefix has them: small caption, menu bar, and
// the frame at the sides and at the top and bottom.
static const int simSmallCaptionHeight = 15, simMenuHeight = 18, simFrameX = 3, simFrameY = 4;
static const HDC simDC = (HDC)(uintptr_t)0xDC00, simScreenDC = (HDC)(uintptr_t)0xDC04;
// The System font: its height, and the width of each character from ' ' to
// '~'. 16 pixels is Windows' own at 96 DPI (vgasys.fon); 18 the taller one of
// CJK Windows (as Wine's jvgasys.fon has it); 20 the one of 120 DPI
// (8514sys.fon), whose widths are not at hand here and are taken as the
// 16-pixel font's scaled by 20/16, rounded up.
static const int simFontHeights[] = {16, 18, 20};
static const BYTE simFontWidths[2][95] = {
    {4, 4, 6, 8, 8, 11, 9, 4, 4, 4, 6, 8, 4, 4, 4, 4, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 4, 4, 8, 8, 8, 8, 14, 8, 10, 9,
     10, 9, 8, 10, 10, 4, 7, 9, 8, 12, 10, 10, 9, 10, 10, 9, 8, 10, 8, 14, 9, 10, 9, 4, 4, 4, 5, 8, 5, 8, 8, 7, 8,
     8, 4, 8, 8, 4, 4, 7, 4, 12, 8, 8, 8, 8, 5, 8, 4, 8, 8, 10, 8, 8, 8, 5, 4, 5, 5},
    {6, 7, 8, 8, 8, 13, 9, 5, 6, 6, 11, 11, 5, 11, 5, 5, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 6, 6, 8, 10, 8, 9, 11, 11,
     9, 11, 11, 7, 7, 11, 11, 5, 9, 9, 7, 13, 11, 11, 7, 11, 8, 9, 7, 11, 9, 11, 7, 7, 8, 4, 9, 4, 5, 8, 4, 8, 8,
     8, 8, 9, 5, 8, 8, 3, 4, 7, 3, 11, 8, 9, 8, 8, 6, 7, 5, 8, 7, 9, 7, 7, 7, 5, 3, 5, 5},
};
int simSystemFont;

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase)
{
    SimLogf("InvalidateRect %s %s erase=%d", SimWindowName(hwnd).c_str(), rect ? "rect" : "all", erase);
    SimLiveWindow(hwnd)->dirty = true;
    return TRUE;
}

// The paint arrives inside the call; a hidden or minimized window has nothing to paint.
BOOL WINAPI UpdateWindow(HWND hwnd)
{
    SimLogf("UpdateWindow %s", SimWindowName(hwnd).c_str());
    const SimWindow &w = *SimLiveWindow(hwnd);
    if (w.visible && !w.minimized && w.dirty)
        SimSend(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC WINAPI BeginPaint(HWND hwnd, PAINTSTRUCT *ps)
{
    SimLogf("BeginPaint %s", SimWindowName(hwnd).c_str());
    SimLiveWindow(hwnd)->dirty = false;
    return ps->hdc = simDC;
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT *ps)
{
    SimLogf("EndPaint %s%s", SimWindowName(hwnd).c_str(), ps->hdc == simDC ? "" : " (wrong dc)");
    return TRUE;
}

// The frame of a captioned window with a menu bar, as the metrics set it.
BOOL WINAPI AdjustWindowRectEx(RECT *rect, DWORD style, BOOL menu, DWORD exStyle)
{
    SimLogf("AdjustWindowRectEx style=0x%x menu=%d ex=0x%x", style, menu, exStyle);
    bool captioned = (style & WS_CAPTION) == WS_CAPTION && (exStyle & WS_EX_TOOLWINDOW);
    rect->left -= simFrameX, rect->right += simFrameX, rect->bottom += simFrameY;
    rect->top -= simFrameY + (captioned ? simSmallCaptionHeight : 0) + (menu ? simMenuHeight : 0);
    return TRUE;
}

HDC WINAPI GetDC(HWND hwnd)
{
    SimLogf("GetDC %s", SimWindowName(hwnd).c_str());
    return hwnd ? nullptr : simScreenDC;
}

int WINAPI ReleaseDC(HWND hwnd, HDC dc)
{
    SimLogf("ReleaseDC %s%s", SimWindowName(hwnd).c_str(), dc == simScreenDC ? "" : " (wrong dc)");
    return dc == simScreenDC;
}

// A fresh DC holds the System font.
BOOL WINAPI GetTextMetricsA(HDC dc, TEXTMETRICA *metrics)
{
    SimLogf("GetTextMetricsA%s", dc == simScreenDC ? "" : " (no dc)");
    metrics->tmHeight = dc == simScreenDC ? simFontHeights[simSystemFont] : 0;
    return dc == simScreenDC;
}

// Only the characters of the table above can be measured. Not logged: what a
// measure does shows in the size the program makes of it.
BOOL WINAPI GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, SIZE *size)
{
    bool ok = dc == simScreenDC || dc == simDC;
    *size = SIZE{0, simFontHeights[simSystemFont]};
    for (int i = 0; i < length && ok; i++) {
        unsigned index = (unsigned char)text[i] - ' ';
        ok = index < sizeof simFontWidths[0];
        BYTE width = ok ? simFontWidths[simSystemFont == 1][index] : 0;
        size->cx += simSystemFont == 2 ? (width * 20 + 15) / 16 : width;
    }
    return ok;
}

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int length)
{
    SimLogf("TextOutA %s%d,%d '%.*s'", dc == simDC ? "" : "(no dc) ", x, y, length, text);
    return dc == simDC;
}
