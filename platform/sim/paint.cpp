// Simulated painting, metrics and text: invalidation and the synchronous paint
// of UpdateWindow, the paint's device context, the frame AdjustWindowRectEx
// adds, and the system font of a fresh device context.
#include "platform/sim/sim.h"
#include "platform/sim/state.h"

#include <cstring>

// Wine's own metrics, as a fresh prefix has them: small caption, menu bar, the
// frame at the sides and at the top and bottom, and the system font.
static const int simSmallCaptionHeight = 15, simMenuHeight = 18, simFrameX = 3, simFrameY = 4, simFontHeight = 16;
static const HDC simDC = (HDC)(uintptr_t)0xDC00, simScreenDC = (HDC)(uintptr_t)0xDC04;
// The System font of Windows at 96 DPI (vgasys.fon), which a fresh device
// context holds: the width of each character from ' ' to '~'.
static const BYTE simSystemFontWidths[] = {
    4, 4, 6, 8, 8, 11, 9, 4, 4,  4, 6, 8, 4, 4, 4, 4, 8, 8,  8,  8,  8, 8, 8,  8, 8, 8, 4, 4, 8, 8, 8, 8,
    14, 8, 10, 9, 10, 9, 8, 10, 10, 4, 7, 9, 8, 12, 10, 10, 9, 10, 10, 9, 8, 10, 8, 14, 9, 10, 9, 4, 4, 4, 5, 8,
    5, 8, 8, 7, 8, 8, 4, 8, 8,  4, 4, 7, 4, 12, 8, 8, 8, 8, 5, 8, 4, 8, 8, 10, 8, 8, 8, 5, 4, 5, 5};

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase)
{
    SimLogf("InvalidateRect %s %s erase=%d", SimWindowName(hwnd).c_str(), rect ? "rect" : "all", erase);
    SimWindow *w = SimLiveWindow(hwnd);
    if (!w)
        return FALSE;
    w->dirty = true;
    return TRUE;
}

bool SimHasSomethingToPaint(const SimWindow &w)
{
    return !w.destroyed && w.visible && !w.minimized && w.dirty;
}

// The paint arrives inside the call; a hidden or minimized window has nothing to paint.
BOOL WINAPI UpdateWindow(HWND hwnd)
{
    SimLogf("UpdateWindow %s", SimWindowName(hwnd).c_str());
    SimWindow *w = SimLiveWindow(hwnd);
    if (!w)
        return FALSE;
    if (SimHasSomethingToPaint(*w))
        SimSend(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC WINAPI BeginPaint(HWND hwnd, PAINTSTRUCT *ps)
{
    SimLogf("BeginPaint %s", SimWindowName(hwnd).c_str());
    SimWindow *w = SimLiveWindow(hwnd);
    memset(ps, 0, sizeof *ps);
    if (!w)
        return nullptr;
    w->dirty = false;
    ps->hdc = simDC;
    return simDC;
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

// A fresh DC holds the system font.
BOOL WINAPI GetTextMetricsA(HDC dc, TEXTMETRICA *metrics)
{
    SimLogf("GetTextMetricsA%s", dc == simScreenDC ? "" : " (no dc)");
    if (dc != simScreenDC)
        return FALSE;
    metrics->tmHeight = simFontHeight;
    return TRUE;
}

// Only the characters of the table above can be measured. Not logged: what a
// measure does shows in the size the program makes of it.
BOOL WINAPI GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, SIZE *size)
{
    bool ok = dc == simScreenDC || dc == simDC;
    LONG width = 0;
    for (int i = 0; i < length && ok; i++) {
        unsigned index = (unsigned char)text[i] - ' ';
        ok = index < sizeof simSystemFontWidths;
        width += ok ? simSystemFontWidths[index] : 0;
    }
    if (ok)
        *size = SIZE{width, simFontHeight};
    return ok;
}

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int length)
{
    SimLogf("TextOutA %s%d,%d '%.*s'", dc == simDC ? "" : "(no dc) ", x, y, length, text);
    return dc == simDC;
}

