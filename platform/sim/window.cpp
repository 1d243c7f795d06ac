// Simulated windows: classes, windows and their visibility, minimizing and
// closing through DefWindowProcA, messages sent straight to a window, and the
// filter that keeps a lower integrity level's messages from an elevated one.
#include "platform/sim/sim.h"
#include "platform/sim/state.h"

#include <set>
#include <utility>

struct SimClass {
    WNDCLASSA wc;
    std::string name;
};
static std::vector<SimClass> simClasses;
std::vector<SimWindow> simWindows;
bool simFailRegisterClass;
bool simFailCreateWindow;
bool simElevated;
static std::set<std::pair<HWND, UINT>> allowedFromBelow;

void SimResetWindows()
{
    simClasses.clear();
    simWindows.clear();
    simFailRegisterClass = simFailCreateWindow = simElevated = false;
    allowedFromBelow.clear();
}

SimWindow *SimWindowOf(HWND hwnd)
{
    for (auto &w : simWindows)
        if (w.hwnd == hwnd)
            return &w;
    return nullptr;
}

SimWindow *SimLiveWindow(HWND hwnd)
{
    SimWindow *w = SimWindowOf(hwnd);
    return w && !w->destroyed ? w : nullptr;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA *wc)
{
    ATOM atom = 0;
    if (!simFailRegisterClass && wc->lpszClassName && wc->lpfnWndProc) {
        simClasses.push_back({*wc, wc->lpszClassName});
        atom = (ATOM)(0xC000 + simClasses.size());
    }
    SimLogf("RegisterClassA %s style=0x%x extra=%d,%d inst=%s icon=%s cursor=%s bg=%d menu=%s -> %s",
            SimText(wc->lpszClassName).c_str(), wc->style, wc->cbClsExtra, wc->cbWndExtra,
            wc->hInstance == simModule ? "module" : "?", SimIconName(wc->hIcon).c_str(),
            wc->hCursor == simArrowCursor ? "arrow" : "?", (int)(uintptr_t)wc->hbrBackground,
            SimText(wc->lpszMenuName).c_str(), atom ? "ok" : "0");
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
                              width, height, false, false, false, false, false, false});
    }
    SimLogf("CreateWindowExA ex=0x%x %s %s style=0x%x %s,%s %dx%d parent=%s menu=%s inst=%s param=%s -> %s",
            exStyle, SimText(className).c_str(), SimText(title).c_str(), style, Coordinate(x).c_str(),
            Coordinate(y).c_str(), width, height, SimWindowName(parent).c_str(), menu ? "set" : "0",
            instance == simModule ? "module" : "?", param ? "set" : "0", SimWindowName(hwnd).c_str());
    return hwnd;
}

LRESULT SimSend(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SimWindow *w = SimLiveWindow(hwnd);
    if (!w)
        return 0;
    SimLogf("%s %s %#zx %#zx", SimWindowName(hwnd).c_str(), SimMessageName(msg).c_str(), (size_t)wParam,
            (size_t)lParam);
    return w->proc(hwnd, msg, wParam, lParam);
}

// Each window of the process has a filter of its own; a message it allows comes
// through whoever sends it.
BOOL WINAPI ChangeWindowMessageFilterEx(HWND hwnd, UINT msg, DWORD action, PCHANGEFILTERSTRUCT status)
{
    static const char *const actions[] = {"reset", "allow", "disallow"};
    bool ok = SimLiveWindow(hwnd) && action <= MSGFLT_DISALLOW && (!status || status->cbSize == sizeof *status);
    SimLogf("ChangeWindowMessageFilterEx %s 0x%x %s -> %d", SimWindowName(hwnd).c_str(), msg,
            action <= MSGFLT_DISALLOW ? actions[action] : "?", ok);
    if (ok && action == MSGFLT_ALLOW)
        allowedFromBelow.insert({hwnd, msg});
    else if (ok && action == MSGFLT_DISALLOW)
        allowedFromBelow.erase({hwnd, msg});
    else if (ok) // the window's whole filter
        allowedFromBelow.erase(allowedFromBelow.lower_bound({hwnd, 0}), allowedFromBelow.upper_bound({hwnd, ~0u}));
    return ok;
}

// Run elevated, the program gets what the shell sends only where the window
// lets it through (UIPI), as the message is sent. Windows lets some messages
// below WM_USER through whatever the filter, without saying which; here none.
bool SimLetThrough(HWND hwnd, UINT msg)
{
    if (!SimLiveWindow(hwnd))
        return false;
    if (simElevated && !allowedFromBelow.count({hwnd, msg})) {
        SimLogf("%s %s dropped by UIPI", SimWindowName(hwnd).c_str(), SimMessageName(msg).c_str());
        return false;
    }
    return true;
}

BOOL WINAPI ShowWindow(HWND hwnd, int show)
{
    SimLogf("ShowWindow %s %d", SimWindowName(hwnd).c_str(), show);
    SimWindow *w = SimLiveWindow(hwnd);
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
    SimWindow *w = SimLiveWindow(hwnd);
    return w && w->minimized;
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    SimLogf("SetWindowPos %s %s %d,%d %dx%d flags=0x%x", SimWindowName(hwnd).c_str(), SimWindowName(after).c_str(),
            x, y, cx, cy, flags);
    SimWindow *w = SimLiveWindow(hwnd);
    if (!w)
        return FALSE;
    if (after == HWND_TOPMOST)
        w->topmost = true;
    return TRUE;
}

BOOL WINAPI DestroyWindow(HWND hwnd)
{
    SimLogf("DestroyWindow %s", SimWindowName(hwnd).c_str());
    SimWindow *w = SimLiveWindow(hwnd);
    if (!w)
        return FALSE;
    w->visible = false;
    SimSend(hwnd, WM_DESTROY, 0, 0);
    w = SimWindowOf(hwnd);
    w->destroyed = true;
    SimKillWindowTimers(hwnd);
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SimLogf("DefWindowProcA %s %s %#zx %#zx", SimWindowName(hwnd).c_str(), SimMessageName(msg).c_str(),
            (size_t)wParam, (size_t)lParam);
    SimWindow *w = SimLiveWindow(hwnd);
    if (!w)
        return 0;
    if (msg == WM_QUERYENDSESSION)
        return TRUE;
    if (msg == WM_CLOSE)
        DestroyWindow(hwnd);
    // A disabled window (the owner of an open message box) neither closes nor
    // minimizes (dlls/user32/tests/win.c, test_ShowWindow).
    else if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE && !w->disabled)
        SimSend(hwnd, WM_CLOSE, 0, 0);
    else if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MINIMIZE && !w->disabled)
        w->minimized = true;
    else if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_RESTORE && w->minimized)
        w->minimized = false, w->dirty = true;
    return 0;
}

