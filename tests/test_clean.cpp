// The clean: its size for each mode, and what it does with the block.
#include "tests/support/fixture.h"

#include <cstring>

struct SizeCase {
    const char *name;
    DWORD total, avail;
    CleanMode mode;
    DWORD expected;
};
static void PrintTo(const SizeCase &c, std::ostream *os) { *os << c.name; }


class Size : public ::testing::TestWithParam<SizeCase> {};

TEST_P(Size, WithinAQuarterAndFifteenSixteenths)
{
    const SizeCase &c = GetParam();
    EXPECT_EQ(c.expected, CleanSize(c.total, c.avail, c.mode));
}

constexpr DWORD GiB = 1u << 30;

INSTANTIATE_TEST_SUITE_P(
    Cases, Size,
    ::testing::Values(
        // 64 MiB worked sizes
        SizeCase{"Heavy20Of64", 64 * MiB, 20 * MiB, CLEAN_HEAVY, 30 * MiB},
        SizeCase{"Small20Of64", 64 * MiB, 20 * MiB, CLEAN_SMALL, 25 * MiB},
        SizeCase{"Auto20Of64", 64 * MiB, 20 * MiB, CLEAN_AUTO, 25 * MiB},
        SizeCase{"Heavy50Of64CutToUpper", 64 * MiB, 50 * MiB, CLEAN_HEAVY, 60 * MiB},
        SizeCase{"Small8Of64RaisedToLower", 64 * MiB, 8 * MiB, CLEAN_SMALL, 16 * MiB},
        // the bounds: five eighths and three quarters reach the upper one exactly
        SizeCase{"HeavyAtFiveEighths", 64 * MiB, 40 * MiB, CLEAN_HEAVY, 60 * MiB},
        SizeCase{"HeavyAboveFiveEighths", 64 * MiB, 40 * MiB + 2, CLEAN_HEAVY, 60 * MiB},
        SizeCase{"HeavyBelowFiveEighths", 64 * MiB, 40 * MiB - 2, CLEAN_HEAVY, 60 * MiB - 3},
        SizeCase{"SmallAboveThreeQuarters", 64 * MiB, 49 * MiB, CLEAN_SMALL, 60 * MiB},
        SizeCase{"AutoBelowThreeQuarters", 64 * MiB, 47 * MiB, CLEAN_AUTO, 47 * MiB + 47 * MiB / 4},
        SizeCase{"HeavyBelowASixth", 64 * MiB, 10 * MiB, CLEAN_HEAVY, 16 * MiB},
        SizeCase{"SmallBelowAFifth", 64 * MiB, 12 * MiB, CLEAN_SMALL, 16 * MiB},
        SizeCase{"SmallAboveAFifth", 64 * MiB, 16 * MiB, CLEAN_SMALL, 20 * MiB},
        SizeCase{"TruncatedSixteenth", 17, 17, CLEAN_SMALL, 16},
        SizeCase{"NothingAtAll", 0, 0, CLEAN_HEAVY, 0},
        // 2 GiB and more: no overflow, unsigned bounds
        SizeCase{"Heavy1point5Of2GiB", 2 * GiB, 3 * GiB / 2, CLEAN_HEAVY, 1920 * MiB},
        SizeCase{"Heavy1Of3GiB", 3 * GiB, GiB, CLEAN_HEAVY, 1536 * MiB},
        SizeCase{"SmallAllOf4GiB", 0xFFFFFFFF, 0xFFFFFFFF, CLEAN_SMALL, 0xFFFFFFFF - 0x0FFFFFFF},
        SizeCase{"HeavyAllOf4GiB", 0xFFFFFFFF, 0xFFFFFFFF, CLEAN_HEAVY, 0xFFFFFFFF - 0x0FFFFFFF},
        SizeCase{"SmallLittleOf4GiB", 0xFFFFFFFF, 100 * MiB, CLEAN_SMALL, 0x3FFFFFFF}),
    [](const ::testing::TestParamInfo<SizeCase> &param) { return std::string(param.param.name); });

struct EffectCase {
    const char *name;
    DWORD total, avail;
    CleanMode mode;
    size_t heapLimit;
    Calls expected;
};
static void PrintTo(const EffectCase &c, std::ostream *os) { *os << c.name; }


class Effect : public ProgramTest, public ::testing::WithParamInterface<EffectCase> {};

const HWND OWNER = (HWND)(uintptr_t)0x1234;

TEST_P(Effect, FillsReportsAndGivesBack)
{
    const EffectCase &c = GetParam();
    memoryStatus = Memory(c.total, c.avail);
    const MEMORYSTATUS before = memoryStatus;
    trend = TREND_LOSS;
    ticksUntilClean = 17;
    steadyCredit = 0;
    simHeapLimit = c.heapLimit;
    size_t bytesWhileOpen = 0;
    simWhileBoxOpen = [&](const SimMessageBox &box) {
        // "RAM Cleaned" is shown while the block is still held.
        EXPECT_EQ(box.text == "RAM Cleaned" ? 1u : 0u, SimLiveBlocks());
        bytesWhileOpen = SimLiveBytes();
    };

    CleanMemory(OWNER, c.mode);

    ExpectCalls(c.expected, TakeCalls());
    EXPECT_EQ(0u, SimLiveBlocks());
    if (c.mode < CLEAN_AUTO && !simHeapReleases.empty()) {
        EXPECT_EQ(simHeapReleases.back().size, bytesWhileOpen);
    }
    EXPECT_EQ(0, memcmp(&before, &memoryStatus, sizeof before));
    EXPECT_EQ(TREND_LOSS, trend);
    EXPECT_EQ(17, ticksUntilClean);
    EXPECT_EQ(0, steadyCredit);
}

#define CLEANED "MessageBoxA ?0x1234 'RAM Cleaned' 'Vev Arivezu' 0x0", "MessageBoxA closed 'RAM Cleaned'"
#define NOT_LOCKED "MessageBoxA ?0x1234 'RAM cannot be locked' 'Vev Arivezu' 0x0", "MessageBoxA closed 'RAM cannot be locked'"

INSTANTIATE_TEST_SUITE_P(
    Cases, Effect,
    ::testing::Values(
        EffectCase{"HeavyGranted", 64 * MiB, 20 * MiB, CLEAN_HEAVY, SIZE_MAX,
                   {"HeapAlloc 31457280 flags=0x8 -> granted", CLEANED, "HeapFree 31457280 flags=0x0 zero=1"}},
        EffectCase{"SmallGranted", 64 * MiB, 20 * MiB, CLEAN_SMALL, SIZE_MAX,
                   {"HeapAlloc 26214400 flags=0x8 -> granted", CLEANED, "HeapFree 26214400 flags=0x0 zero=1"}},
        EffectCase{"AutoGrantedSilent", 64 * MiB, 20 * MiB, CLEAN_AUTO, SIZE_MAX,
                   {"HeapAlloc 26214400 flags=0x8 -> granted", "HeapFree 26214400 flags=0x0 zero=1"}},
        EffectCase{"HeavyFallsBackToAQuarter", 64 * MiB, 20 * MiB, CLEAN_HEAVY, 20 * MiB,
                   {"HeapAlloc 31457280 flags=0x8 -> refused", "HeapAlloc 16777216 flags=0x8 -> granted", CLEANED,
                    "HeapFree 16777216 flags=0x0 zero=1"}},
        EffectCase{"AutoFallsBackSilent", 64 * MiB, 20 * MiB, CLEAN_AUTO, 20 * MiB,
                   {"HeapAlloc 26214400 flags=0x8 -> refused", "HeapAlloc 16777216 flags=0x8 -> granted",
                    "HeapFree 16777216 flags=0x0 zero=1"}},
        EffectCase{"SmallBothRefused", 64 * MiB, 20 * MiB, CLEAN_SMALL, MiB,
                   {"HeapAlloc 26214400 flags=0x8 -> refused", "HeapAlloc 16777216 flags=0x8 -> refused",
                    NOT_LOCKED}},
        EffectCase{"AutoBothRefusedSilent", 64 * MiB, 20 * MiB, CLEAN_AUTO, MiB,
                   {"HeapAlloc 26214400 flags=0x8 -> refused", "HeapAlloc 16777216 flags=0x8 -> refused"}},
        EffectCase{"AtTheLowerBoundNoSecondTry", 64 * MiB, 8 * MiB, CLEAN_HEAVY, MiB,
                   {"HeapAlloc 16777216 flags=0x8 -> refused", NOT_LOCKED}},
        EffectCase{"TwoGiBFallsBackToWhatFits", 2 * GiB, 3 * GiB / 2, CLEAN_HEAVY, 576 * MiB,
                   {"HeapAlloc 2013265920 flags=0x8 -> refused", "HeapAlloc 536870912 flags=0x8 -> granted",
                    CLEANED, "HeapFree 536870912 flags=0x0 zero=1"}}),
    [](const ::testing::TestParamInfo<EffectCase> &param) { return std::string(param.param.name); });
