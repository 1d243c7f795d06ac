// Simulated painting, metrics and text: invalidation and the synchronous paint
// of UpdateWindow, the paint's device context, the frame AdjustWindowRectEx
// adds, and the system font of a fresh device context.
#include "platform/sim/sim.h"
#include "platform/sim/state.h"

#include <cstring>

// Wine's own metrics, as a fresh prefix has them: small caption, menu bar, the
// frame on each side, and the system font.
static const int simSmallCaptionHeight = 15, simMenuHeight = 18, simFrameSize = 4, simFontHeight = 16;
static const HDC simDC = (HDC)(uintptr_t)0xDC00, simScreenDC = (HDC)(uintptr_t)0xDC04;

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
    rect->left -= simFrameSize, rect->right += simFrameSize, rect->bottom += simFrameSize;
    rect->top -= simFrameSize + (captioned ? simSmallCaptionHeight : 0) + (menu ? simMenuHeight : 0);
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

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int length)
{
    SimLogf("TextOutA %s%d,%d '%.*s'", dc == simDC ? "" : "(no dc) ", x, y, length, text);
    return dc == simDC;
}

