// The whole program: start-up with ticks under the About box, the hidden
// window's schedule, shutdown, and a run through every platform failure.
#include "tests/support/harness.h"

TEST_F(Fresh, StartsInOrderWithTicksUnderTheAboutBox)
{
    simWhileBoxOpen = [](const SimMessageBox &) {
        ExpectCalls(Calls{"LoadIconA 'LoseIcon' -> LoseIcon#1", "LoadIconA 'GainIcon' -> GainIcon#2",
                          "LoadIconA 'Vellitor' -> Vellitor#3",
                          "RegisterClassA 'MyClass' style=0x0 extra=0,0 inst=module icon=Vellitor#3 cursor=arrow bg=6 "
                          "menu='MainMenu' -> ok",
                          "AdjustWindowRectEx style=0xca0000 menu=1 ex=0x80", "GetDC 0", "GetTextMetricsA",
                          "ReleaseDC 0",
                          "CreateWindowExA ex=0x80 'MyClass' 'Quenmar' style=0xa0000 CW_USEDEFAULT,CW_USEDEFAULT "
                          "300x132 parent=0 menu=0 inst=module param=0 -> W1",
                          "GlobalMemoryStatus len=32", "ShowWindow W1 10", "UpdateWindow W1"} +
                        PaintCalls("GainIcon#2", 20, "0") + // against 0, and before the tray icon is there
                        Calls{"SetWindowPos W1 HWND_TOPMOST 0,0 0x0 flags=0x3", "ShowWindow W1 5",
                              "LoadIconA 'Vellitor' -> Vellitor#4",
                              "Shell_NotifyIconA NIM_ADD W1 id=0 flags=0x7 cb=120 icon=Vellitor#4 tip='Vellitor' -> 1",
                              "DestroyIcon Vellitor#4 -> 1", "RegisterWindowMessageA 'TaskbarCreated' -> 0xc100",
                              "SetTimer W1 1 1000 -> 1", ABOUT_BOX},
                    TakeCalls());
        EXPECT_EQ("Vellitor", simTray.at(0).tip);
        SimPumpTicks(2); // the first tick ends steady, so it cleans at once; the second does not
        ExpectCalls({"W1 WM_TIMER 0x1 0", "TextOutA 0,45 'Available Physical RAM : 20971520 (20MB)'",
                     "HeapAlloc 26214400 flags=0x8 -> granted", "W1 WM_TIMER 0x1 0",
                     "TextOutA 0,45 'Available Physical RAM : 20971520 (20MB)'"},
                    TakeCalls({"W1 WM_TIMER", "HeapAlloc", "MessageBoxA", "TextOutA 0,45"}));
    };
    EXPECT_EQ(0, RunProgram([](HWND) {}));
    EXPECT_TRUE(simWindows.at(0).topmost && SimIconLive(iconNeutral));
}

TEST_F(Fresh, HiddenWindowStillCleansEvery600Ticks)
{
    RunProgram([](HWND hwnd) {
        SimSend(hwnd, WM_COMMAND, IDM_HIDE, 0);
        std::vector<int> cleans;
        for (int tick = 1; tick <= 1200; tick++) {
            SetAvailable(tick % 2 ? 22 : 20); // never steady
            SimPumpTicks(1);
            cleans.insert(cleans.end(), TakeCalls({"HeapAlloc"}).size(), tick);
        }
        EXPECT_EQ((std::vector<int>{600, 1200}), cleans);
    });
}

TEST_F(Fresh, EndsByExitOrFailedStart)
{
    EXPECT_EQ(0, RunProgram([](HWND hwnd) { SimPost(hwnd, WM_COMMAND, IDM_EXIT, 0); }));
    ExpectCalls({"W1 WM_COMMAND 0x69 0", "DestroyWindow W1", "W1 WM_DESTROY 0 0", "PostQuitMessage 0",
                 "GetMessageA WM_QUIT 0", "KillTimer W1 1 -> 0", /* the timer went with the window */
                 "Shell_NotifyIconA NIM_DELETE W1 id=0 -> 1"},
                TakeCalls());
    for (bool *failure : {&simFailRegisterClass, &simFailCreateWindow}) {
        Reset();
        *failure = true;
        EXPECT_EQ(0, WinMain(simModule, nullptr, (LPSTR) "", SW_SHOWDEFAULT));
        std::string last = TakeCalls().back();
        EXPECT_EQ(failure == &simFailCreateWindow ? "CreateWindowExA" : "RegisterClassA", last.substr(0, last.find(' ')));
        EXPECT_TRUE(simTray.empty() && SimTimerCount() == 0);
    }
}

// Every failure the running program can meet, alone and together: a heavy clean
// with a tick under its box, then a shell restart and a tick. It runs on, shows
// only the boxes asked for, and leaves nothing behind.
TEST_F(Fresh, RunsOnThroughEveryPlatformFailure)
{
    enum { REFUSE_TRAY_ADD = 1, REFUSE_TRAY = 2, NO_TIMER = 4, HEAP_FIRST = 8, HEAP_BOTH = 16 };
    for (int faults = 0; faults < 24; faults++) {
        SCOPED_TRACE("faults " + std::to_string(faults));
        Reset();
        simTrayRefuseAdd = faults & REFUSE_TRAY_ADD, simTrayRefuseAll = faults & REFUSE_TRAY;
        simFailSetTimer = faults & NO_TIMER;
        simHeapLimit = faults & HEAP_BOTH ? MiB : faults & HEAP_FIRST ? 20 * MiB : SIZE_MAX;
        EXPECT_EQ(0, RunProgram([&](HWND hwnd) {
            simWhileBoxOpen = [hwnd](const SimMessageBox &) { SimSend(hwnd, WM_TIMER, 1, 0); };
            SimSend(hwnd, WM_COMMAND, IDM_HEAVYCLEAN, 0);
            simTray.clear();
            SimSend(hwnd, taskbarCreatedMsg, 0, 0);
            SimSend(hwnd, WM_TIMER, 1, 0);
            Calls boxes = TakeCalls({"MessageBoxA W1"});
            ASSERT_EQ(1u, boxes.size());
            std::string text = faults & HEAP_BOTH ? "RAM cannot be locked" : "RAM Cleaned";
            EXPECT_EQ(0u, boxes[0].find("MessageBoxA W1 '" + text + "' 'Vev Arivezu' 0x0")) << boxes[0];
            simTrayRefuseAll = false;
        }));
        EXPECT_EQ(0u, SimLiveBlocks());
        EXPECT_EQ(3u, SimLiveIcons());
        EXPECT_EQ(nullptr, SimFindTrayIcon(simWindows.at(0).hwnd, 0));
    }
}
