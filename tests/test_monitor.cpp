// The memory monitor: snapshot and trend, the clean's size and effect, and the
// automatic clean schedule.
#include "tests/support/harness.h"

TEST_F(Fresh, TrendComparesHalfTheAvailableBytes)
{
    // Without a refresh, the classification runs again on the snapshot as it stands.
    const struct { uint64_t avail; bool refresh; BYTE trend; } steps[] = {{20 * MiB, true, TREND_GAIN}, {20 * MiB, false, TREND_STEADY}, {1001, true, TREND_LOSS},
                 {1000, true, TREND_STEADY}, /* the half holds */ {1003, true, TREND_GAIN}, {999, true, TREND_LOSS},
                 {999, false, TREND_STEADY}, {0xFFFFFFFF, true, TREND_GAIN}, {8 * GiB, true, TREND_STEADY},
                 {0, true, TREND_LOSS}};
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
        {64 * MiB, 20 * MiB, CLEAN_HEAVY, 30 * MiB}, {64 * MiB, 20 * MiB, CLEAN_SMALL, 25 * MiB},
        {64 * MiB, 20 * MiB, CLEAN_AUTO, 25 * MiB}, {64 * MiB, 50 * MiB, CLEAN_HEAVY, 60 * MiB},
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
// refused block is asked for once more at the lower bound. Nothing else changes:
// no new snapshot, the trend and the schedule as they were.
TEST_F(Fresh, CleanFillsReportsAndGivesBack)
{
    const struct { DWORD avail; CleanMode mode; size_t heapLimit; Calls calls; } cases[] = {
        {20 * MiB + 1, CLEAN_HEAVY, SIZE_MAX, // not a whole number of pages
         {GRANTED("31457281"), BOX("?0x1234", "RAM Cleaned", "31457281"), FREED("31457281")}},
        {20 * MiB, CLEAN_SMALL, SIZE_MAX,
         {GRANTED("26214400"), BOX("?0x1234", "RAM Cleaned", "26214400"), FREED("26214400")}},
        {20 * MiB, CLEAN_AUTO, SIZE_MAX, {GRANTED("26214400"), FREED("26214400")}},
        {20 * MiB, CLEAN_HEAVY, 20 * MiB,
         {REFUSED("31457280"), GRANTED("16777216"), BOX("?0x1234", "RAM Cleaned", "16777216"), FREED("16777216")}},
        {20 * MiB, CLEAN_AUTO, 20 * MiB, {REFUSED("26214400"), GRANTED("16777216"), FREED("16777216")}},
        {20 * MiB, CLEAN_SMALL, MiB,
         {REFUSED("26214400"), REFUSED("16777216"), BOX("?0x1234", "RAM cannot be locked", "0")}},
        {20 * MiB, CLEAN_AUTO, MiB, {REFUSED("26214400"), REFUSED("16777216")}},
        {8 * MiB, CLEAN_HEAVY, MiB, {REFUSED("16777216"), BOX("?0x1234", "RAM cannot be locked", "0")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.calls[0]);
        simMemory.availPhys = c.avail;
        RefreshMemoryStatus();
        trend = TREND_LOSS, ticksUntilClean = 17, steadyCredit = 1000, simHeapLimit = c.heapLimit;
        TakeCalls();
        CleanMemory(OWNER, c.mode);
        ExpectCalls(c.calls, TakeCalls({"HeapAlloc", "HeapFree", "MessageBoxA ?", "GlobalMemoryStatus"}));
        EXPECT_TRUE(SimLiveBlocks() == 0 && trend == TREND_LOSS && ticksUntilClean == 17 && steadyCredit == 1000);
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
        Reset(); // no snapshot: the cleans take 0 bytes, which keeps long runs fast
        std::vector<int> cleans;
        for (int tick = 1; tick <= c.ticks; tick++) {
            trend = tick >= c.firstSteady ? TREND_STEADY : tick % 2 ? TREND_GAIN : TREND_LOSS;
            ScheduleTick(OWNER);
            cleans.insert(cleans.end(), TakeCalls({"HeapAlloc", "MessageBoxA"}).size(), tick);
        }
        EXPECT_EQ(c.cleans, cleans) << "first steady tick " << c.firstSteady;
    }
}
