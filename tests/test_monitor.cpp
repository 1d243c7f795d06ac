// The memory monitor: snapshot and trend, the clean's size and effect, and the
// automatic clean schedule.
#include "tests/support/harness.h"

TEST_F(Fresh, TrendComparesHalfTheAvailableBytes)
{
    // Without a refresh, the classification runs again on the snapshot as it stands.
    const struct { uint64_t avail; bool refresh; BYTE trend; } steps[] = {{20 * MiB, true, TREND_GAIN}, {20 * MiB, false, TREND_STEADY}, {1001, true, TREND_LOSS},
                 {1000, true, TREND_STEADY}, /* the half holds */ {1003, true, TREND_GAIN}, {999, true, TREND_LOSS},
                 {999, false, TREND_STEADY}, {0xFFFFFFFF, true, TREND_GAIN}, /* above 4 GiB, exact */ {8 * GiB, true, TREND_GAIN},
                 {8 * GiB + 1, true, TREND_STEADY}, {5 * GiB, true, TREND_LOSS}, {0, true, TREND_LOSS}};
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; i++) {
        simMemory.availPhys = steps[i].avail;
        if (steps[i].refresh)
            RefreshMemoryStatus();
        ClassifyTrend();
        EXPECT_EQ(steps[i].trend, trend) << "step " << i;
    }
}

TEST(Clean, SizeIsWithinAQuarterAndFifteenSixteenths)
{
    const struct { DWORD total, avail; CleanMode mode; DWORD size; } cases[] = {
        {64 * MiB, 8 * MiB, CLEAN_SMALL, 16 * MiB}, {64 * MiB, 40 * MiB - 2, CLEAN_HEAVY, 60 * MiB - 3},
        {64 * MiB, 40 * MiB + 2, CLEAN_HEAVY, 60 * MiB}, {64 * MiB, 48 * MiB - 4, CLEAN_SMALL, 60 * MiB - 5},
        {64 * MiB, 48 * MiB + 4, CLEAN_AUTO, 60 * MiB}, {64 * MiB, 32 * MiB / 3, CLEAN_HEAVY, 16 * MiB},
        {64 * MiB, 13 * MiB, CLEAN_SMALL, 16 * MiB + MiB / 4}, {17, 17, CLEAN_SMALL, 16}, {0, 0, CLEAN_HEAVY, 0},
        // 2 GiB and more size unsigned, without overflow
        {0x80000000, 0x60000000, CLEAN_HEAVY, 0x78000000}, {0xC0000000, 0x40000000, CLEAN_HEAVY, 0x60000000},
        {0xFFFFFFFF, 0xFFFFFFFF, CLEAN_HEAVY, 0xF0000000}, {0xFFFFFFFF, 100 * MiB, CLEAN_SMALL, 0x3FFFFFFF},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.size, CleanSize(c.total, c.avail, c.mode)) << c.total << " " << c.avail << " mode " << c.mode;
}

// The block is filled before the box, held while it is up and freed after; a
// refused block is asked for once more at the lower bound. No block takes more
// than half the commit left, so that other programs can still commit as much as
// it holds; one left nothing is refused without asking the heap. Nothing else
// changes: no new snapshot, the trend and the schedule as they were.
TEST_F(Fresh, CleanFillsReportsAndGivesBack)
{
    const DWORD SPARE = 104 * MiB; // half of it is more than any clean here asks for
    const struct { uint64_t avail, commit; CleanMode mode; size_t heapLimit; Calls calls; uint64_t total = 64 * MiB; } cases[] = {
        {20 * MiB + 1, SPARE, CLEAN_HEAVY, SIZE_MAX, {CLEANED("31457281")}}, // not a whole number of pages
        {20 * MiB, SPARE, CLEAN_SMALL, SIZE_MAX, {CLEANED("26214400")}},
        {20 * MiB, SPARE, CLEAN_AUTO, SIZE_MAX, {GRANTED("26214400"), FREED("26214400")}},
        {20 * MiB, SPARE, CLEAN_HEAVY, 20 * MiB, {REFUSED("31457280"), CLEANED("16777216")}},
        {20 * MiB, SPARE, CLEAN_AUTO, 20 * MiB, {REFUSED("26214400"), GRANTED("16777216"), FREED("16777216")}},
        {20 * MiB, SPARE, CLEAN_SMALL, MiB, {REFUSED("26214400"), REFUSED("16777216"), LOCKED}},
        {20 * MiB, SPARE, CLEAN_AUTO, MiB, {REFUSED("26214400"), REFUSED("16777216")}},
        {8 * MiB, SPARE, CLEAN_HEAVY, MiB, {REFUSED("16777216"), LOCKED}},
        // commit short: half of what is left, in every mode and in the retry
        {20 * MiB, 40 * MiB, CLEAN_HEAVY, SIZE_MAX, {CLEANED("20971520")}},
        {20 * MiB, 40 * MiB + 3, CLEAN_SMALL, SIZE_MAX, {CLEANED("20971521")}},
        {20 * MiB, 40 * MiB, CLEAN_HEAVY, 18 * MiB, {REFUSED("20971520"), CLEANED("16777216")}},
        {20 * MiB, 24 * MiB, CLEAN_AUTO, 18 * MiB, {GRANTED("12582912"), FREED("12582912")}},
        // the retry would ask for the same size again
        {20 * MiB, 24 * MiB, CLEAN_SMALL, 10 * MiB, {REFUSED("12582912"), LOCKED}},
        // nothing left to take: refused without asking
        {20 * MiB, 1, CLEAN_HEAVY, SIZE_MAX, {LOCKED}},
        {20 * MiB, 0, CLEAN_AUTO, SIZE_MAX, {}},
        // large machines: sized from the figures each at most 4 GiB - 1, as a 32-bit program was told them
        {8 * GiB, 20 * GiB, CLEAN_HEAVY, 512 * MiB, {REFUSED("2147483647"), REFUSED("1073741823"), LOCKED}, 16 * GiB},
        {8 * GiB, 20 * GiB, CLEAN_AUTO, 512 * MiB, {REFUSED("2147483647"), REFUSED("1073741823")}, 16 * GiB},
        {1 * GiB, 20 * GiB, CLEAN_HEAVY, 512 * MiB, {REFUSED("1610612736"), REFUSED("1073741823"), LOCKED}, 16 * GiB},
        {40 * GiB, 100 * MiB, CLEAN_SMALL, SIZE_MAX, {CLEANED("52428800")}, 64 * GiB},
    };
    HWND hwnd = MainWindow();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.calls.empty() ? "no calls" : c.calls[0]);
        simMemory.totalPhys = c.total, simMemory.availPhys = c.avail, simMemory.availPageFile = c.commit;
        RefreshMemoryStatus();
        trend = TREND_LOSS, ticksUntilClean = 17, steadyCredit = 1000, simHeapLimit = c.heapLimit;
        bool othersCommit = true;
        simWhileBoxOpen = [&] { othersCommit = SimOtherProgramCommits(c.commit - (c.commit >> 1)); };
        TakeCalls();
        CleanMemory(hwnd, c.mode);
        ExpectCalls(c.calls, TakeCalls({"HeapAlloc", "HeapFree", "MessageBoxA W1", "GlobalMemoryStatusEx"}));
        EXPECT_TRUE(othersCommit) << "another program could not commit what the clean left it";
        EXPECT_TRUE(SimLiveBlocks() == 0 && trend == TREND_LOSS && ticksUntilClean == 17 && steadyCredit == 1000);
    }
}

// The fill reads the queue after every 64 MiB but the last. What other threads
// and programs sent is answered there: the session's end, and a command, a
// tray click or a tick, which are not run inside the fill (the first two are
// posted again, the tick let go). Nothing posted is handled and no block asked
// for until every byte is written; a window closed meanwhile gets no box, and
// the block is given back.
TEST_F(Fresh, CleanFillsInSlicesAnsweringWhatIsSent)
{
    const Calls answered = {"W1 WM_QUERYENDSESSION 0 0", "DefWindowProcA W1 WM_QUERYENDSESSION 0 0",
                            "W1 WM_QUERYENDSESSION answered 1", "W1 WM_COMMAND 0x65 0",
                            "PostMessageA W1 WM_COMMAND 0x65 0 -> 1", "W1 WM_COMMAND answered 0", "W1 0x78 0 0x201",
                            "PostMessageA W1 0x78 0 0x201 -> 1", "W1 0x78 answered 0", "W1 WM_TIMER 0x7 0",
                            "W1 WM_TIMER answered 100"};
    const Calls closed = {"W1 WM_CLOSE 0 0", "DefWindowProcA W1 WM_CLOSE 0 0", "DestroyWindow W1", "W1 WM_DESTROY 0 0",
                          "PostQuitMessage 0", "W1 WM_CLOSE answered 0"};
    struct Message { UINT msg; WPARAM wParam; LPARAM lParam; };
    const std::vector<Message> posts = {{WM_TIMER, MONITOR_TIMER_ID, 0}, {WM_COMMAND, IDM_SMALLCLEAN, 0},
                                        {WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN}},
                               sends = {{WM_QUERYENDSESSION, 0, 0}, {WM_COMMAND, IDM_HEAVYCLEAN, 0},
                                        {WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN}, {WM_TIMER, 7, 0}}, close = {{WM_CLOSE, 0, 0}};
    const Calls posted = {"W1 WM_TIMER 0x1 0", "W1 WM_COMMAND 0x67 0", "W1 0x78 0 0x201"};
    const struct { CleanMode mode; DWORD size; unsigned slices; bool close; } cases[] = {
        {CLEAN_AUTO, 64 * MiB - 1, 1, false}, {CLEAN_SMALL, 64 * MiB, 1, false}, {CLEAN_HEAVY, 64 * MiB + 1, 2, false},
        {CLEAN_AUTO, 192 * MiB + 5, 4, false}, {CLEAN_HEAVY, 128 * MiB, 2, true},
    };
    for (const auto &c : cases) {
        Reset();
        HWND hwnd = MainWindow();
        // a quarter of the total: the lower bound, whatever the mode
        simMemory = SimMachineMemory{50, 4ull * c.size, MiB, 16 * GiB, 16 * GiB};
        RefreshMemoryStatus();
        for (const Message &m : posts)
            PostMessageA(hwnd, m.msg, m.wParam, m.lParam);
        for (const Message &m : c.close ? close : sends)
            SimSendFromOtherThread(hwnd, m.msg, m.wParam, m.lParam);
        Calls expected = {"HeapAlloc " + std::to_string(c.size) + " flags=0x8 -> granted"};
        for (unsigned slice = 1; slice < c.slices; slice++) {
            expected.push_back("PeekMessageA 0 flags=0 written=" + std::to_string(slice * 64 * MiB));
            if (slice == 1)
                expected.insert(expected.end(), (c.close ? closed : answered).begin(), (c.close ? closed : answered).end());
        }
        std::string size = std::to_string(c.size);
        if (c.mode < CLEAN_AUTO)
            expected.push_back(c.close ? "MessageBoxA W1 'RAM Cleaned' -> 0 (no such owner)"
                                       : "MessageBoxA W1 'RAM Cleaned' 'Vev Arivezu' 0x0 held=" + size);
        expected.push_back("HeapFree " + size + " flags=0x0 zero=1");
        TakeCalls();
        CleanMemory(hwnd, c.mode);
        ExpectCalls(expected, TakeCalls({"HeapAlloc", "HeapFree", "PeekMessageA", "MessageBoxA W1", "W1 ", "DefWindowProcA",
                                         "PostMessageA", "DestroyWindow", "PostQuitMessage"}));
        Calls queued = posted;
        if (c.slices > 1 && !c.close)
            queued.insert(queued.end(), {"W1 WM_COMMAND 0x65 0", "W1 0x78 0 0x201"});
        ExpectCalls(queued, SimQueue());
    }
}

TEST_F(Fresh, ScheduleCleansAtTheFirstSteadyTickThenEvery600)
{
    const struct { int firstSteady, ticks; std::vector<int> cleans; } cases[] = {
        {1, 1201, {1, 601, 1201}}, /* window shown: every tick ends steady */ {1 << 30, 1800, {600, 1200, 1800}},
        {5, 1205, {5, 605, 1205}}, {599, 1199, {599, 1199}}, {600, 1200, {600, 1200}} /* both due: one clean */,
        {601, 1200, {600, 1200}} /* the credit went with the first clean */,
    };
    for (const auto &c : cases) {
        Reset();
        simMemory = SimMachineMemory{68, 64, 20, 160, 104}; // a machine of bytes: long runs stay fast
        RefreshMemoryStatus();
        std::vector<int> cleans;
        for (int tick = 1; tick <= c.ticks; tick++) {
            trend = tick >= c.firstSteady ? TREND_STEADY : tick % 2 ? TREND_GAIN : TREND_LOSS;
            ScheduleTick(OWNER);
            cleans.insert(cleans.end(), TakeCalls({"HeapAlloc", "MessageBoxA"}).size(), tick);
        }
        EXPECT_EQ(c.cleans, cleans) << "first steady tick " << c.firstSteady;
    }
}
