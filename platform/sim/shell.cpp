// Simulated SHELL32 notification area: icons keyed by window handle value and
// identifier, which outlive the window, as the real shell's do.
#include "platform/sim/sim.h"
#include "platform/sim/state.h"

#include <cstdio>
#include <cstring>

std::vector<SimTrayIcon> simTray;
bool simTrayRefuseAdd;
bool simShellStartsLate;
bool simShellBusy;

void SimResetShell()
{
    simTray.clear();
    simTrayRefuseAdd = simShellStartsLate = simShellBusy = false;
}

// "TaskbarCreated" to every window that lets it through as it goes out, sent
// at once or posted.
static void AnnounceTaskbar(bool post)
{
    UINT msg = SimMessageNumber("TaskbarCreated");
    for (size_t i = 0; i < simWindows.size(); i++)
        if (SimLetThrough(simWindows[i].hwnd, msg))
            post ? SimPost(simWindows[i].hwnd, msg, 0, 0) : (void)SimSend(simWindows[i].hwnd, msg, 0, 0);
}

static SimTrayIcon *Find(HWND hwnd, UINT id)
{
    for (auto &icon : simTray)
        if (icon.hwnd == hwnd && icon.id == id)
            return &icon;
    return nullptr;
}

const SimTrayIcon *SimFindTrayIcon(HWND hwnd, UINT id)
{
    return Find(hwnd, id);
}

static const char *Verb(DWORD message)
{
    switch (message) {
    case NIM_ADD:
        return "NIM_ADD";
    case NIM_MODIFY:
        return "NIM_MODIFY";
    case NIM_DELETE:
        return "NIM_DELETE";
    }
    return "?";
}

// The shell copies the picture, so the handle only has to be live during the call.
// The shell reads the first layout's record only: a tip must end within its
// 64 bytes, terminator included.
static const size_t TIP_BYTES = NOTIFYICONDATAA_V1_SIZE - offsetof(NOTIFYICONDATAA, szTip);

static std::string Tip(const NOTIFYICONDATAA &data)
{
    return std::string(data.szTip, strnlen(data.szTip, TIP_BYTES));
}

static bool Apply(SimTrayIcon &icon, const NOTIFYICONDATAA &data)
{
    if ((data.uFlags & NIF_ICON) && data.hIcon && !SimIconLive(data.hIcon))
        return false;
    if ((data.uFlags & NIF_TIP) && Tip(data).size() == TIP_BYTES)
        return false;
    if (data.uFlags & NIF_MESSAGE)
        icon.callback = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON)
        icon.icon = SimIconName(data.hIcon);
    if (data.uFlags & NIF_TIP)
        icon.tip = Tip(data);
    return true;
}

// An add or modify takes the first layout's size; a delete reads only the window
// and the identifier, whatever the size (dlls/shell32/tests/systray.c). A busy
// shell carries a call out but answers too late: the caller is told it failed.
BOOL WINAPI Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA *data)
{
    BOOL ok = FALSE;
    SimTrayIcon *icon = Find(data->hWnd, data->uID);
    if (data->cbSize == NOTIFYICONDATAA_V1_SIZE || message == NIM_DELETE) {
        if (message == NIM_ADD && simShellStartsLate) { // not up yet: it comes up at once and says so
            simShellStartsLate = false;
            AnnounceTaskbar(true);
        } else if (message == NIM_ADD && !icon && !simTrayRefuseAdd) {
            SimTrayIcon added{data->hWnd, data->uID, 0, "0", ""};
            if ((ok = Apply(added, *data)))
                simTray.push_back(added);
        } else if (message == NIM_MODIFY && icon) {
            ok = Apply(*icon, *data);
        } else if (message == NIM_DELETE && icon) {
            simTray.erase(simTray.begin() + (icon - simTray.data()));
            ok = TRUE;
        }
    }
    ok = ok && !simShellBusy;
    std::string line = std::string("Shell_NotifyIconA ") + Verb(message) + " " + SimWindowName(data->hWnd) +
                       " id=" + std::to_string(data->uID);
    if (data->cbSize != NOTIFYICONDATAA_V1_SIZE)
        line += " cbSize=" + std::to_string(data->cbSize);
    if (message != NIM_DELETE) {
        char flags[16];
        snprintf(flags, sizeof flags, "0x%x", data->uFlags);
        line += std::string(" flags=") + flags;
        if (data->uFlags & NIF_MESSAGE)
            line += " cb=" + std::to_string(data->uCallbackMessage);
        if (data->uFlags & NIF_ICON)
            line += " icon=" + SimIconName(data->hIcon);
        if (data->uFlags & NIF_TIP)
            line += " tip='" + Tip(*data) + "'" + (Tip(*data).size() == TIP_BYTES ? " (unterminated)" : "");
    }
    SimLogf("%s -> %d", line.c_str(), ok);
    return ok;
}

// A press on the icon: the shell sends the icon's window its callback message,
// with the identifier and the mouse message. False when nothing arrived.
bool SimTrayClick(HWND hwnd, UINT id, UINT mouseMessage)
{
    const SimTrayIcon *icon = Find(hwnd, id);
    if (!icon || !icon->callback || !SimLetThrough(hwnd, icon->callback))
        return false;
    SimSend(hwnd, icon->callback, id, mouseMessage);
    return true;
}

// Explorer ended and started again: every icon is gone, and each window hears
// "TaskbarCreated".
void SimShellRestart()
{
    simTray.clear();
    AnnounceTaskbar(false);
}
