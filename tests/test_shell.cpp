// The desktop shell: tray tips, panel texts, the window's size, the window
// procedure's messages, visibility, and the tick shown and hidden.
#include "tests/support/harness.h"

TEST_F(Fresh, TipsPanelFiguresAndTheWindowHeight)
{
    const std::string x63(63, 'x'), x65 = x63 + "yz";
    auto shownTip = [] { const SimTrayIcon *icon = SimFindTrayIcon(OWNER, 0); return icon ? icon->tip : "(none)"; };
    for (const char *tip : {(const char *)nullptr, x63.c_str(), x65.c_str()}) {
        AddTrayIcon(OWNER, 0, nullptr, tip);
        EXPECT_EQ(tip ? x63 : "", shownTip());
        ModifyTrayIcon(OWNER, 0, "-");
        ModifyTrayIcon(OWNER, 0, tip);
        EXPECT_EQ(tip ? x63 : "", shownTip());
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
    const struct { RECT frame; LONG lineHeight, widest, width, height; } sizes[] = {
        {{-3, -44, 3, 3}, 16, 312, 318, 138}, /* Windows 10 */ {{-3, -30, 3, 3}, 13, 200, 300, 130},
        {{-4, -40, 4, 4}, 18, 293, 301, 137}};
    for (const auto &c : sizes) {
        SIZE size = MainWindowSize(c.frame, c.lineHeight, c.widest);
        EXPECT_EQ(std::make_pair(c.width, c.height), std::make_pair(size.cx, size.cy)) << c.widest;
    }
}

TEST_F(Fresh, MessagesActAndAnswerAsDesigned)
{
    const Calls repaint = {"InvalidateRect W1 all erase=1", "UpdateWindow W1", "BeginPaint W1"};
    const struct { UINT msg; WPARAM wParam; LPARAM lParam; LRESULT result; Calls calls; } cases[] = {
        {WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN, 0, {}}, {WM_TRAYNOTIFY, 0, WM_MOUSEMOVE, 0, {}},
        {WM_COMMAND, IDM_HEAVYCLEAN, 0, 0,
         {"HeapAlloc 31457280 flags=0x8 -> granted", "MessageBoxA W1 'RAM Cleaned' 'Vev Arivezu' 0x0 held=31457280"}},
        {WM_COMMAND, IDM_SMALLCLEAN, 0, 0,
         {"HeapAlloc 26214400 flags=0x8 -> granted", "MessageBoxA W1 'RAM Cleaned' 'Vev Arivezu' 0x0 held=26214400"}},
        {WM_COMMAND, IDM_ABOUT, 0, 0, {ABOUT_BOX}}, {WM_COMMAND, IDM_HIDE, 0, 0, {"ShowWindow W1 0"}},
        {WM_COMMAND, MAKEWPARAM(IDM_EXIT, 1), 0, 0, {"DefWindowProcA W1 WM_COMMAND 0x10069 0"}},
        {WM_TIMER, 7, 0, 100, repaint},
        {WM_MOUSEMOVE, MK_LBUTTON, 0x00100010, 0, repaint}, {WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, 0, 0, {}},
        {WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, 0, 0, {}}, {WM_MOUSEMOVE, 0, 0, 0, {}},
        {0x0400, 1, 2, 0, {"DefWindowProcA W1 0x400 0x1 0x2"}},
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

// P: left press on the tray icon, R: release, D: double click, H: Hide, M: minimize.
TEST_F(Fresh, TrayPressHideAndMinimize)
{
    const struct { int show; const char *actions; bool visible, minimized; } cases[] = {
        {SW_SHOWDEFAULT, "P", false, false}, {SW_SHOWDEFAULT, "PP", true, false},
        {SW_SHOWDEFAULT, "PRDR", false, false}, /* a double click toggles once */ {SW_SHOWDEFAULT, "HHP", true, false},
        {SW_SHOWDEFAULT, "MP", false, true}, {SW_SHOWDEFAULT, "MPP", true, false}, /* shown from the tray, restored */
        {SW_SHOWMINNOACTIVE, "", true, true}, {SW_SHOWMINNOACTIVE, "PP", true, false},
    };
    for (const auto &c : cases) {
        Reset();
        RunProgram(
            [&](HWND hwnd) {
                for (const char *a = c.actions; *a; a++)
                    if (*a == 'H' || *a == 'M')
                        SimSend(hwnd, *a == 'H' ? WM_COMMAND : WM_SYSCOMMAND, *a == 'H' ? IDM_HIDE : SC_MINIMIZE, 0);
                    else
                        SimTrayClick(hwnd, 0, *a == 'P' ? WM_LBUTTONDOWN : *a == 'R' ? WM_LBUTTONUP : WM_LBUTTONDBLCLK);
                EXPECT_EQ(std::make_tuple(c.visible, c.visible, c.minimized),
                          std::make_tuple(windowVisible == 1, simWindows[0].visible, simWindows[0].minimized)) << c.actions;
            },
            c.show);
    }
}

// Run elevated, the click and the shell's restart come through once the window
// lets them, also for a shell that comes up after the first add (at logon);
// before Windows 7 it cannot, and the icon is lost with the shell.
TEST_F(Fresh, ElevatedCopyHearsTheShell)
{
    const struct { bool elevated, beforeWindows7, shellLate, hears; } cases[] = {
        {false, false, false, true}, {false, true, true, true}, {true, false, false, true}, {true, false, true, true},
        {true, true, false, false}};
    for (const auto &c : cases) {
        Reset();
        simElevated = c.elevated, simBeforeWindows7 = c.beforeWindows7, simShellStartsLate = c.shellLate;
        RunProgram([&](HWND hwnd) {
            bool added = SimFindTrayIcon(hwnd, 0) != nullptr, clicked = SimTrayClick(hwnd, 0, WM_LBUTTONDOWN);
            SimShellRestart();
            EXPECT_EQ(std::make_tuple(true, c.hears, !c.hears, c.hears),
                      std::make_tuple(added, clicked, windowVisible == 1, SimFindTrayIcon(hwnd, 0) != nullptr))
                << "elevated " << c.elevated << ", before Windows 7 " << c.beforeWindows7 << ", shell late " << c.shellLate;
        });
    }
}

// Shown, every tick's paint puts the neutral picture back; hidden, the gain or
// loss picture stays up, nothing is drawn, and after a shell restart the icon
// comes back as it stood, with a handle of its own.
TEST_F(Fresh, TickShownAndHiddenAndTheShellRestarting)
{
    RunProgram([](HWND hwnd) {
        SimPumpTicks(1); // the first tick's clean is done with
        SetAvailable(12);
        TakeCalls();
        SimPumpTicks(1);
        ExpectCalls(Calls{"W1 WM_TIMER 0x1 0", "GlobalMemoryStatus len=32",
                          "Shell_NotifyIconA NIM_MODIFY W1 id=0 flags=0x6 icon=LoseIcon#1 tip='RAM : 12/64Mb' -> 1",
                          "InvalidateRect W1 all erase=1", "UpdateWindow W1"} +
                        PaintCalls("Vellitor#3", 12),
                    TakeCalls());
        SimSend(hwnd, WM_COMMAND, IDM_HIDE, 0);
        const struct { DWORD availMiB; std::string name; } ticks[] = {{30, "GainIcon"}, {30, "Vellitor"}, {8, "LoseIcon"}};
        for (const auto &t : ticks) {
            SetAvailable(t.availMiB);
            TakeCalls();
            SimPumpTicks(1);
            EXPECT_EQ(Calls{}, TakeCalls({"BeginPaint", "TextOutA"}));
            for (bool restarted : {false, true}) {
                if (restarted)
                    SimShellRestart();
                const SimTrayIcon *icon = SimFindTrayIcon(hwnd, 0);
                ASSERT_TRUE(icon != nullptr);
                EXPECT_EQ(t.name + " 'RAM : " + std::to_string(t.availMiB) + "/64Mb' cb=120 live=3",
                          icon->icon.substr(0, icon->icon.find('#')) + " '" + icon->tip + "' cb=" +
                              std::to_string(icon->callback) + " live=" + std::to_string(SimLiveIcons()));
            }
        }
        std::vector<int> cleans; // hidden, the schedule runs on: 600 ticks after the first tick's clean
        for (int tick = 6; tick <= 1201; tick++) {
            SetAvailable(tick % 2 ? 22 : 20); // never steady
            SimPumpTicks(1);
            cleans.insert(cleans.end(), TakeCalls({"HeapAlloc"}).size(), tick);
        }
        EXPECT_EQ((std::vector<int>{601, 1201}), cleans);
    });
}
