// The snapshot and the trend of available memory.
#include "tests/support/fixture.h"
#include "tests/support/loaded.h"

#include <cstring>

TEST(LoadedState, GlobalsStartAsDesigned)
{
    static const MEMORYSTATUS zero{};
    EXPECT_EQ(0, memcmp(&zero, &loadedState.memoryStatus, sizeof zero));
    EXPECT_EQ(TREND_STEADY, loadedState.trend);
    EXPECT_EQ(0u, loadedState.previousHalfAvail);
    EXPECT_EQ(600, loadedState.ticksUntilClean);
    EXPECT_EQ(1000, loadedState.steadyCredit);
    EXPECT_EQ(0u, loadedState.trayIconId);
    EXPECT_EQ(0, loadedState.windowVisible);
    EXPECT_EQ(nullptr, loadedState.iconNeutral);
}

typedef ProgramTest Snapshot;

TEST_F(Snapshot, RefreshSetsLengthAndTakesEveryField)
{
    simMemory = Memory(64 * MiB, 20 * MiB, 68, 96 * MiB, 40 * MiB);
    memoryStatus.dwLength = 0xDEADBEEF;
    RefreshMemoryStatus();
    EXPECT_EQ(32u, simMemoryLengthSeen);
    EXPECT_EQ(0, memcmp(&simMemory, &memoryStatus, sizeof memoryStatus));
    ExpectCalls({"GlobalMemoryStatus len=32"}, TakeCalls());
}

struct TrendStep {
    DWORD avail;
    bool refresh; // false: classify again on the snapshot as it stands
    BYTE expected;
};
struct TrendCase {
    const char *name;
    std::vector<TrendStep> steps;
};
static void PrintTo(const TrendCase &c, std::ostream *os) { *os << c.name; }


class Trend : public ProgramTest, public ::testing::WithParamInterface<TrendCase> {};

TEST_P(Trend, ClassifiesAgainstThePreviousHalf)
{
    int step = 0;
    for (const TrendStep &s : GetParam().steps) {
        simMemory = Memory(256 * MiB, s.avail);
        if (s.refresh)
            RefreshMemoryStatus();
        ClassifyTrend();
        EXPECT_EQ(s.expected, trend) << "step " << step;
        EXPECT_EQ(memoryStatus.dwAvailPhys >> 1, previousHalfAvail) << "step " << step;
        step++;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Trend,
    ::testing::Values(
        TrendCase{"FirstIsGain", {{20 * MiB, true, TREND_GAIN}}},
        TrendCase{"FirstWithOneByteIsSteady", {{1, true, TREND_STEADY}}},
        TrendCase{"FirstWithTwoBytesIsGain", {{2, true, TREND_GAIN}}},
        TrendCase{"SecondWithoutRefreshIsSteady",
                  {{20 * MiB, true, TREND_GAIN}, {20 * MiB, false, TREND_STEADY}, {10 * MiB, true, TREND_LOSS},
                   {30 * MiB, false, TREND_STEADY}}},
        TrendCase{"OddToEvenByOneIsSteady", {{1001, true, TREND_GAIN}, {1000, true, TREND_STEADY}}},
        TrendCase{"EvenToOddByOneIsLoss", {{1000, true, TREND_GAIN}, {999, true, TREND_LOSS}}},
        TrendCase{"ByTwoBytes",
                  {{1000, true, TREND_GAIN}, {1002, true, TREND_GAIN}, {1000, true, TREND_LOSS},
                   {1000, true, TREND_STEADY}}},
        TrendCase{"FullRange",
                  {{0xFFFFFFFF, true, TREND_GAIN}, {0xFFFFFFFE, true, TREND_STEADY}, {0, true, TREND_LOSS},
                   {0x80000000, true, TREND_GAIN}}}),
    [](const ::testing::TestParamInfo<TrendCase> &param) { return std::string(param.param.name); });
