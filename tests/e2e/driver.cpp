// End-to-end driver, run under Wine beside the real quenmar.exe: starts it as a
// user would, drives it with real key presses and mouse clicks, and checks what
// only the real platform shows: resources, the paint, the tray, the boxes, the
// exit code. One line per check, then "N passed, N failed".
//   driver.exe QUENMAR_EXE MEMINFO [SHOTS]   the suite; MEMINFO is the file bound
//                      over /proc/meminfo, rewritten in place; into the folder
//                      SHOTS go pictures of the window, the About box and the tray
//   driver.exe exit    ends a running copy from its menu
#include "tests/e2e/e2e.h"

#include <psapi.h>
#include <stdio.h>

static int passed, failed;

static bool Check(bool ok, const std::string &what, const std::string &detail = "")
{
    printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    return fflush(stdout), (ok ? passed : failed)++, ok;
}

static bool Launch()
{
    StartQuenmar();
    auto save = [](HWND box) { // painted whole first: Wine 10 shows a box before it draws its text
        RECT r;
        Repaint(box), GetWindowRect(box, &r), Save("about", r);
    };
    return Check(FindMain(120000) && !AnswerBox("About Quenmar", save).empty() && IsWindow(mainWnd),
                 "start-up: the \"MyClass\" window \"Quenmar\", and the About box over it, which OK closes");
}

static void Ends(const char *how)
{
    DWORD code = 259;
    if (WaitForSingleObject(quenmar.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(quenmar.hProcess, 1);
    GetExitCodeProcess(quenmar.hProcess, &code);
    Check(code == 0, Format("%s ends the program with exit code 0", how), Format("%lu", code));
    CloseHandle(quenmar.hProcess), CloseHandle(quenmar.hThread);
}

static void PanelMatches(const char *name)
{
    std::string detail;
    bool drawn = PanelDrawn(15000, detail);
    Check(drawn, Format("%s: the five lines whole, with the figures of a large-address-aware program", name), detail);
    RECT outer;
    GetWindowRect(mainWnd, &outer);
    Save("window", outer);
}

// Menus do not cross processes under Wine: the menu is read from the exe, and
// the live bar is driven by keyboard.
static void Menu()
{
    HMENU bar = LoadMenuA(LoadLibraryExA(quenmarExe, NULL, LOAD_LIBRARY_AS_DATAFILE), "MainMenu");
    std::string items;
    for (HMENU menu : {bar, GetSubMenu(bar, 0)})
        for (int i = 0; i < GetMenuItemCount(menu); i++) {
            char text[32] = "";
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            items += Format("%s=%d ", text, (int)GetMenuItemID(menu, i));
        }
    Check(items == "File=-1 About=102 Hide=104 Heavy Clean=101 Small Clean=103 =0 Exit=105 ",
          "menu \"MainMenu\": File (Heavy Clean, Small Clean, a separator, Exit), About, Hide", items);
}

static void Tray()
{
    Keys({VK_F10, VK_RIGHT, VK_RIGHT, VK_RETURN});
    Check(Shown(false), "menu: Hide hides the window");
    // Available memory moves at every look, so that every tick sees the change however
    // slowly the screen is read; above 2 GiB, where a program capped there would see none.
    unsigned long availMiB = 3000;
    for (int step : {1, 0, -1}) {
        Picture expected = step > 0 ? GAIN : step < 0 ? LOSS : NEUTRAL, shown = NO_ICON;
        bool ok = WaitFor([&] { return SetAvailable(availMiB += step), (shown = TrayPicture()) == expected; });
        Check(ok, Format("tray, hidden: available memory %s shows the %s picture",
                         step > 0 ? "rising" : step < 0 ? "falling" : "held", pictureNames[expected]), pictureNames[shown]);
        Save(Format("tray-%s", pictureNames[expected]), {trayFace.x - 10, trayFace.y - 10, trayFace.x + 10, trayFace.y + 10});
    }
    // Dropped without "TaskbarCreated", as by a shell not yet up at logon: the
    // next tick finds the icon gone and puts it back, and the clicks below reach it.
    NOTIFYICONDATAA ours = {NOTIFYICONDATAA_V1_SIZE, mainWnd, 0};
    bool dropped = Shell_NotifyIconA(NIM_DELETE, &ours);
    Check(dropped && WaitFor([] { return TrayPicture() == NEUTRAL; }, 5000),
          "tray: the icon the shell dropped without a word is back within a tick");
    RECT before, after;
    bool shown = (TrayPicture(true), Shown(true));
    GetWindowRect(mainWnd, &before);
    PostMessageA(mainWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    bool minimized = WaitFor([] { return IsIconic(mainWnd) != 0; });
    bool hidden = (TrayPicture(true), Shown(false));
    bool back = (TrayPicture(true), WaitFor([&] { return IsWindowVisible(mainWnd) && !IsIconic(mainWnd); }));
    GetWindowRect(mainWnd, &after);
    Check(shown && minimized && hidden && back && EqualRect(&before, &after),
          "tray: a click shows the window; after a minimize a click hides it, the next shows it restored in place");
}

// Windows 10's caption and menu bar heights, in twips as Windows keeps them.
static void Windows10Metrics(bool set)
{
    const char *key = "Control Panel\\Desktop\\WindowMetrics";
    for (const char *value : {"SmCaptionHeight\0-330", "MenuHeight\0-285"}) // name, then data
        set ? RegSetKeyValueA(HKEY_CURRENT_USER, key, value, REG_SZ, value + strlen(value) + 1, 5)
            : RegDeleteKeyValueA(HKEY_CURRENT_USER, key, value);
}

int main(int argc, char **argv)
{
    if (argc == 2 && !strcmp(argv[1], "exit")) { // a copy already running here, ended as a user would
        // Onto the copy's Wine desktop: Wine 8 puts the driver there from a default in
        // the prefix, Wine 10 ignores that default.
        if (HDESK desktop = OpenDesktopA("Quenmar", 0, FALSE, GENERIC_ALL))
            SetThreadDesktop(desktop);
        return FindMain(180000) && (AnswerBox("About Quenmar"), Keys({VK_F10, VK_RETURN, VK_UP, VK_RETURN}),
                                    WaitFor([] { return !IsWindow(mainWnd); }, 30000)) ? 0 : 1;
    }
    if (argc != 3 && argc != 4)
        return fprintf(stderr, "usage: driver QUENMAR_EXE MEMINFO [SHOTS] | driver exit\n"), 2;
    quenmarExe = argv[1], meminfoPath = argv[2], shotsDir = argc == 4 ? argv[3] : NULL;
    SetAvailable(3000);
    for (bool windows10 : {false, true}) {
        Windows10Metrics(windows10);
        if (!Launch())
            continue;
        PanelMatches(windows10 ? "panel, with Windows 10's caption and menu bar" : "panel");
        if (windows10) {
            RECT r;
            GetWindowRect(mainWnd, &r);
            POINT at = {r.right - 12, r.top + 11}; // inside the close button at Wine's metrics and at Windows 10's
            if (SendMessageA(mainWnd, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)) == HTCLOSE)
                Click(at);
            Ends("the close button");
            continue;
        }
        Menu();
        Tray();
        // Wine reports no private usage for another process; a written block is resident.
        // With less available, commit is short of the one and a half times it asks for:
        // after a tick the program reads the figures this driver reads, and its block
        // may take at most half of the commit they leave.
        PROCESS_MEMORY_COUNTERS m = {sizeof m};
        auto ResidentMiB = [&] { return GetProcessMemoryInfo(quenmar.hProcess, &m, sizeof m), m.WorkingSetSize >> 20; };
        SetAvailable(1000), Sleep(2000);
        MEMORYSTATUS status = {sizeof status};
        GlobalMemoryStatus(&status);
        unsigned long before = ResidentMiB(), held = 0, after = 0, cap = status.dwAvailPageFile >> 21;
        Keys({VK_F10, VK_RETURN, VK_RETURN});
        std::string text = AnswerBox("Vev Arivezu", [&](HWND) { held = ResidentMiB(); });
        bool released = WaitFor([&] { return (after = ResidentMiB()) < before + 32; });
        Check(text == "RAM Cleaned" && held > before + std::min(cap, 256ul) / 2 && held <= before + cap + 8 && released,
              "Heavy Clean: \"RAM Cleaned\", the block held while the box is up, within half the commit left, "
              "and given back after OK",
              Format("'%s', %lu MiB resident before, %lu with the box, %lu after; %lu MiB available, half the "
                     "commit left %lu MiB", text.c_str(), before, held, after, status.dwAvailPhys >> 20, cap));
        Keys({VK_F10, VK_RETURN, VK_UP, VK_RETURN});
        Ends("menu: Exit");
    }
    Windows10Metrics(false); // the prefix as it was
    printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
