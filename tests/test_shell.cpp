// The desktop shell: tray tips, panel texts, the window's size, the window
// procedure's messages, visibility, and the tick shown and hidden.
#include "tests/support/harness.h"

#include <cstring>

TEST_F(Fresh, TipsPanelFiguresAndTheWindowSize)
{
    const std::string x63(63, 'x'), x65 = x63 + "yz";
    char text[STATUS_TEXT_SIZE];
    for (const char *tip : {(const char *)nullptr, x63.c_str(), x65.c_str()}) {
        AddTrayIcon(OWNER, 0, nullptr, tip); // refused if it does not end within the first layout's 64 bytes
        EXPECT_EQ(tip ? x63 : "", SimFindTrayIcon(OWNER, 0) ? SimFindTrayIcon(OWNER, 0)->tip : "(refused)");
        DeleteTrayIcon(OWNER, 0);
    }

    // The figures exact on machines of every size, after each line's label, and
    // every line whole in the window that start-up makes, to its end and to its
    // foot, within the frame and in the System font of every height Windows has.
    const struct { SimMachineMemory m; const char *figures; } machines[] = {
        {{47, 2116026368, 1073754169, 3 * GiB, 3 * GiB / 2}, // commit below 4 GiB
         "2116026368 (2018MB)|1073754169 (1024MB)|1610612736 (1536MB)|47%|1024/2018Mb"},
        {{16, 3 * GiB, 5 * GiB / 2 + 1, 5 * GiB, 9 * GiB / 2}, // commit limit and left above 4 GiB
         "3221225472 (3072MB)|2684354561 (2560MB)|536870912 (512MB)|16%|2560/3072Mb"},
        {{49, 17079074816, 8 * GiB + 1, 19226558464, 9663676416},
         "17079074816 (16287MB)|8589934593 (8192MB)|9562882048 (9119MB)|49%|8192/16287Mb"},
        {{12, 1024 * GiB, 900 * GiB, 1088 * GiB, 1024 * GiB},
         "1099511627776 (1048576MB)|966367641600 (921600MB)|68719476736 (65536MB)|12%|921600/1048576Mb"},
        {{100, PANEL_WIDEST_BYTES, PANEL_WIDEST_BYTES, PANEL_WIDEST_BYTES, 0}, // the bound the window is sized for
         "8796093022207 (8388607MB)|8796093022207 (8388607MB)|8796093022207 (8388607MB)|100%|8388607/8388607Mb"},
        {{30, 0, 0, 4294443007u, 4294967295u}, // seen under Wine: more left than the limit
         "0 (0MB)|0 (0MB)|0 (0MB)|30%|0/0Mb"},
    };
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, TRUE, WS_EX_TOOLWINDOW);
    for (int font : {0, 1, 2}) {
        Reset();
        simSystemFont = font;
        MainWindow();
        LONG width = simWindows.at(0).width - (frame.right - frame.left);
        LONG height = simWindows.at(0).height - (frame.bottom - frame.top);
        HDC dc = GetDC(NULL);
        for (const auto &machine : machines) {
            simMemory = machine.m;
            RefreshMemoryStatus();
            std::string lines;
            for (int line = 1; line < PANEL_LINES; line++) {
                FormatPanelLine(line, memoryStatus, text, sizeof text);
                SIZE extent = {0, 0};
                GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
                EXPECT_TRUE(extent.cx <= width && PANEL_LINE_Y[line] + extent.cy <= height) << font << " " << text;
                lines += strstr(text, " : ") + 3 + std::string("|");
            }
            FormatTip(text, sizeof text);
            EXPECT_EQ(machine.figures, lines + (strstr(text, " : ") + 3));
        }
    }
    // Never below 300 by 130, however small the frame and the font.
    SIZE small = MainWindowSize({-3, -30, 3, 3}, 13, 200);
    EXPECT_EQ(std::make_tuple(300, 130), std::make_tuple(small.cx, small.cy));
}

TEST_F(Fresh, MessagesActAndAnswerAsDesigned)
{
    const Calls repaint = {"InvalidateRect W1 all erase=1", "UpdateWindow W1", "BeginPaint W1"};
    const struct { UINT msg; WPARAM wParam; LPARAM lParam; LRESULT result; Calls calls; } cases[] = {
        {WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN, 0, {}}, {WM_TRAYNOTIFY, 0, WM_MOUSEMOVE, 0, {}},
        {WM_COMMAND, IDM_HEAVYCLEAN, 0, 0, {GRANTED("31457280"), BOX("W1", "RAM Cleaned", "31457280")}},
        {WM_COMMAND, IDM_SMALLCLEAN, 0, 0, {GRANTED("26214400"), BOX("W1", "RAM Cleaned", "26214400")}},
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
            EXPECT_EQ(c.result, MainWndProc(hwnd, c.msg, c.wParam, c.lParam)) << c.msg;
            ExpectCalls(c.calls, TakeCalls({"ShowWindow", "DefWindowProcA", "InvalidateRect", "UpdateWindow",
                                            "BeginPaint", "MessageBoxA W1", "HeapAlloc", "DestroyWindow"}));
        });
    }
}

// P: left press on the tray icon, R: release, D: double click (a double click
// toggles once), H: Hide, M: minimize (a press restores), B: the About box,
// over the actions after it (its owner disabled, the window does not
// minimize, while the tray still hides it), S: the shell restarts, X: it drops
// the icon without a word (the tick puts it back), T: a tick. Run elevated (e),
// the shell's messages come through once the window lets them, also from a
// shell that comes up late (l), after the first add. A shell that refuses the
// start-up add and comes up without a word (r) gets it at the next tick; one
// that never comes (n) gets an add a tick. No icon handle is ever left behind.
TEST_F(Fresh, TrayPressHideMinimizeAndTheShell)
{
    const struct { int show; const char *run, *actions; bool visible, minimized, icon; } cases[] = {
        {SW_SHOWDEFAULT, "", "PRDR", false, false, true}, {SW_SHOWDEFAULT, "", "HHP", true, false, true},
        {SW_SHOWDEFAULT, "", "BM", true, false, true}, {SW_SHOWDEFAULT, "", "BP", false, false, true},
        {SW_SHOWDEFAULT, "", "MPP", true, false, true}, {SW_SHOWMINNOACTIVE, "", "", true, true, true},
        {SW_SHOWMINNOACTIVE, "", "PP", true, false, true}, {SW_SHOWDEFAULT, "e", "PS", false, false, true},
        {SW_SHOWDEFAULT, "el", "P", false, false, true}, {SW_SHOWDEFAULT, "r", "TP", false, false, true},
        {SW_SHOWDEFAULT, "er", "TP", false, false, true}, {SW_SHOWDEFAULT, "e", "XTP", false, false, true},
        {SW_SHOWDEFAULT, "n", "TTP", true, false, false},
    };
    for (const auto &c : cases) {
        Reset();
        simElevated = strchr(c.run, 'e');
        simShellStartsLate = strchr(c.run, 'l'), simTrayRefuseAdd = strchr(c.run, 'r') || strchr(c.run, 'n');
        RunProgram(
            [&](HWND hwnd) {
                simTrayRefuseAdd = strchr(c.run, 'n');
                std::function<void(const char *)> run = [&](const char *a) {
                    for (; *a; a++)
                        if (*a == 'B') {
                            simWhileBoxOpen = [&, rest = a + 1] { run(rest); };
                            SimSend(hwnd, WM_COMMAND, IDM_ABOUT, 0);
                            return;
                        } else if (*a == 'H' || *a == 'M')
                            SimSend(hwnd, *a == 'H' ? WM_COMMAND : WM_SYSCOMMAND, *a == 'H' ? IDM_HIDE : SC_MINIMIZE, 0);
                        else if (strchr("SXT", *a))
                            *a == 'S' ? SimShellRestart() : *a == 'X' ? simTray.clear() : SimPumpTicks(1);
                        else
                            SimTrayClick(hwnd, 0, *a == 'P' ? WM_LBUTTONDOWN : *a == 'R' ? WM_LBUTTONUP : WM_LBUTTONDBLCLK);
                };
                run(c.actions);
                EXPECT_EQ(std::make_tuple(c.visible, c.visible, c.minimized, c.icon, (size_t)3),
                          std::make_tuple(windowVisible == 1, simWindows[0].visible, simWindows[0].minimized,
                                          SimFindTrayIcon(hwnd, 0) != nullptr, SimLiveIcons()))
                    << c.run << " " << c.actions;
            },
            c.show);
    }
}

// Hidden, the gain or loss picture stays up, above 4 GiB as below, nothing is
// drawn, and after a shell restart the icon comes back as it stood, with a
// copy of its own; so it does at the tick after the shell dropped it without
// a word, with one add. A shell too busy to answer the tick's modify in time
// (it still carries it out) gets an add that fails: one icon, with the tip.
TEST_F(Fresh, TickHiddenAndTheShellRestarting)
{
    RunProgram([](HWND hwnd) {
        SimPumpTicks(1); // the first tick's clean is done with
        SimSend(hwnd, WM_COMMAND, IDM_HIDE, 0);
        const struct { uint64_t avail; std::string name; bool dropped, busy; } ticks[] = {
            {5 * GiB, "GainIcon", false, false}, {6 * GiB, "GainIcon", true, false},
            {6 * GiB + 1, "Vellitor", false, false}, {5 * GiB, "LoseIcon", true, false},
            {7 * GiB, "GainIcon", false, true}};
        for (const auto &t : ticks) {
            simMemory = SimMachineMemory{60, 16 * GiB, t.avail, 20 * GiB, 12 * GiB};
            if (t.dropped)
                simTray.clear();
            simShellBusy = t.busy;
            TakeCalls();
            SimPumpTicks(1); // no paint, and one add where the icon was dropped or the modify not answered
            simShellBusy = false;
            EXPECT_EQ(t.dropped || t.busy ? 1u : 0u,
                      TakeCalls({"Shell_NotifyIconA NIM_ADD", "BeginPaint", "TextOutA"}).size());
            for (bool restart : {false, true}) {
                const SimTrayIcon *icon = (restart ? SimShellRestart() : (void)0, SimFindTrayIcon(hwnd, 0));
                EXPECT_EQ(t.name + " 'RAM : " + std::to_string(t.avail >> 20) + "/16384Mb' cb=120 live=3 icons=1",
                          !icon ? "none" : icon->icon.substr(0, icon->icon.find('#')) + " '" + icon->tip + "' cb=" +
                              std::to_string(icon->callback) + " live=" + std::to_string(SimLiveIcons()) +
                              " icons=" + std::to_string(simTray.size()));
            }
        }
        std::vector<int> cleans; // hidden, the schedule runs on: 600 ticks after the first tick's clean
        for (int tick = 7; tick <= 1201; tick++) {
            SetAvailable(tick % 2 ? 22 : 20); // never steady
            SimPumpTicks(1);
            cleans.insert(cleans.end(), TakeCalls({"HeapAlloc"}).size(), tick);
        }
        EXPECT_EQ((std::vector<int>{601, 1201}), cleans);
    });
}
