// Simulated SHELL32 notification area: icons keyed by window handle value and
// identifier, which outlive the window, as the real shell's do.
#include "platform/sim/state.h"

#include <cstring>

std::vector<SimTrayIcon> simTray;
bool simTrayRefuseAdd, simShellStartsLate, simShellBusy;

void SimResetShell()
{
    simTray.clear();
    simTrayRefuseAdd = simShellStartsLate = simShellBusy = false;
}

// "TaskbarCreated" to every window that lets it through as it goes out: sent
// at once, or queued from the shell's thread and answered when the program
// next reads its queue.
static void AnnounceTaskbar(bool queued)
{
    UINT msg = SimMessageNumber("TaskbarCreated");
    for (size_t i = 0; i < simWindows.size(); i++)
        if (HWND w = simWindows[i].hwnd; SimLetThrough(w, msg))
            queued ? SimSendFromOtherThread(w, msg, 0, 0) : (void)SimSend(w, msg, 0, 0);
}

SimTrayIcon *SimFindTrayIcon(HWND hwnd, UINT id)
{
    for (auto &icon : simTray)
        if (icon.hwnd == hwnd && icon.id == id)
            return &icon;
    return nullptr;
}

// The shell copies the picture, so the handle only has to be live during the
// call. It reads the first layout's record only: the tip within its 64 bytes.
static std::string Tip(const NOTIFYICONDATAA &data)
{
    return std::string(data.szTip, strnlen(data.szTip, NOTIFYICONDATAA_V1_SIZE - offsetof(NOTIFYICONDATAA, szTip)));
}

static void Apply(SimTrayIcon &icon, const NOTIFYICONDATAA &data)
{
    if (data.uFlags & NIF_MESSAGE)
        icon.callback = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON)
        icon.icon = SimIconName(data.hIcon);
    if (data.uFlags & NIF_TIP)
        icon.tip = Tip(data);
}

// An add or modify takes the first layout's size; a delete reads only the window
// and the identifier, whatever the size (dlls/shell32/tests/systray.c). A busy
// shell carries a call out but answers too late: the caller is told it failed.
BOOL WINAPI Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA *data)
{
    static const char *const verbs[] = {"NIM_ADD", "NIM_MODIFY", "NIM_DELETE"};
    SimTrayIcon *icon = SimFindTrayIcon(data->hWnd, data->uID);
    bool ok = data->cbSize == NOTIFYICONDATAA_V1_SIZE || message == NIM_DELETE;
    if (message == NIM_ADD && simShellStartsLate) { // not up yet: it comes up at once and says so
        simShellStartsLate = ok = false;
        AnnounceTaskbar(true);
    } else if (message == NIM_ADD && ok && !icon && !simTrayRefuseAdd) {
        simTray.push_back({data->hWnd, data->uID, 0, "0", ""});
        Apply(simTray.back(), *data);
    } else if (message == NIM_MODIFY && ok && icon) {
        Apply(*icon, *data);
    } else if (message == NIM_DELETE && icon) {
        simTray.erase(simTray.begin() + (icon - simTray.data()));
    } else {
        ok = false;
    }
    ok = ok && !simShellBusy;
    UINT flags = message == NIM_DELETE ? 0 : data->uFlags; // a delete reads no more of the record
    SimLogf("Shell_NotifyIconA %s %s id=%u flags=0x%x%s%s%s -> %d", verbs[message], SimWindowName(data->hWnd).c_str(),
            data->uID, flags, flags & NIF_MESSAGE ? (" cb=" + std::to_string(data->uCallbackMessage)).c_str() : "",
            flags & NIF_ICON ? (" icon=" + SimIconName(data->hIcon)).c_str() : "",
            flags & NIF_TIP ? (" tip='" + Tip(*data) + "'").c_str() : "", ok);
    return ok;
}

// A press on the icon: the shell sends the icon's window its callback message,
// with the identifier and the mouse message.
void SimTrayClick(HWND hwnd, UINT id, UINT mouseMessage)
{
    const SimTrayIcon *icon = SimFindTrayIcon(hwnd, id);
    if (icon && SimLetThrough(hwnd, icon->callback))
        SimSend(hwnd, icon->callback, id, mouseMessage);
}

// Explorer ended and started again: every icon is gone, and each window hears
// "TaskbarCreated".
void SimShellRestart()
{
    simTray.clear();
    AnnounceTaskbar(false);
}
