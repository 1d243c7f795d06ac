// The main window procedure: the tick with the window shown and hidden, the
// message table, visibility, and the tray icon after the shell restarts.
#include "tests/support/program.h"

class Window : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        SetStandardMemory(20);
    }
};

static Calls Concat(std::initializer_list<Calls> parts)
{
    Calls all;
    for (const Calls &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(Window, TickWhileShownPaintsAndLeavesTheTraySteady)
{
    RunProgram([](HWND hwnd) {
        SimPumpTicks(1); // the first tick's clean is done with
        SetStandardMemory(12);
        TakeCalls();
        SimPumpTicks(1);
        ExpectCalls(Concat({{"W1 WM_TIMER 0x1 0", "GlobalMemoryStatus len=32",
                             "Shell_NotifyIconA NIM_MODIFY W1 id=0 flags=0x6 icon=LoseIcon#1 tip='RAM : 12/64Mb' -> 1",
                             "InvalidateRect W1 all erase=1", "UpdateWindow W1"},
                            PaintCalls("Vellitor#3", 12)}),
                    TakeCalls());
        EXPECT_EQ(TREND_STEADY, trend);
        EXPECT_EQ("Vellitor#3", SimFindTrayIcon(hwnd, 0)->icon);

        // A paint between ticks takes no new snapshot.
        SetStandardMemory(30);
        InvalidateRect(hwnd, nullptr, TRUE);
        UpdateWindow(hwnd);
        ExpectCalls(Concat({{"InvalidateRect W1 all erase=1", "UpdateWindow W1"}, PaintCalls("Vellitor#3", 12)}),
                    TakeCalls());
    });
}

TEST_F(Window, TickWhileHiddenKeepsGainOrLossUpAndDrawsNothing)
{
    RunProgram([](HWND hwnd) {
        SimPumpTicks(1);
        SimSend(hwnd, WM_COMMAND, IDM_HIDE, 0);
        const struct {
            DWORD availMiB;
            const char *icon;
        } ticks[] = {{30, "GainIcon#2"}, {30, "Vellitor#3"}, {8, "LoseIcon#1"}};
        for (const auto &t : ticks) {
            SetStandardMemory(t.availMiB);
            TakeCalls();
            SimPumpTicks(1);
            std::string tip = "RAM : " + std::to_string(t.availMiB) + "/64Mb";
            ExpectCalls({"W1 WM_TIMER 0x1 0", "GlobalMemoryStatus len=32",
                         std::string("Shell_NotifyIconA NIM_MODIFY W1 id=0 flags=0x6 icon=") + t.icon + " tip='" + tip +
                             "' -> 1",
                         "InvalidateRect W1 all erase=1", "UpdateWindow W1"},
                        TakeCalls());
            EXPECT_EQ(t.icon, SimFindTrayIcon(hwnd, 0)->icon);
        }
        // Shown again, it paints the current figures at once.
        SimSend(hwnd, WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN);
        MSG msg;
        ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
        TakeCalls();
        DispatchMessageA(&msg);
        ExpectCalls(PaintCalls("Vellitor#3", 8), TakeCalls());
    });
}

struct MessageCase {
    const char *name;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
    Calls expected;
    bool visibleAfter;
};
static void PrintTo(const MessageCase &c, std::ostream *os) { *os << c.name; }

class Message : public Window, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(Message, ActsAndAnswersAsDesigned)
{
    const MessageCase &c = GetParam();
    RunProgram([&](HWND hwnd) {
        SimPumpTicks(1);
        TakeCalls();
        EXPECT_EQ(c.result, MainWndProc(hwnd, c.msg, c.wParam, c.lParam));
        ExpectCalls(c.expected, TakeCalls({"ShowWindow", "DefWindowProcA", "InvalidateRect", "UpdateWindow",
                                          "BeginPaint", "MessageBoxA W1", "HeapAlloc", "DestroyWindow"}));
        EXPECT_EQ(c.visibleAfter, windowVisible == 1);
        EXPECT_EQ(c.visibleAfter, simWindows[0].visible);
        EXPECT_EQ(0u, SimLiveBlocks());
    });
}

static const Calls REPAINT = {"InvalidateRect W1 all erase=1", "UpdateWindow W1", "BeginPaint W1"};
static const Calls DEFAULT_COMMAND_EXIT = {"DefWindowProcA W1 WM_COMMAND 0x10069 0"};

INSTANTIATE_TEST_SUITE_P(
    Cases, Message,
    ::testing::Values(
        MessageCase{"TrayLeftPressHides", WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN, 0, {"ShowWindow W1 0"}, false},
        MessageCase{"TrayLeftReleaseNothing", WM_TRAYNOTIFY, 0, WM_LBUTTONUP, 0, {}, true},
        MessageCase{"TrayDoubleClickNothing", WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK, 0, {}, true},
        MessageCase{"TrayRightPressNothing", WM_TRAYNOTIFY, 0, WM_RBUTTONDOWN, 0, {}, true},
        MessageCase{"TrayMouseMoveNothing", WM_TRAYNOTIFY, 0, WM_MOUSEMOVE, 0, {}, true},
        MessageCase{"HeavyClean", WM_COMMAND, IDM_HEAVYCLEAN, 0, 0,
                    {"HeapAlloc 31457280 flags=0x8 -> granted", "MessageBoxA W1 'RAM Cleaned' 'Vev Arivezu' 0x0"}, true},
        MessageCase{"SmallClean", WM_COMMAND, IDM_SMALLCLEAN, 0, 0,
                    {"HeapAlloc 26214400 flags=0x8 -> granted", "MessageBoxA W1 'RAM Cleaned' 'Vev Arivezu' 0x0"}, true},
        MessageCase{"About", WM_COMMAND, IDM_ABOUT, 0, 0,
                    {std::string("MessageBoxA W1 '") + ABOUT_TEXT + "' 'About Quenmar' 0x40"}, true},
        MessageCase{"Hide", WM_COMMAND, IDM_HIDE, 0, 0, {"ShowWindow W1 0"}, false},
        MessageCase{"CommandWithHighWordIsNotOurs", WM_COMMAND, MAKEWPARAM(IDM_EXIT, 1), 0, 0, DEFAULT_COMMAND_EXIT,
                    true},
        MessageCase{"UnknownCommand", WM_COMMAND, 106, 0, 0, {"DefWindowProcA W1 WM_COMMAND 0x6a 0"}, true},
        MessageCase{"TimerAnswers100", WM_TIMER, 7, 0, 100, REPAINT, true},
        MessageCase{"DragRepaints", WM_MOUSEMOVE, MK_LBUTTON, 0x00100010, 0, REPAINT, true},
        MessageCase{"DragWithShiftNothing", WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, 0, 0, {}, true},
        MessageCase{"DragWithBothButtonsNothing", WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, 0, 0, {}, true},
        MessageCase{"HoverNothing", WM_MOUSEMOVE, 0, 0, 0, {}, true},
        MessageCase{"OtherMessagesToDefault", 0x0400, 1, 2, 0, {"DefWindowProcA W1 0x400 0x1 0x2"}, true}),
    [](const ::testing::TestParamInfo<MessageCase> &param) { return std::string(param.param.name); });

enum Action { TRAY_PRESS, TRAY_RELEASE, TRAY_DOUBLE, HIDE, MINIMIZE };

TEST_F(Window, TrayPressAndHideToggleVisibility)
{
    const struct {
        const char *name;
        std::vector<Action> actions;
        bool visible;
    } cases[] = {
        {"press", {TRAY_PRESS}, false},
        {"press twice", {TRAY_PRESS, TRAY_PRESS}, true},
        {"double click toggles once", {TRAY_PRESS, TRAY_RELEASE, TRAY_DOUBLE, TRAY_RELEASE}, false},
        {"hide while hidden, then press", {HIDE, HIDE, TRAY_PRESS}, true},
        {"press after hide", {HIDE, TRAY_PRESS}, true},
        {"press after minimize hides", {MINIMIZE, TRAY_PRESS}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SimReset();
        RestoreLoadedState();
        RunProgram([&](HWND hwnd) {
            for (Action a : c.actions) {
                if (a == HIDE)
                    SimSend(hwnd, WM_COMMAND, IDM_HIDE, 0);
                else if (a == MINIMIZE)
                    SimSend(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
                else
                    SimSend(hwnd, WM_TRAYNOTIFY, 0,
                            a == TRAY_PRESS ? WM_LBUTTONDOWN : a == TRAY_RELEASE ? WM_LBUTTONUP : WM_LBUTTONDBLCLK);
            }
            EXPECT_EQ(c.visible, windowVisible == 1);
            EXPECT_EQ(c.visible, simWindows[0].visible);
        });
    }
}

TEST_F(Window, ShellRestartBringsTheTrayIconBack)
{
    RunProgram([](HWND hwnd) {
        SimPumpTicks(1);
        SimSend(hwnd, WM_COMMAND, IDM_HIDE, 0);
        SetStandardMemory(9);
        SimPumpTicks(1); // hidden: the loss picture stays up
        simTray.clear(); // the shell restarts
        TakeCalls();
        SimSend(hwnd, taskbarCreatedMsg, 0, 0);
        ExpectCalls({"W1 0xc100 0 0", "LoadIconA 'LoseIcon' -> LoseIcon#5",
                     "Shell_NotifyIconA NIM_ADD W1 id=0 flags=0x7 cb=120 icon=LoseIcon#5 tip='RAM : 9/64Mb' -> 1",
                     "DestroyIcon LoseIcon#5 -> 1"},
                    TakeCalls());
        EXPECT_EQ(3u, SimLiveIcons());
        EXPECT_TRUE(SimIconLive(iconLose));
        // It is back for good: the next tick modifies it, a press still toggles.
        SimPumpTicks(1);
        EXPECT_EQ("RAM : 9/64Mb", SimFindTrayIcon(hwnd, 0)->tip);
        EXPECT_EQ(WM_TRAYNOTIFY, SimFindTrayIcon(hwnd, 0)->callback);
    });
}

TEST_F(Window, TicksGoOnUnderACleanBox)
{
    RunProgram([](HWND hwnd) {
        simWhileBoxOpen = [](const SimMessageBox &) {
            SetStandardMemory(5);
            SimPumpTicks(1);
        };
        SimSend(hwnd, WM_COMMAND, IDM_HEAVYCLEAN, 0);
        // The tick under the box repaints the new figures and takes the first
        // automatic clean's block while the manual one is still held.
        ExpectCalls({"HeapAlloc 31457280 flags=0x8 -> granted",
                     "MessageBoxA W1 'RAM Cleaned' 'Vev Arivezu' 0x0",
                     "TextOutA 0,45 'Available Physical RAM : 5242880 (5MB)'",
                     "HeapAlloc 16777216 flags=0x8 -> granted",
                     "HeapFree 16777216 flags=0x0 zero=1",
                     "MessageBoxA closed 'RAM Cleaned'",
                     "HeapFree 31457280 flags=0x0 zero=1"},
                    TakeCalls({"HeapAlloc", "HeapFree", "MessageBoxA", "TextOutA 0,45"}));
    });
}
