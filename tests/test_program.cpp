// The whole program: start-up with ticks under the About box, and its ends.
#include "tests/support/harness.h"

TEST_F(Fresh, StartsInOrderWithTicksUnderTheAboutBox)
{
    simWhileBoxOpen = [](const SimMessageBox &) {
        ExpectCalls(Calls{"LoadIconA 'LoseIcon' -> LoseIcon#1", "LoadIconA 'GainIcon' -> GainIcon#2",
                          "LoadIconA 'Vellitor' -> Vellitor#3",
                          "RegisterClassA 'MyClass' style=0x0 extra=0,0 inst=module icon=Vellitor#3 cursor=arrow bg=6 "
                          "menu='MainMenu' -> ok",
                          "AdjustWindowRectEx style=0xca0000 menu=1 ex=0x80", "GetDC 0", "GetTextMetricsA",
                          "GetTextExtentPoint32A 'Tamsel's Memory Defragger' -> 185",
                          "GetTextExtentPoint32A 'Total Physical RAM : 4294967295 (4095MB)' -> 284",
                          "GetTextExtentPoint32A 'Available Physical RAM : 4294967295 (4095MB)' -> 312",
                          "GetTextExtentPoint32A 'Total Swapfile Size : 4294967295 (4095MB)' -> 282",
                          "GetTextExtentPoint32A 'System Memory Load : 100%' -> 189", "ReleaseDC 0",
                          "CreateWindowExA ex=0x80 'MyClass' 'Quenmar' style=0xa0000 CW_USEDEFAULT,CW_USEDEFAULT "
                          "318x132 parent=0 menu=0 inst=module param=0 -> W1",
                          "RegisterWindowMessageA 'TaskbarCreated' -> 0xc100", "GetModuleHandleA 'user32.dll' -> user32",
                          "GetProcAddress user32 'ChangeWindowMessageFilterEx' -> found",
                          "ChangeWindowMessageFilterEx W1 0x78 allow -> 1",
                          "ChangeWindowMessageFilterEx W1 0xc100 allow -> 1",
                          "GlobalMemoryStatus len=32", "ShowWindow W1 10", "UpdateWindow W1"} +
                        PaintCalls("GainIcon#2", 20, "0") + // against 0, and before the tray icon is there
                        Calls{"SetWindowPos W1 HWND_TOPMOST 0,0 0x0 flags=0x3", "ShowWindow W1 5",
                              "LoadIconA 'Vellitor' -> Vellitor#4",
                              "Shell_NotifyIconA NIM_ADD W1 id=0 flags=0x7 cb=120 icon=Vellitor#4 tip='Vellitor' -> 1",
                              "DestroyIcon Vellitor#4 -> 1", "SetTimer W1 1 1000 -> 1", ABOUT_BOX},
                    TakeCalls());
        SimPumpTicks(2); // the first tick ends steady, so it cleans at once; the second does not
        ExpectCalls({"W1 WM_TIMER 0x1 0", "TextOutA 0,45 'Available Physical RAM : 20971520 (20MB)'",
                     "HeapAlloc 26214400 flags=0x8 -> granted", "W1 WM_TIMER 0x1 0",
                     "TextOutA 0,45 'Available Physical RAM : 20971520 (20MB)'"},
                    TakeCalls({"W1 WM_TIMER", "HeapAlloc", "MessageBoxA", "TextOutA 0,45"}));
    };
    EXPECT_EQ(0, RunProgram([](HWND) {}));
}

TEST_F(Fresh, EndsByExitOrFailedStart)
{
    EXPECT_EQ(0, RunProgram([](HWND hwnd) { SimPost(hwnd, WM_COMMAND, IDM_EXIT, 0); }));
    ExpectCalls({"W1 WM_COMMAND 0x69 0", "DestroyWindow W1", "W1 WM_DESTROY 0 0", "PostQuitMessage 0",
                 "GetMessageA WM_QUIT 0", "KillTimer W1 1 -> 0", /* the timer went with the window */
                 "Shell_NotifyIconA NIM_DELETE W1 id=0 -> 1"},
                TakeCalls());
    // Without a class or a window it ends at once, having shown nothing; without
    // a tray icon or a timer it runs on.
    for (bool *failure : {&simFailRegisterClass, &simFailCreateWindow, &simTrayRefuseAdd, &simFailSetTimer}) {
        Reset();
        *failure = true;
        bool running = false;
        EXPECT_EQ(0, RunProgram([&](HWND) { running = true; }));
        std::string last = TakeCalls().back(), call = last.substr(0, last.find(' '));
        EXPECT_EQ(running ? "Shell_NotifyIconA" : failure == &simFailCreateWindow ? "CreateWindowExA" : "RegisterClassA",
                  call);
        EXPECT_EQ(failure == &simTrayRefuseAdd || failure == &simFailSetTimer, running);
    }
}
