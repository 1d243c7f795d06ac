// The desktop shell: tray tips, panel texts, the window's size, the window
// procedure's messages, visibility, and the tick shown and hidden.
#include "tests/support/harness.h"

#include <cstring>

TEST_F(Fresh, TipsPanelFiguresAndTheWindowSize)
{
    const std::string x63(63, 'x'), x65 = x63 + "yz";
    for (const char *tip : {(const char *)nullptr, x63.c_str(), x65.c_str()}) {
        AddTrayIcon(OWNER, 0, nullptr, tip); // refused if it does not end within the first layout's 64 bytes
        EXPECT_EQ(tip ? x63 : "", SimFindTrayIcon(OWNER, 0) ? SimFindTrayIcon(OWNER, 0)->tip : "(refused)");
        DeleteTrayIcon(OWNER, 0);
    }
    AddTrayIcon(OWNER, 0, nullptr, "");
    EXPECT_FALSE(AddTrayIcon(OWNER, 0, LoadIconA(simModule, ICON_GAIN), "")); // refused, and still consumed
    EXPECT_EQ(0u, SimLiveIcons());

    simMemory = {30, 0, 0, 4294443007u, 4294967295u}; // seen under Wine: more available than there is
    RefreshMemoryStatus();
    char text[STATUS_TEXT_SIZE];
    FormatPanelLine(3, memoryStatus, text, sizeof text);
    EXPECT_STREQ("Total Swapfile Size : 0 (0MB)", text);
    // The window's outer size: frame, caption and menu bar around the panel with
    // its widest line and its last line whole, never below 300 by 130 (Wine's
    // metrics and Windows' System font are in the start-up).
    SIZE windows10 = MainWindowSize({-3, -44, 3, 3}, 16, 312), small = MainWindowSize({-3, -30, 3, 3}, 13, 200);
    EXPECT_EQ(std::make_tuple(318, 138, 300, 130), std::make_tuple(windows10.cx, windows10.cy, small.cx, small.cy));
}

TEST_F(Fresh, MessagesActAndAnswerAsDesigned)
{
    const Calls repaint = {"InvalidateRect W1 all erase=1", "UpdateWindow W1", "BeginPaint W1"};
    const struct { UINT msg; WPARAM wParam; LPARAM lParam; LRESULT result; Calls calls; } cases[] = {
        {WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN, 0, {}}, {WM_TRAYNOTIFY, 0, WM_MOUSEMOVE, 0, {}},
        {WM_COMMAND, IDM_HEAVYCLEAN, 0, 0, {GRANTED("31457280"), BOX("W1", "RAM Cleaned", "31457280")}},
        {WM_COMMAND, IDM_SMALLCLEAN, 0, 0, {GRANTED("26214400"), BOX("W1", "RAM Cleaned", "26214400")}},
        {WM_COMMAND, IDM_ABOUT, 0, 0, {ABOUT_BOX}}, {WM_COMMAND, IDM_HIDE, 0, 0, {"ShowWindow W1 0"}},
        {WM_COMMAND, MAKEWPARAM(IDM_EXIT, 1), 0, 0, {"DefWindowProcA W1 WM_COMMAND 0x10069 0"}},
        {WM_TIMER, 7, 0, 100, repaint},
        {WM_MOUSEMOVE, MK_LBUTTON, 0x00100010, 0, repaint}, {WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, 0, 0, {}},
        {WM_MOUSEMOVE, 0, 0, 0, {}}, {0x0400, 1, 2, 0, {"DefWindowProcA W1 0x400 0x1 0x2"}},
    };
    for (const auto &c : cases) {
        Reset();
        RunProgram([&](HWND hwnd) {
            SimPumpTicks(1);
            TakeCalls();
            EXPECT_EQ(c.result, MainWndProc(hwnd, c.msg, c.wParam, c.lParam)) << SimMessageName(c.msg);
            ExpectCalls(c.calls, TakeCalls({"ShowWindow", "DefWindowProcA", "InvalidateRect", "UpdateWindow",
                                            "BeginPaint", "MessageBoxA W1", "HeapAlloc", "DestroyWindow"}));
        });
    }
}

// P: left press on the tray icon, R: release, D: double click, H: Hide, M: minimize,
// S: the shell restarts. Run elevated (e), the shell's messages come through once
// the window lets them, also from a shell that comes up late (l), after the first
// add; before Windows 7 (7) they cannot, and the icon is lost with the shell.
TEST_F(Fresh, TrayPressHideMinimizeAndTheShell)
{
    const struct { int show; const char *run, *actions; bool visible, minimized, icon; } cases[] = {
        {SW_SHOWDEFAULT, "", "P", false, false, true}, {SW_SHOWDEFAULT, "", "PP", true, false, true},
        {SW_SHOWDEFAULT, "", "PRDR", false, false, true}, /* a double click toggles once */
        {SW_SHOWDEFAULT, "", "HHP", true, false, true}, {SW_SHOWDEFAULT, "", "MP", false, true, true},
        {SW_SHOWDEFAULT, "", "MPP", true, false, true}, /* shown from the tray, restored */
        {SW_SHOWMINNOACTIVE, "", "", true, true, true}, {SW_SHOWMINNOACTIVE, "", "PP", true, false, true},
        {SW_SHOWDEFAULT, "e", "PS", false, false, true}, {SW_SHOWDEFAULT, "el", "P", false, false, true},
        {SW_SHOWDEFAULT, "7l", "PS", false, false, true}, {SW_SHOWDEFAULT, "e7", "PS", true, false, false},
    };
    for (const auto &c : cases) {
        Reset();
        simElevated = strchr(c.run, 'e'), simBeforeWindows7 = strchr(c.run, '7');
        simShellStartsLate = strchr(c.run, 'l');
        RunProgram(
            [&](HWND hwnd) {
                for (const char *a = c.actions; *a; a++)
                    if (*a == 'H' || *a == 'M')
                        SimSend(hwnd, *a == 'H' ? WM_COMMAND : WM_SYSCOMMAND, *a == 'H' ? IDM_HIDE : SC_MINIMIZE, 0);
                    else if (*a == 'S')
                        SimShellRestart();
                    else
                        SimTrayClick(hwnd, 0, *a == 'P' ? WM_LBUTTONDOWN : *a == 'R' ? WM_LBUTTONUP : WM_LBUTTONDBLCLK);
                EXPECT_EQ(std::make_tuple(c.visible, c.visible, c.minimized, c.icon),
                          std::make_tuple(windowVisible == 1, simWindows[0].visible, simWindows[0].minimized,
                                          SimFindTrayIcon(hwnd, 0) != nullptr))
                    << c.run << " " << c.actions;
            },
            c.show);
    }
}

// Hidden, the gain or loss picture stays up, nothing is drawn, and after a shell
// restart the icon comes back as it stood, with a handle of its own.
TEST_F(Fresh, TickHiddenAndTheShellRestarting)
{
    RunProgram([](HWND hwnd) {
        SimPumpTicks(1); // the first tick's clean is done with
        SimSend(hwnd, WM_COMMAND, IDM_HIDE, 0);
        const struct { DWORD availMiB; std::string name; } ticks[] = {{30, "GainIcon"}, {30, "Vellitor"}, {8, "LoseIcon"}};
        for (const auto &t : ticks) {
            SetAvailable(t.availMiB);
            TakeCalls();
            SimPumpTicks(1);
            EXPECT_EQ(Calls{}, TakeCalls({"BeginPaint", "TextOutA"}));
            for (bool restart : {false, true}) {
                const SimTrayIcon *icon = (restart ? SimShellRestart() : (void)0, SimFindTrayIcon(hwnd, 0));
                EXPECT_EQ(t.name + " 'RAM : " + std::to_string(t.availMiB) + "/64Mb' cb=120 live=3",
                          !icon ? "none" : icon->icon.substr(0, icon->icon.find('#')) + " '" + icon->tip + "' cb=" +
                              std::to_string(icon->callback) + " live=" + std::to_string(SimLiveIcons()));
            }
        }
        std::vector<int> cleans; // hidden, the schedule runs on: 600 ticks after the first tick's clean
        for (int tick = 5; tick <= 1201; tick++) {
            SetAvailable(tick % 2 ? 22 : 20); // never steady
            SimPumpTicks(1);
            cleans.insert(cleans.end(), TakeCalls({"HeapAlloc"}).size(), tick);
        }
        EXPECT_EQ((std::vector<int>{601, 1201}), cleans);
    });
}

// The icon gone with no "TaskbarCreated" to say so: the shell refused the add at
// start-up and came up later (r), or dropped the icon mid-run (d). The next tick
// puts it back with its picture and tip, also elevated (e) and before Windows 7
// (7, where the click cannot come through); a shell that never comes (n) gets
// one add a tick. No handle is left behind.
TEST_F(Fresh, TrayIconPutBackAtTheNextTick)
{
#define ADD(icon, avail, result)                                                                                  \
    "LoadIconA '" icon "' -> " icon "#" avail, "Shell_NotifyIconA NIM_ADD W1 id=0 flags=0x7 cb=120 icon=" icon   \
    "#" avail " tip='RAM : 30/64Mb' -> " result, "DestroyIcon " icon "#" avail " -> 1"
    const Calls putBack = {"Shell_NotifyIconA NIM_MODIFY W1 id=0 flags=0x6 icon=GainIcon#2 tip='RAM : 30/64Mb' -> 0",
                           ADD("GainIcon", "5", "1")},
                untouched = {"Shell_NotifyIconA NIM_MODIFY W1 id=0 flags=0x6 icon=Vellitor#3 tip='RAM : 30/64Mb' -> 1"},
                refused = {"Shell_NotifyIconA NIM_MODIFY W1 id=0 flags=0x6 icon=GainIcon#2 tip='RAM : 30/64Mb' -> 0",
                           ADD("GainIcon", "5", "0")},
                refusedAgain = {"Shell_NotifyIconA NIM_MODIFY W1 id=0 flags=0x6 icon=Vellitor#3 tip='RAM : 30/64Mb' -> 0",
                                ADD("Vellitor", "6", "0")};
#undef ADD
    const struct { const char *run; Calls first, second; bool clickArrives; } cases[] = {
        {"r", putBack, untouched, true}, {"d", putBack, untouched, true}, {"er", putBack, untouched, true},
        {"ed", putBack, untouched, true}, {"e7d", putBack, untouched, false}, {"n", refused, refusedAgain, false},
    };
    for (const auto &c : cases) {
        Reset();
        simElevated = strchr(c.run, 'e'), simBeforeWindows7 = strchr(c.run, '7');
        simTrayRefuseAdd = strchr(c.run, 'r') || strchr(c.run, 'n');
        RunProgram([&](HWND hwnd) {
            SimSend(hwnd, WM_COMMAND, IDM_HIDE, 0); // hidden, the tick's picture stays up
            if (strchr(c.run, 'd')) {
                SimPumpTicks(1);
                simTray.clear();
            }
            simTrayRefuseAdd = strchr(c.run, 'n'); // r: up now, without a word
            SetAvailable(30);
            const char *prefixes[] = {"Shell_NotifyIconA", "LoadIconA", "DestroyIcon"};
            for (const Calls *expected : {&c.first, &c.second}) {
                TakeCalls();
                SimPumpTicks(1);
                ExpectCalls(*expected, TakeCalls({prefixes[0], prefixes[1], prefixes[2]}));
            }
            const SimTrayIcon *icon = SimFindTrayIcon(hwnd, 0);
            EXPECT_EQ(std::make_tuple(c.run[0] != 'n', c.clickArrives, (size_t)3),
                      std::make_tuple(icon && icon->tip == "RAM : 30/64Mb" && icon->callback == WM_TRAYNOTIFY,
                                      SimTrayClick(hwnd, 0, WM_LBUTTONDOWN) && windowVisible, SimLiveIcons()))
                << c.run;
        });
    }
}
