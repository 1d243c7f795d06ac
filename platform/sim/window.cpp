// Simulated windows: classes, windows and their visibility, minimizing and
// closing through DefWindowProcA, messages sent straight to a window, and the
// filter that keeps a lower integrity level's messages from an elevated one.
#include "platform/sim/state.h"

#include <map>
#include <set>
#include <utility>

static std::map<std::string, WNDPROC> simClasses;
std::vector<SimWindow> simWindows;
bool simFailRegisterClass, simFailCreateWindow, simElevated;
static std::set<std::pair<HWND, UINT>> allowedFromBelow;

void SimResetWindows()
{
    simClasses.clear();
    simWindows.clear();
    simFailRegisterClass = simFailCreateWindow = simElevated = false;
    allowedFromBelow.clear();
}

SimWindow *SimLiveWindow(HWND hwnd)
{
    for (auto &w : simWindows)
        if (w.hwnd == hwnd && !w.destroyed)
            return &w;
    return nullptr;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA *wc)
{
    if (!simFailRegisterClass)
        simClasses[wc->lpszClassName] = wc->lpfnWndProc;
    SimLogf("RegisterClassA %s style=0x%x extra=%d,%d inst=%s icon=%s cursor=%s bg=%d menu=%s -> %s",
            SimText(wc->lpszClassName).c_str(), wc->style, wc->cbClsExtra, wc->cbWndExtra,
            wc->hInstance == simModule ? "module" : "?", SimIconName(wc->hIcon).c_str(),
            wc->hCursor == LoadCursorA(nullptr, IDC_ARROW) ? "arrow" : "?", (int)(uintptr_t)wc->hbrBackground,
            SimText(wc->lpszMenuName).c_str(), simFailRegisterClass ? "0" : "ok");
    return simFailRegisterClass ? 0 : (ATOM)(0xC000 + simClasses.size());
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    HWND hwnd = nullptr;
    if (simClasses.count(className) && !simFailCreateWindow) {
        hwnd = (HWND)(uintptr_t)(0x10000 + 4 * (simWindows.size() + 1));
        simWindows.push_back({hwnd, simClasses[className], width, height, false, false, false, false, false});
    }
    SimLogf("CreateWindowExA ex=0x%x %s %s style=0x%x %s,%s %dx%d parent=%s menu=%s inst=%s param=%s -> %s",
            exStyle, SimText(className).c_str(), SimText(title).c_str(), style,
            x == CW_USEDEFAULT ? "CW_USEDEFAULT" : "?", y == CW_USEDEFAULT ? "CW_USEDEFAULT" : "?", width, height,
            SimWindowName(parent).c_str(), menu ? "set" : "0", instance == simModule ? "module" : "?",
            param ? "set" : "0", SimWindowName(hwnd).c_str());
    return hwnd;
}

// A message for a window that is gone goes nowhere.
LRESULT SimSend(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SimWindow *w = SimLiveWindow(hwnd);
    if (!w)
        return 0;
    SimLogf("%s", SimMessage(hwnd, msg, wParam, lParam).c_str());
    return w->proc(hwnd, msg, wParam, lParam);
}

// Each window of the process has a filter of its own; a message it allows comes
// through whoever sends it.
BOOL WINAPI ChangeWindowMessageFilterEx(HWND hwnd, UINT msg, DWORD action, CHANGEFILTERSTRUCT *)
{
    SimLogf("ChangeWindowMessageFilterEx %s %#x %s -> 1", SimWindowName(hwnd).c_str(), msg,
            action == MSGFLT_ALLOW ? "allow" : "?");
    allowedFromBelow.insert({hwnd, msg});
    return TRUE;
}

// Run elevated, the program gets what the shell sends only where the window
// lets it through (UIPI), as the message is sent: a message dropped is one the
// log never shows. Windows lets some messages below WM_USER through whatever
// the filter, without saying which; here none.
bool SimLetThrough(HWND hwnd, UINT msg)
{
    return (!simElevated || allowedFromBelow.count({hwnd, msg})) && SimLiveWindow(hwnd) != nullptr;
}

BOOL WINAPI ShowWindow(HWND hwnd, int show)
{
    SimLogf("ShowWindow %s %d", SimWindowName(hwnd).c_str(), show);
    SimWindow *w = SimLiveWindow(hwnd);
    bool wasVisible = w->visible, wasMinimized = w->minimized;
    w->visible = show != SW_HIDE;
    // SW_SHOW and SW_HIDE keep a minimized window minimized
    w->minimized = show == SW_SHOWMINNOACTIVE || (w->minimized && show != SW_RESTORE && show != SW_SHOWDEFAULT);
    w->dirty = w->dirty || (w->visible && !w->minimized && (!wasVisible || wasMinimized));
    return wasVisible;
}

BOOL WINAPI IsIconic(HWND hwnd)
{
    return SimLiveWindow(hwnd)->minimized;
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND after, int x, int y, int cx, int cy, UINT flags)
{
    SimLogf("SetWindowPos %s %s %d,%d %dx%d flags=0x%x", SimWindowName(hwnd).c_str(), SimWindowName(after).c_str(),
            x, y, cx, cy, flags);
    return TRUE;
}

BOOL WINAPI DestroyWindow(HWND hwnd)
{
    SimLogf("DestroyWindow %s", SimWindowName(hwnd).c_str());
    SimLiveWindow(hwnd)->visible = false;
    SimSend(hwnd, WM_DESTROY, 0, 0);
    SimLiveWindow(hwnd)->destroyed = true;
    return TRUE;
}

// A disabled window (the owner of an open message box) does not minimize
// (dlls/user32/tests/win.c, test_ShowWindow); a WM_CLOSE destroys any window.
// DefWindowProcA answers the end of the session with yes.
LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SimLogf("DefWindowProcA %s", SimMessage(hwnd, msg, wParam, lParam).c_str());
    SimWindow *w = SimLiveWindow(hwnd);
    if (msg == WM_CLOSE)
        DestroyWindow(hwnd);
    else if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MINIMIZE && !w->disabled)
        w->minimized = true;
    return msg == WM_QUERYENDSESSION;
}
