// The panel's lines and the tray tip, from the snapshot.
#include "tests/support/fixture.h"
#include "shell/shell.h"

struct PanelCase {
    const char *name;
    MEMORYSTATUS memory;
    const char *tip;
    std::vector<std::string> lines; // lines 1 to 4; the heading never changes
};
static void PrintTo(const PanelCase &c, std::ostream *os) { *os << c.name; }

class Panel : public ::testing::TestWithParam<PanelCase> {};

TEST_P(Panel, FormatsTheFigures)
{
    const PanelCase &c = GetParam();
    memoryStatus = c.memory;
    char text[STATUS_TEXT_SIZE];
    FormatTip(text, sizeof text);
    EXPECT_STREQ(c.tip, text);
    FormatPanelLine(0, text, sizeof text);
    EXPECT_STREQ("Tamsel's Memory Defragger", text);
    for (int line = 1; line < PANEL_LINES; line++) {
        FormatPanelLine(line, text, sizeof text);
        EXPECT_EQ(c.lines.at(line - 1), text);
    }
    const int expectedY[PANEL_LINES] = {0, 30, 45, 60, 75};
    for (int line = 0; line < PANEL_LINES; line++)
        EXPECT_EQ(expectedY[line], PANEL_LINE_Y[line]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Panel,
    ::testing::Values(
        PanelCase{"Small",
                  Memory(64 * MiB, 20 * MiB, 68, 96 * MiB, 40 * MiB),
                  "RAM : 20/64Mb",
                  {"Total Physical RAM : 67108864 (64MB)", "Available Physical RAM : 20971520 (20MB)",
                   "Total Swapfile Size : 58720256 (56MB)", "System Memory Load : 68%"}},
        PanelCase{"TruncatedMegabytes",
                  Memory(MiB - 1, MiB + MiB / 2, 0, 2 * MiB - 1, 0),
                  "RAM : 1/0Mb",
                  {"Total Physical RAM : 1048575 (0MB)", "Available Physical RAM : 1572864 (1MB)",
                   "Total Swapfile Size : 2097151 (1MB)", "System Memory Load : 0%"}},
        PanelCase{"TwoGiBPrintUnsigned",
                  Memory(0x80000000, 0x80000000, 100, 0xC0000000, 0x40000000),
                  "RAM : 2048/2048Mb",
                  {"Total Physical RAM : 2147483648 (2048MB)", "Available Physical RAM : 2147483648 (2048MB)",
                   "Total Swapfile Size : 2147483648 (2048MB)", "System Memory Load : 100%"}},
        PanelCase{"FourGiBLessOne",
                  Memory(0xFFFFFFFF, 0xFFFFFFFE, 1, 0xFFFFFFFF, 0),
                  "RAM : 4095/4095Mb",
                  {"Total Physical RAM : 4294967295 (4095MB)", "Available Physical RAM : 4294967294 (4095MB)",
                   "Total Swapfile Size : 4294967295 (4095MB)", "System Memory Load : 1%"}},
        // Seen under Wine: more page file available than there is.
        PanelCase{"PageFileInUseStopsAtZero",
                  Memory(0x7FFFFFFF, 0x7FFFFFFF, 30, 4294443007u, 4294967295u),
                  "RAM : 2047/2047Mb",
                  {"Total Physical RAM : 2147483647 (2047MB)", "Available Physical RAM : 2147483647 (2047MB)",
                   "Total Swapfile Size : 0 (0MB)", "System Memory Load : 30%"}}),
    [](const ::testing::TestParamInfo<PanelCase> &param) { return std::string(param.param.name); });
