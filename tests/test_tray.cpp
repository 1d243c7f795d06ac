// The tray icon's records: add, modify with the trend's picture, delete, and the tip.
#include "tests/support/fixture.h"
#include "shell/shell.h"

const HWND OWNER = (HWND)(uintptr_t)0x1234;

class Tray : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        appInstance = simModule;
        iconLose = LoadIconA(simModule, ICON_LOSE);
        iconGain = LoadIconA(simModule, ICON_GAIN);
        iconNeutral = LoadIconA(simModule, ICON_NEUTRAL);
        TakeCalls();
    }
};

TEST_F(Tray, AddConsumesItsHandleModifyShowsTheTrendDeleteRemoves)
{
    EXPECT_TRUE(AddTrayIcon(OWNER, 0, LoadIconA(simModule, ICON_NEUTRAL), "Vellitor"));
    const struct {
        BYTE trend;
        const char *icon;
    } pictures[] = {{TREND_LOSS, "LoseIcon#1"}, {TREND_GAIN, "GainIcon#2"}, {TREND_STEADY, "Vellitor#3"}};
    for (const auto &p : pictures) {
        trend = p.trend;
        EXPECT_TRUE(ModifyTrayIcon(OWNER, 0, "tip"));
    }
    EXPECT_TRUE(DeleteTrayIcon(OWNER, 0));
    EXPECT_FALSE(ModifyTrayIcon(OWNER, 0, "gone"));
    EXPECT_FALSE(DeleteTrayIcon(OWNER, 0));
    ExpectCalls({"LoadIconA 'Vellitor' -> Vellitor#4",
                 "Shell_NotifyIconA NIM_ADD ?0x1234 id=0 flags=0x7 cb=120 icon=Vellitor#4 tip='Vellitor' -> 1",
                 "DestroyIcon Vellitor#4 -> 1",
                 "Shell_NotifyIconA NIM_MODIFY ?0x1234 id=0 flags=0x6 icon=LoseIcon#1 tip='tip' -> 1",
                 "Shell_NotifyIconA NIM_MODIFY ?0x1234 id=0 flags=0x6 icon=GainIcon#2 tip='tip' -> 1",
                 "Shell_NotifyIconA NIM_MODIFY ?0x1234 id=0 flags=0x6 icon=Vellitor#3 tip='tip' -> 1",
                 "Shell_NotifyIconA NIM_DELETE ?0x1234 id=0 -> 1",
                 "Shell_NotifyIconA NIM_MODIFY ?0x1234 id=0 flags=0x6 icon=Vellitor#3 tip='gone' -> 0",
                 "Shell_NotifyIconA NIM_DELETE ?0x1234 id=0 -> 0"},
                TakeCalls());
    EXPECT_EQ(3u, SimLiveIcons());
}

TEST_F(Tray, ModifyKeepsTheCallbackAndAFailedAddStillDestroysTheHandle)
{
    AddTrayIcon(OWNER, 7, nullptr, "first");
    ModifyTrayIcon(OWNER, 7, "second");
    EXPECT_EQ(WM_TRAYNOTIFY, SimFindTrayIcon(OWNER, 7)->callback);
    EXPECT_EQ("second", SimFindTrayIcon(OWNER, 7)->tip);
    EXPECT_FALSE(AddTrayIcon(OWNER, 7, LoadIconA(simModule, ICON_GAIN), "again")); // already there
    ExpectCalls({"Shell_NotifyIconA NIM_ADD ?0x1234 id=7 flags=0x7 cb=120 icon=0 tip='first' -> 1",
                 "Shell_NotifyIconA NIM_MODIFY ?0x1234 id=7 flags=0x6 icon=Vellitor#3 tip='second' -> 1",
                 "LoadIconA 'GainIcon' -> GainIcon#4",
                 "Shell_NotifyIconA NIM_ADD ?0x1234 id=7 flags=0x7 cb=120 icon=GainIcon#4 tip='again' -> 0",
                 "DestroyIcon GainIcon#4 -> 1"},
                TakeCalls());
}

TEST_F(Tray, TipIsCutTo63Characters)
{
    const std::string x63(63, 'x');
    const struct {
        bool null;
        std::string tip, expected;
    } cases[] = {
        {true, "", ""},
        {false, "", ""},
        {false, "RAM : 20/64Mb", "RAM : 20/64Mb"},
        {false, x63, x63},
        {false, x63 + "y", x63},
        {false, x63 + std::string(200, 'z'), x63},
    };
    for (const auto &c : cases) {
        SimReset();
        LPCSTR tip = c.null ? nullptr : c.tip.c_str();
        AddTrayIcon(OWNER, 0, nullptr, tip);
        EXPECT_EQ(c.expected, SimFindTrayIcon(OWNER, 0)->tip);
        ModifyTrayIcon(OWNER, 0, tip);
        EXPECT_EQ(c.expected, SimFindTrayIcon(OWNER, 0)->tip);
    }
}
