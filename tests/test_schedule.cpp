// The automatic clean schedule over long runs of ticks.
#include "tests/support/fixture.h"

#include <functional>

const HWND WINDOW = (HWND)(uintptr_t)0x1234;

class Schedule : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        memoryStatus = Memory(64 * 1024, 32 * 1024); // small blocks keep long runs fast
    }
    // Runs ticks 1..count, each ending with the trend given, and returns the
    // ticks at which an automatic clean took a block.
    std::vector<int> Run(int count, const std::function<BYTE(int)> &trendAt)
    {
        std::vector<int> cleans;
        for (int tick = 1; tick <= count; tick++) {
            size_t before = simHeapRequests.size();
            trend = trendAt(tick);
            ScheduleTick(WINDOW);
            if (simHeapRequests.size() != before)
                cleans.push_back(tick);
            EXPECT_LE(simHeapRequests.size(), before + 1) << "more than one clean at tick " << tick;
        }
        EXPECT_TRUE(simMessageBoxes.empty());
        EXPECT_EQ(0u, SimLiveBlocks());
        return cleans;
    }
};

static BYTE SteadyFrom(int first, int tick)
{
    return tick >= first ? TREND_STEADY : (tick % 2 ? TREND_GAIN : TREND_LOSS);
}

TEST_F(Schedule, CleansAtTheFirstSteadyTickThenEvery600)
{
    const struct {
        int firstSteady, ticks;
        std::vector<int> expected;
    } cases[] = {
        {1, 1201, {1, 601, 1201}},        // window shown: every tick ends steady
        {1 << 30, 1800, {600, 1200, 1800}}, // never steady
        {5, 1205, {5, 605, 1205}},
        {599, 1199, {599, 1199}},
        {600, 1200, {600, 1200}}, // both rules due at once: one clean
        {601, 1200, {600, 1200}}, // the credit is gone after the first clean
    };
    for (const auto &c : cases) {
        RestoreLoadedState();
        EXPECT_EQ(c.expected, Run(c.ticks, [&](int tick) { return SteadyFrom(c.firstSteady, tick); }))
            << "first steady tick " << c.firstSteady;
    }
}

TEST_F(Schedule, ManualCleansChangeNoCounter)
{
    Run(10, [](int tick) { return SteadyFrom(1 << 30, tick); });
    ASSERT_EQ(590, ticksUntilClean);
    ASSERT_EQ(1000, steadyCredit);
    CleanMemory(WINDOW, CLEAN_HEAVY);
    CleanMemory(WINDOW, CLEAN_SMALL);
    EXPECT_EQ(590, ticksUntilClean);
    EXPECT_EQ(1000, steadyCredit);
}

TEST_F(Schedule, TickUnderAManualBoxTakesItsOwnBlock)
{
    simWhileBoxOpen = [](const SimMessageBox &) {
        trend = TREND_STEADY;
        ScheduleTick(WINDOW);
    };
    CleanMemory(WINDOW, CLEAN_HEAVY);
    ExpectCalls({"HeapAlloc 49152 flags=0x8 -> granted",
                 "MessageBoxA ?0x1234 'RAM Cleaned' 'Vev Arivezu' 0x0",
                 "HeapAlloc 40960 flags=0x8 -> granted", // the manual block is still live
                 "HeapFree 40960 flags=0x0 zero=1",
                 "MessageBoxA closed 'RAM Cleaned'",
                 "HeapFree 49152 flags=0x0 zero=1"},
                TakeCalls());
    EXPECT_EQ(600, ticksUntilClean);
    EXPECT_EQ(0, steadyCredit);
}
