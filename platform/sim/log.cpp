// The simulated platform's call log, the names it prints handles and texts by,
// and the reset of every part.
#include "platform/sim/sim.h"
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
    if (!s)
        return "0";
    if (IS_INTRESOURCE(s))
        return "#" + std::to_string((uintptr_t)s);
    return "'" + std::string(s) + "'";
}

std::string SimWindowName(HWND hwnd)
{
    if (!hwnd)
        return "0";
    if (hwnd == HWND_TOPMOST)
        return "HWND_TOPMOST";
    for (size_t i = 0; i < simWindows.size(); i++)
        if (simWindows[i].hwnd == hwnd)
            return "W" + std::to_string(i + 1);
    char unknown[32];
    snprintf(unknown, sizeof unknown, "?%#zx", (size_t)(uintptr_t)hwnd);
    return unknown;
}

std::string SimMessageName(UINT msg)
{
    static const struct {
        UINT msg;
        const char *name;
    } names[] = {
        {WM_CREATE, "WM_CREATE"},         {WM_DESTROY, "WM_DESTROY"},   {WM_PAINT, "WM_PAINT"},
        {WM_CLOSE, "WM_CLOSE"},           {WM_QUERYENDSESSION, "WM_QUERYENDSESSION"}, {WM_QUIT, "WM_QUIT"},         {WM_COMMAND, "WM_COMMAND"},
        {WM_SYSCOMMAND, "WM_SYSCOMMAND"}, {WM_TIMER, "WM_TIMER"},       {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
        {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
    };
    for (const auto &n : names)
        if (n.msg == msg)
            return n.name;
    char hex[16];
    snprintf(hex, sizeof hex, "0x%x", msg);
    return hex;
}

void SimReset()
{
    SimResetKernel();
    SimResetWindows();
    SimResetMessages();
    SimResetBoxes();
    SimResetResources();
    SimResetShell();
    SimResetPaint();
    simLog.clear();
}
