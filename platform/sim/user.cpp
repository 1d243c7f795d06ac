// Simulated USER32 and GDI32: classes and windows, visibility and synchronous
// painting, a message queue with a test clock for timers, message boxes that
// stand for their modal loop, icons by resource name, and TextOutA.
#include "platform/sim/sim.h"
#include "platform/sim/state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

std::function<void(const SimMessageBox &)> simWhileBoxOpen;
// Wine's own metrics, as a fresh prefix has them: small caption, menu bar, the
// frame on each side, and the system font.
static const int simSmallCaptionHeight = 15, simMenuHeight = 18, simFrameSize = 4, simFontHeight = 16;

const HINSTANCE simModule = (HINSTANCE)(uintptr_t)0x400000;
static const HCURSOR simArrowCursor = (HCURSOR)(uintptr_t)0x7F00;
static const HDC simDC = (HDC)(uintptr_t)0xDC00, simScreenDC = (HDC)(uintptr_t)0xDC04;
static const char *const simIconResources[] = {"GainIcon", "LoseIcon", "Vellitor"};
struct SimIcon {
    std::string name;
    bool live;
};
static std::vector<SimIcon> icons;

struct SimClass {
    WNDCLASSA wc;
    std::string name;
};
static std::vector<SimClass> simClasses;
std::vector<SimWindow> simWindows;
bool simFailRegisterClass;
bool simFailCreateWindow;

struct SimTimer {
    HWND hwnd;
    UINT_PTR id;
    UINT period;
    uint64_t due;
};
static std::vector<SimTimer> timers;
static std::deque<MSG> queue;
static bool quitPosted;
static int quitCode;
static std::vector<std::string> registeredMessages;
static uint64_t simNow;
bool simFailSetTimer;
std::function<void()> simIdle;

void SimResetUser()
{
    simWhileBoxOpen = nullptr;
    icons.clear();
    simClasses.clear();
    simWindows.clear();
    simFailRegisterClass = simFailCreateWindow = simFailSetTimer = false;
    timers.clear();
    queue.clear();
    quitPosted = false;
    quitCode = 0;
    registeredMessages.clear();
    simNow = 0;
    simIdle = nullptr;
}

static std::string Text(LPCSTR s)
{
    if (!s)
        return "0";
    if (IS_INTRESOURCE(s))
        return "#" + std::to_string((uintptr_t)s);
    return "'" + std::string(s) + "'";
}

// --- message boxes ---

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    SimMessageBox box{owner, text ? text : "", caption ? caption : "", type};
    SimLogf("MessageBoxA %s %s %s 0x%x %s", SimWindowName(owner).c_str(), Text(text).c_str(),
            Text(caption).c_str(), type, SimHeldBlocks().c_str());
    // The test answers the outermost box; one opened beneath it (by a tick in its
    // modal loop) is closed at once, so that a box at every tick cannot nest forever.
    static bool answering;
    if (simWhileBoxOpen && !answering) {
        answering = true;
        simWhileBoxOpen(box);
        answering = false;
    }
    SimLogf("MessageBoxA closed %s", Text(text).c_str());
    return IDOK;
}

// --- icons and cursor ---

static HICON IconHandle(size_t index)
{
    return (HICON)(uintptr_t)(0x20000 + index);
}

static SimIcon *FindIcon(HICON icon)
{
    size_t index = (uintptr_t)icon - 0x20000;
    return index < icons.size() ? &icons[index] : nullptr;
}

std::string SimIconName(HICON icon)
{
    if (!icon)
        return "0";
    SimIcon *found = FindIcon(icon);
    if (!found)
        return "?";
    return found->name + "#" + std::to_string((uintptr_t)icon - 0x20000 + 1) + (found->live ? "" : "(destroyed)");
}

bool SimIconLive(HICON icon)
{
    SimIcon *found = FindIcon(icon);
    return found && found->live;
}

size_t SimLiveIcons()
{
    size_t live = 0;
    for (auto &icon : icons)
        live += icon.live;
    return live;
}

// Every load gives a handle of its own, so destroying one leaves the others usable.
HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    HICON icon = nullptr;
    if (instance == simModule && name && !IS_INTRESOURCE(name))
        for (const char *resource : simIconResources)
            if (!strcmp(resource, name)) {
                icons.push_back({resource, true});
                icon = IconHandle(icons.size() - 1);
            }
    SimLogf("LoadIconA %s -> %s", Text(name).c_str(), SimIconName(icon).c_str());
    return icon;
}

BOOL WINAPI DestroyIcon(HICON icon)
{
    SimIcon *found = FindIcon(icon);
    BOOL ok = found && found->live;
    SimLogf("DestroyIcon %s -> %d", SimIconName(icon).c_str(), ok);
    if (ok)
        found->live = false;
    return ok;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    return !instance && name == IDC_ARROW ? simArrowCursor : nullptr;
}

// --- classes and windows ---

ATOM WINAPI RegisterClassA(const WNDCLASSA *wc)
{
    ATOM atom = 0;
    if (!simFailRegisterClass && wc->lpszClassName && wc->lpfnWndProc) {
        simClasses.push_back({*wc, wc->lpszClassName});
        atom = (ATOM)(0xC000 + simClasses.size());
    }
    SimLogf("RegisterClassA %s style=0x%x extra=%d,%d inst=%s icon=%s cursor=%s bg=%d menu=%s -> %s",
            Text(wc->lpszClassName).c_str(), wc->style, wc->cbClsExtra, wc->cbWndExtra,
            wc->hInstance == simModule ? "module" : "?", SimIconName(wc->hIcon).c_str(),
            wc->hCursor == simArrowCursor ? "arrow" : "?", (int)(uintptr_t)wc->hbrBackground,
            Text(wc->lpszMenuName).c_str(), atom ? "ok" : "0");
    return atom;
}

static std::string Coordinate(int v)
{
    return v == CW_USEDEFAULT ? "CW_USEDEFAULT" : std::to_string(v);
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    const SimClass *cls = nullptr;
    for (auto &c : simClasses)
        if (className && c.name == className)
            cls = &c;
    HWND hwnd = nullptr;
    if (cls && !simFailCreateWindow) {
        hwnd = (HWND)(uintptr_t)(0x10000 + 4 * (simWindows.size() + 1));
        simWindows.push_back({hwnd, cls->name, title ? title : "", cls->wc.lpfnWndProc, style, exStyle, x, y,
                              width, height, false, false, false, false, false});
    }
    SimLogf("CreateWindowExA ex=0x%x %s %s style=0x%x %s,%s %dx%d parent=%s menu=%s inst=%s param=%s -> %s",
            exStyle, Text(className).c_str(), Text(title).c_str(), style, Coordinate(x).c_str(),
            Coordinate(y).c_str(), width, height, SimWindowName(parent).c_str(), menu ? "set" : "0",
            instance == simModule ? "module" : "?", param ? "set" : "0", SimWindowName(hwnd).c_str());
    return hwnd;
}

static SimWindow *WindowOf(HWND hwnd)
{
    for (auto &w : simWindows)
        if (w.hwnd == hwnd)
            return &w;
    return nullptr;
}

static SimWindow *LiveWindow(HWND hwnd)
{
    SimWindow *w = WindowOf(hwnd);
    return w && !w->destroyed ? w : nullptr;
}

LRESULT SimSend(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SimWindow *w = LiveWindow(hwnd);
    if (!w)
        return 0;
    SimLogf("%s %s %#zx %#zx", SimWindowName(hwnd).c_str(), SimMessageName(msg).c_str(), (size_t)wParam,
            (size_t)lParam);
    return w->proc(hwnd, msg, wParam, lParam);
}

void SimPost(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    queue.push_back(MSG{hwnd, msg, wParam, lParam, (DWORD)simNow, {0, 0}});
}

BOOL WINAPI ShowWindow(HWND hwnd, int show)
{
    SimLogf("ShowWindow %s %d", SimWindowName(hwnd).c_str(), show);
    SimWindow *w = LiveWindow(hwnd);
    if (!w)
        return FALSE;
    bool wasVisible = w->visible, wasMinimized = w->minimized;
    switch (show) {
    case SW_HIDE:
        w->visible = false;
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        w->visible = w->minimized = true;
        break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
        w->visible = true;
        w->minimized = false;
        break;
    default: // SW_SHOW keeps a minimized window minimized
        w->visible = true;
        break;
    }
    if (w->visible && !w->minimized && (!wasVisible || wasMinimized))
        w->dirty = true;
    return wasVisible;
}

BOOL WINAPI IsIconic(HWND hwnd)
{
    SimWindow *w = LiveWindow(hwnd);
    return w && w->minimized;
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    SimLogf("SetWindowPos %s %s %d,%d %dx%d flags=0x%x", SimWindowName(hwnd).c_str(), SimWindowName(after).c_str(),
            x, y, cx, cy, flags);
    SimWindow *w = LiveWindow(hwnd);
    if (!w)
        return FALSE;
    if (after == HWND_TOPMOST)
        w->topmost = true;
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase)
{
    SimLogf("InvalidateRect %s %s erase=%d", SimWindowName(hwnd).c_str(), rect ? "rect" : "all", erase);
    SimWindow *w = LiveWindow(hwnd);
    if (!w)
        return FALSE;
    w->dirty = true;
    return TRUE;
}

static bool HasSomethingToPaint(const SimWindow &w)
{
    return !w.destroyed && w.visible && !w.minimized && w.dirty;
}

// The paint arrives inside the call; a hidden or minimized window has nothing to paint.
BOOL WINAPI UpdateWindow(HWND hwnd)
{
    SimLogf("UpdateWindow %s", SimWindowName(hwnd).c_str());
    SimWindow *w = LiveWindow(hwnd);
    if (!w)
        return FALSE;
    if (HasSomethingToPaint(*w))
        SimSend(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC WINAPI BeginPaint(HWND hwnd, PAINTSTRUCT *ps)
{
    SimLogf("BeginPaint %s", SimWindowName(hwnd).c_str());
    SimWindow *w = LiveWindow(hwnd);
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

BOOL WINAPI DestroyWindow(HWND hwnd)
{
    SimLogf("DestroyWindow %s", SimWindowName(hwnd).c_str());
    SimWindow *w = LiveWindow(hwnd);
    if (!w)
        return FALSE;
    w->visible = false;
    SimSend(hwnd, WM_DESTROY, 0, 0);
    w = WindowOf(hwnd);
    w->destroyed = true;
    // A window's timers go with it.
    for (size_t i = timers.size(); i-- > 0;)
        if (timers[i].hwnd == hwnd)
            timers.erase(timers.begin() + i);
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SimLogf("DefWindowProcA %s %s %#zx %#zx", SimWindowName(hwnd).c_str(), SimMessageName(msg).c_str(),
            (size_t)wParam, (size_t)lParam);
    SimWindow *w = LiveWindow(hwnd);
    if (!w)
        return 0;
    if (msg == WM_CLOSE)
        DestroyWindow(hwnd);
    else if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)
        SimSend(hwnd, WM_CLOSE, 0, 0);
    else if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MINIMIZE)
        w->minimized = true;
    else if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_RESTORE && w->minimized)
        w->minimized = false, w->dirty = true;
    return 0;
}

UINT WINAPI RegisterWindowMessageA(LPCSTR name)
{
    size_t i = 0;
    while (i < registeredMessages.size() && registeredMessages[i] != name)
        i++;
    if (i == registeredMessages.size())
        registeredMessages.push_back(name);
    UINT msg = (UINT)(0xC100 + i);
    SimLogf("RegisterWindowMessageA %s -> 0x%x", Text(name).c_str(), msg);
    return msg;
}

// --- timers and the message loop ---

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT period, TIMERPROC proc)
{
    bool ok = !simFailSetTimer && LiveWindow(hwnd) && !proc;
    SimLogf("SetTimer %s %zu %u%s -> %d", SimWindowName(hwnd).c_str(), (size_t)id, period, proc ? " proc" : "", ok);
    if (!ok)
        return 0;
    for (auto &t : timers)
        if (t.hwnd == hwnd && t.id == id) {
            t.period = period, t.due = simNow + period;
            return id;
        }
    timers.push_back({hwnd, id, period, simNow + period});
    return id;
}

BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id)
{
    for (size_t i = 0; i < timers.size(); i++)
        if (timers[i].hwnd == hwnd && timers[i].id == id) {
            timers.erase(timers.begin() + i);
            SimLogf("KillTimer %s %zu -> 1", SimWindowName(hwnd).c_str(), (size_t)id);
            return TRUE;
        }
    SimLogf("KillTimer %s %zu -> 0", SimWindowName(hwnd).c_str(), (size_t)id);
    return FALSE;
}

size_t SimTimerCount()
{
    return timers.size();
}

// The earliest timer, with the clock moved on to when it is due. A timer that
// fell due long ago yields one message, and its next period starts now.
static bool NextTimerMessage(MSG *msg)
{
    SimTimer *next = nullptr;
    for (auto &t : timers)
        if (!next || t.due < next->due)
            next = &t;
    if (!next)
        return false;
    if (next->due > simNow)
        simNow = next->due;
    next->due = simNow + next->period;
    *msg = MSG{next->hwnd, WM_TIMER, next->id, 0, (DWORD)simNow, {0, 0}};
    return true;
}

static bool NextPaintMessage(MSG *msg)
{
    for (auto &w : simWindows)
        if (HasSomethingToPaint(w)) {
            *msg = MSG{w.hwnd, WM_PAINT, 0, 0, (DWORD)simNow, {0, 0}};
            return true;
        }
    return false;
}

void SimPumpTicks(unsigned n)
{
    MSG msg;
    while (n-- > 0 && NextTimerMessage(&msg)) {
        DispatchMessageA(&msg);
        while (NextPaintMessage(&msg))
            DispatchMessageA(&msg);
    }
}

// With a window filter, as on Win32, only that window's messages come; the quit
// message never does, and once the window is gone every call fails with -1.
BOOL WINAPI GetMessageA(MSG *msg, HWND filter, UINT, UINT)
{
    static unsigned failures;
    if (filter && !LiveWindow(filter)) {
        if (++failures == 1000) {
            fprintf(stderr, "simulated GetMessageA: called on and on for a window that is gone\n");
            abort();
        }
        return -1;
    }
    failures = 0;
    for (unsigned idle = 0;; idle++) {
        auto it = queue.begin();
        while (it != queue.end() && filter && it->hwnd != filter)
            ++it;
        if (it != queue.end()) {
            *msg = *it;
            queue.erase(it);
            return TRUE;
        }
        if (quitPosted && !filter) {
            quitPosted = false;
            *msg = MSG{nullptr, WM_QUIT, (WPARAM)quitCode, 0, (DWORD)simNow, {0, 0}};
            SimLogf("GetMessageA WM_QUIT %d", quitCode);
            return FALSE;
        }
        if (NextPaintMessage(msg))
            return TRUE;
        if (simIdle && idle == 0) {
            simIdle();
            continue;
        }
        if (NextTimerMessage(msg))
            return TRUE;
        fprintf(stderr, "simulated GetMessageA: the queue is empty and nothing can ever arrive\n");
        abort();
    }
}

LRESULT WINAPI DispatchMessageA(const MSG *msg)
{
    return SimSend(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void WINAPI PostQuitMessage(int code)
{
    SimLogf("PostQuitMessage %d", code);
    quitPosted = true;
    quitCode = code;
}
