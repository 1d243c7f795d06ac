// A seeded storm of messages, in and out of order, against the running program:
// nothing may crash, leak, or leave a global outside its allowed values.
#include "tests/support/program.h"

#include <random>

class Storm : public ProgramTest {
protected:
    std::mt19937 rng{20261206};
    unsigned sent = 0, boxesAllowed = 0;
    HWND hwnd = nullptr;

    DWORD Random() { return (DWORD)rng(); }
    unsigned Pick(unsigned n) { return Random() % n; }

    void Environment()
    {
        DWORD total = Pick(2) ? Pick(4u << 20) : Random();
        simMemory = Memory(total, Pick(4) ? Pick(total + 1) : Random(), Pick(101), Random(), Random());
        switch (Pick(4)) {
        case 0:
            simHeapLimit = Pick(2) ? 0 : 1u << 20;
            break;
        case 1:
            simTrayRefuseAll = !simTrayRefuseAll;
            break;
        case 2:
            simTray.clear(); // the shell restarts
            break;
        }
    }

    void Command()
    {
        static const WPARAM ours[] = {IDM_HEAVYCLEAN, IDM_ABOUT, IDM_SMALLCLEAN, IDM_HIDE};
        WPARAM command;
        switch (Pick(3)) {
        case 0:
            command = ours[Pick(4)];
            break;
        case 1:
            command = MAKEWPARAM(ours[Pick(4)], 1 + Pick(0xFFFF));
            break;
        default:
            command = Pick(2) ? (WPARAM)Random() : Pick(0x10000);
            break;
        }
        if (command == IDM_EXIT || Pick(5000) == 0)
            command = IDM_EXIT;
        boxesAllowed += command == IDM_HEAVYCLEAN || command == IDM_ABOUT || command == IDM_SMALLCLEAN;
        SimSend(hwnd, WM_COMMAND, command, 0);
    }

    void Message()
    {
        static const LPARAM mouse[] = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_MOUSEMOVE};
        sent++;
        switch (Pick(12)) {
        case 0:
        case 1:
            SimSend(hwnd, WM_TIMER, Pick(3), (LPARAM)(LONG)Random());
            break;
        case 2:
            SimAdvance(Pick(5000));
            SimPumpTicks(1);
            break;
        case 3:
            InvalidateRect(hwnd, nullptr, TRUE);
            UpdateWindow(hwnd);
            break;
        case 4:
            SimSend(hwnd, WM_TRAYNOTIFY, (WPARAM)Random(), Pick(4) ? mouse[Pick(5)] : (LPARAM)(LONG)Random());
            break;
        case 5:
            Command();
            break;
        case 6:
            SimSend(hwnd, WM_MOUSEMOVE, Pick(32), (LPARAM)(LONG)Random());
            break;
        case 7:
            SimSend(hwnd, taskbarCreatedMsg, 0, 0);
            break;
        case 8: {
            static const WPARAM system[] = {SC_MINIMIZE, SC_RESTORE, SC_MINIMIZE, SC_RESTORE, SC_CLOSE};
            SimSend(hwnd, WM_SYSCOMMAND, system[Pick(Pick(1000) ? 4 : 5)], 0);
            break;
        }
        case 9:
            SimSend(hwnd, Pick(0x10000), (WPARAM)Random(), (LPARAM)(LONG)Random());
            break;
        case 10:
            SimSend(hwnd, WM_PAINT, 0, 0);
            break;
        default:
            Environment();
            break;
        }
        ASSERT_LE(trend, TREND_LOSS);
        ASSERT_LE(windowVisible, 1);
    }

    bool Alive()
    {
        hwnd = simWindows.at(0).hwnd;
        return !simWindows[0].destroyed;
    }
};

TEST_F(Storm, MillionMessagesLeaveNothingBehind)
{
    const unsigned total = 1000000;
    unsigned runs = 0;
    while (sent < total && !HasFatalFailure()) {
        SimReset();
        RestoreLoadedState();
        simQuiet = true;
        simHeapLimit = 1u << 20;
        simWhileBoxOpen = [&](const SimMessageBox &box) {
            bool about = box.text == ABOUT_TEXT && box.caption == "About Quenmar" && box.type == MB_ICONINFORMATION;
            bool clean = (box.text == "RAM Cleaned" || box.text == "RAM cannot be locked") &&
                         box.caption == "Vev Arivezu" && box.type == MB_OK;
            ASSERT_TRUE(about || clean) << box.text;
            for (unsigned n = Pick(4); n > 0 && simBoxDepth < 4 && Alive(); n--)
                Message();
        };
        boxesAllowed = 1; // the About box at start
        int code = RunProgram([&](HWND) {
            while (sent < total && Alive() && !HasFatalFailure()) {
                Message();
                ASSERT_EQ(0u, SimLiveBlocks());
            }
            simTrayRefuseAll = false;
        });
        runs++;
        ASSERT_EQ(0, code);
        ASSERT_EQ(0u, SimLiveBlocks());
        ASSERT_EQ(3u, SimLiveIcons());
        ASSERT_EQ(boxesAllowed, simMessageBoxes.size());
        ASSERT_TRUE(simTray.empty() || simTray[0].hwnd != hwnd || !SimFindTrayIcon(hwnd, 0));
    }
    EXPECT_GE(sent, total);
    EXPECT_GT(runs, 1u);
}
