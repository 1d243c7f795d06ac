// The whole program: start-up with ticks under the About box, and its ends.
#include "tests/support/harness.h"

#define MODIFY(icon, avail, result) \
    "Shell_NotifyIconA NIM_MODIFY W1 id=0 flags=0x6 icon=" icon " tip='RAM : " avail "/64Mb' -> " result

TEST_F(Fresh, StartsInOrderWithTicksUnderTheAboutBox)
{
    simWhileBoxOpen = [] {
        ExpectCalls({"LoadIconA 'LoseIcon' -> LoseIcon#1", "LoadIconA 'GainIcon' -> GainIcon#2",
                     "LoadIconA 'Vellitor' -> Vellitor#3",
                     "RegisterClassA 'MyClass' style=0x0 extra=0,0 inst=module icon=Vellitor#3 cursor=arrow bg=6 "
                     "menu='MainMenu' -> ok",
                     // the widest line, 360 pixels in the System font, in Wine's frame
                     "AdjustWindowRectEx style=0xca0000 menu=1 ex=0x80", "GetDC 0", "GetTextMetricsA", "ReleaseDC 0",
                     "CreateWindowExA ex=0x80 'MyClass' 'Quenmar' style=0xa0000 CW_USEDEFAULT,CW_USEDEFAULT "
                     "366x132 parent=0 menu=0 inst=module param=0 -> W1",
                     "RegisterWindowMessageA 'TaskbarCreated' -> 0xc100", "ChangeWindowMessageFilterEx W1 0x78 allow -> 1",
                     "ChangeWindowMessageFilterEx W1 0xc100 allow -> 1", "GlobalMemoryStatusEx len=64 -> 1",
                     "ShowWindow W1 10", "UpdateWindow W1", "W1 WM_PAINT 0 0", "BeginPaint W1",
                     MODIFY("GainIcon#2", "20", "0"), // against 0, and before the tray icon is there
                     "TextOutA 0,0 'Tamsel's Memory Defragger'",
                     "TextOutA 0,30 'Total Physical RAM : 67108864 (64MB)'",
                     "TextOutA 0,45 'Available Physical RAM : 20971520 (20MB)'",
                     "TextOutA 0,60 'Total Swapfile Size : 58720256 (56MB)'",
                     "TextOutA 0,75 'System Memory Load : 68%'",
                     "EndPaint W1", "SetWindowPos W1 HWND_TOPMOST 0,0 0x0 flags=0x3", "ShowWindow W1 5",
                     "CopyIcon Vellitor#3 -> Vellitor#4(copy)", // the resource's shared handle, copied for the add
                     "Shell_NotifyIconA NIM_ADD W1 id=0 flags=0x7 cb=120 icon=Vellitor#4(copy) tip='Vellitor' -> 1",
                     "DestroyIcon Vellitor#4(copy) -> 1", "SetTimer W1 1 1000 -> 1", ABOUT_BOX},
                    TakeCalls());
        // Each tick shows its trend in the tray and its repaint puts the neutral picture
        // back; the first tick so ends steady and cleans at once, the second does not.
        SimPumpTicks(1);
        SetAvailable(12);
        SimPumpTicks(1);
        ExpectCalls({"W1 WM_TIMER 0x1 0", MODIFY("Vellitor#3", "20", "1"), MODIFY("Vellitor#3", "20", "1"),
                     "TextOutA 0,45 'Available Physical RAM : 20971520 (20MB)'", GRANTED("26214400"),
                     "W1 WM_TIMER 0x1 0", MODIFY("LoseIcon#1", "12", "1"), MODIFY("Vellitor#3", "12", "1"),
                     "TextOutA 0,45 'Available Physical RAM : 12582912 (12MB)'"},
                    TakeCalls({"W1 WM_TIMER", "Shell_NotifyIconA", "HeapAlloc", "MessageBoxA", "TextOutA 0,45"}));
    };
    EXPECT_EQ(0, RunProgram([](HWND) {}));
}

TEST_F(Fresh, EndsByExitOrFailedStart)
{
    // Exit chosen twice: the second finds the window gone
    EXPECT_EQ(0, RunProgram([](HWND hwnd) { PostMessageA(hwnd, WM_COMMAND, IDM_EXIT, 0); }));
    ExpectCalls({"PostMessageA W1 WM_COMMAND 0x69 0 -> 1", "PostMessageA W1 WM_COMMAND 0x69 0 -> 1",
                 "W1 WM_COMMAND 0x69 0", "DestroyWindow W1", "W1 WM_DESTROY 0 0", "PostQuitMessage 0",
                 "GetMessageA WM_QUIT 0", "KillTimer W1 1 -> 0", /* the timer went with the window */
                 "Shell_NotifyIconA NIM_DELETE W1 id=0 flags=0x0 -> 1"},
                TakeCalls());
    // Without a class or a window it ends at once, having shown nothing; without
    // a tray icon or a timer it runs on.
    for (bool *failure : {&simFailRegisterClass, &simFailCreateWindow, &simTrayRefuseAdd, &simFailSetTimer}) {
        Reset();
        *failure = true;
        bool running = false;
        EXPECT_EQ(0, RunProgram([&](HWND) { running = true; }));
        EXPECT_EQ(failure == &simTrayRefuseAdd || failure == &simFailSetTimer, running);
    }
}
