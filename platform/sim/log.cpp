// The simulated platform's call log, the names it prints handles, texts and
// messages by, and the reset of every part.
#include "platform/sim/state.h"

#include <cstdarg>
#include <cstdio>

std::vector<std::string> simLog;

void SimLogf(const char *format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    simLog.push_back(line);
}

std::string SimText(LPCSTR s)
{
    return s ? "'" + std::string(s) + "'" : "0";
}

std::string SimWindowName(HWND hwnd)
{
    for (size_t i = 0; i < simWindows.size(); i++)
        if (simWindows[i].hwnd == hwnd)
            return "W" + std::to_string(i + 1);
    return !hwnd ? "0" : hwnd == HWND_TOPMOST ? "HWND_TOPMOST" : "?";
}

std::string SimMessageName(UINT msg)
{
    static const struct { UINT msg; const char *name; } names[] = {
        {WM_DESTROY, "WM_DESTROY"}, {WM_PAINT, "WM_PAINT"}, {WM_CLOSE, "WM_CLOSE"},
        {WM_QUERYENDSESSION, "WM_QUERYENDSESSION"}, {WM_COMMAND, "WM_COMMAND"}, {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
        {WM_TIMER, "WM_TIMER"}, {WM_MOUSEMOVE, "WM_MOUSEMOVE"}};
    for (const auto &n : names)
        if (n.msg == msg)
            return n.name;
    char hex[16];
    snprintf(hex, sizeof hex, "%#x", msg);
    return hex;
}

std::string SimMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    char args[48];
    snprintf(args, sizeof args, "%#zx %#zx", (size_t)wParam, (size_t)lParam);
    return SimWindowName(hwnd) + " " + SimMessageName(msg) + " " + args;
}

void SimReset()
{
    SimResetKernel();
    SimResetWindows();
    SimResetMessages();
    SimResetResources();
    SimResetShell();
    simWhileBoxOpen = nullptr;
    simSystemFont = 0;
    simLog.clear();
}
