// Start-up, the message loop and shutdown of the whole program.
#include "tests/support/program.h"

class Program : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        SetStandardMemory(20);
    }
};

static const std::string ABOUT_BOX = std::string("MessageBoxA W1 '") + ABOUT_TEXT + "' 'About Quenmar' 0x40";

TEST_F(Program, StartsInOrderWithTicksUnderTheAboutBox)
{
    std::string tipBeforeFirstTick;
    Calls underBox;
    simWhileBoxOpen = [&](const SimMessageBox &) {
        tipBeforeFirstTick = SimFindTrayIcon(simWindows[0].hwnd, 0)->tip;
        Calls startUp = TakeCalls();
        Calls expected = {
            "LoadIconA 'LoseIcon' -> LoseIcon#1",
            "LoadIconA 'GainIcon' -> GainIcon#2",
            "LoadIconA 'Vellitor' -> Vellitor#3",
            "RegisterClassA 'MyClass' style=0x0 extra=0,0 inst=module icon=Vellitor#3 cursor=arrow bg=6 "
            "menu='MainMenu' -> ok",
            "CreateWindowExA ex=0x80 'MyClass' 'Quenmar' style=0xa0000 CW_USEDEFAULT,CW_USEDEFAULT 300x130 "
            "parent=0 menu=0 inst=module param=0 -> W1",
            "GlobalMemoryStatus len=32",
            "ShowWindow W1 10",
            "UpdateWindow W1",
        };
        // The first paint classifies against 0: gain, and the tray icon is not there yet.
        Calls paint = PaintCalls("GainIcon#2", 20, false);
        expected.insert(expected.end(), paint.begin(), paint.end());
        expected.insert(expected.end(), {
                                            "SetWindowPos W1 HWND_TOPMOST 0,0 0x0 flags=0x3",
                                            "ShowWindow W1 5",
                                            "LoadIconA 'Vellitor' -> Vellitor#4",
                                            "Shell_NotifyIconA NIM_ADD W1 id=0 flags=0x7 cb=120 icon=Vellitor#4 "
                                            "tip='Vellitor' -> 1",
                                            "DestroyIcon Vellitor#4 -> 1",
                                            "RegisterWindowMessageA 'TaskbarCreated' -> 0xc100",
                                            "SetTimer W1 1 1000 -> 1",
                                            ABOUT_BOX,
                                        });
        ExpectCalls(expected, startUp);
        SimPumpTicks(2);
        underBox = TakeCalls({"W1 WM_TIMER", "HeapAlloc", "MessageBoxA", "TextOutA 0,45"});
    };

    EXPECT_EQ(0, RunProgram([](HWND) {}));

    EXPECT_EQ("Vellitor", tipBeforeFirstTick);
    // The first tick ends steady, so it cleans at once; the second does not.
    ExpectCalls({"W1 WM_TIMER 0x1 0", "TextOutA 0,45 'Available Physical RAM : 20971520 (20MB)'",
                 "HeapAlloc 26214400 flags=0x8 -> granted", "W1 WM_TIMER 0x1 0",
                 "TextOutA 0,45 'Available Physical RAM : 20971520 (20MB)'"},
                underBox);
    const SimWindow &w = simWindows.at(0);
    EXPECT_TRUE(w.topmost);
    EXPECT_EQ(MainWndProc, simClasses.at(0).wc.lpfnWndProc);
    EXPECT_EQ(3u, SimLiveIcons()); // the second neutral handle went with the add
    EXPECT_TRUE(SimIconLive(iconNeutral));
    EXPECT_EQ(0u, SimLiveBlocks());
}

TEST_F(Program, EndsTheSameWayByExitOrClose)
{
    const struct {
        const char *name;
        UINT msg;
        WPARAM wParam;
        Calls expected;
    } cases[] = {
        {"Exit", WM_COMMAND, IDM_EXIT, {"W1 WM_COMMAND 0x69 0", "DestroyWindow W1"}},
        {"Close button",
         WM_SYSCOMMAND,
         SC_CLOSE,
         {"W1 WM_SYSCOMMAND 0xf060 0", "DefWindowProcA W1 WM_SYSCOMMAND 0xf060 0", "W1 WM_CLOSE 0 0",
          "DefWindowProcA W1 WM_CLOSE 0 0", "DestroyWindow W1"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SimReset();
        RestoreLoadedState();
        SetStandardMemory(20);
        int code = RunProgram([&](HWND hwnd) { SimPost(hwnd, c.msg, c.wParam, 0); });
        Calls expected = c.expected;
        expected.insert(expected.end(), {"W1 WM_DESTROY 0 0", "PostQuitMessage 0", "GetMessageA WM_QUIT 0",
                                         "KillTimer W1 1 -> 0", // the timer went with the window
                                         "Shell_NotifyIconA NIM_DELETE W1 id=0 -> 1"});
        ExpectCalls(expected, TakeCalls());
        EXPECT_EQ(0, code);
        EXPECT_TRUE(simTray.empty());
        EXPECT_EQ(0u, SimTimerCount());
    }
}

TEST_F(Program, IgnoresTheCommandLine)
{
    simIdle = [] { SimPost(simWindows.at(0).hwnd, WM_COMMAND, IDM_EXIT, 0); };
    EXPECT_EQ(0, WinMain(simModule, nullptr, (LPSTR) "/quit --hide 12345 \"x\"", SW_SHOWDEFAULT));
    EXPECT_EQ(0u, SimTimerCount());
    EXPECT_EQ(1u, simMessageBoxes.size());
}

TEST_F(Program, FailedClassOrWindowEndsWithNothingShown)
{
    for (int failure = 0; failure < 2; failure++) {
        SimReset();
        RestoreLoadedState();
        simFailRegisterClass = failure == 0;
        simFailCreateWindow = failure == 1;
        EXPECT_EQ(0, WinMain(simModule, nullptr, (LPSTR) "", SW_SHOWDEFAULT));
        Calls calls = TakeCalls();
        EXPECT_EQ(failure == 0 ? "RegisterClassA" : "CreateWindowExA", calls.back().substr(0, calls.back().find(' ')));
        EXPECT_TRUE(simTray.empty());
        EXPECT_EQ(0u, SimTimerCount());
        EXPECT_TRUE(simMessageBoxes.empty());
    }
}

// Every failure the running program can meet, one at a time and together: it
// runs on, reports only what a manual clean must, and leaks nothing.
TEST_F(Program, RunsOnThroughEveryPlatformFailure)
{
    enum { REFUSE_TRAY_ADD = 1, REFUSE_TRAY = 2, NO_TIMER = 4, HEAP_FIRST = 8, HEAP_BOTH = 16 };
    for (int faults = 0; faults < 32; faults++) {
        if ((faults & HEAP_FIRST) && (faults & HEAP_BOTH))
            continue;
        SCOPED_TRACE("faults " + std::to_string(faults));
        SimReset();
        RestoreLoadedState();
        SetStandardMemory(20);
        simTrayRefuseAdd = faults & REFUSE_TRAY_ADD;
        simTrayRefuseAll = faults & REFUSE_TRAY;
        simFailSetTimer = faults & NO_TIMER;
        simHeapLimit = faults & HEAP_BOTH ? MiB : faults & HEAP_FIRST ? 20 * MiB : SIZE_MAX;
        int code = RunProgram([](HWND hwnd) {
            // A heavy clean, and under its box the first tick with its automatic clean.
            simWhileBoxOpen = [hwnd](const SimMessageBox &) { SimSend(hwnd, WM_TIMER, 1, 0); };
            SimSend(hwnd, WM_COMMAND, IDM_HEAVYCLEAN, 0);
            simTray.clear();
            SimSend(hwnd, taskbarCreatedMsg, 0, 0);
            SimSend(hwnd, WM_TIMER, 1, 0);
        });
        EXPECT_EQ(0, code);
        EXPECT_EQ(0u, SimLiveBlocks());
        EXPECT_EQ(3u, SimLiveIcons());
        ASSERT_EQ(2u, simMessageBoxes.size()); // the About box and the heavy clean's, no other
        EXPECT_EQ(faults & HEAP_BOTH ? "RAM cannot be locked" : "RAM Cleaned", simMessageBoxes[1].text);
        std::vector<size_t> granted;
        for (const SimHeapRequest &r : simHeapRequests)
            if (r.granted)
                granted.push_back(r.size);
        std::vector<size_t> expected; // heavy, then the automatic clean under its box
        if (!(faults & HEAP_BOTH))
            expected = faults & HEAP_FIRST ? std::vector<size_t>{16 * MiB, 16 * MiB}
                                           : std::vector<size_t>{30 * MiB, 25 * MiB};
        EXPECT_EQ(expected, granted);
    }
}
