// Loading NC and 3B job files into the hole table, and the hole list rows.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "jobfiles/job_loader.h"
#include "test_support.h"

namespace ks {
namespace {

using test::RecordingSink;
using test::ScratchDir;

const std::string kNcHead =
    "************************************************************\r\n"
    "********       \xB4\xA9\xBF\xD7\xBB\xFA\xBC\xD3\xB9\xA4NC\xCE\xC4\xBC\xFE    Volmarek        *********\r\n"
    "********    \xC9\xFA\xB3\xC9\xCA\xB1\xBC\xE4:2026\xC4\xEA" "05\xD4\xC2" "03\xC8\xD5" "14\xCA\xB1"
    "07\xB7\xD6" "09\xC3\xEB    *********\r\n"
    "************************************************************\r\n"
    "START\r\n";

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override { holes = std::make_unique<HoleSlots>(); }
    int32_t Load(const std::string& name, const std::string& text) {
        test::WriteBytes(dir.File(name), text);
        LoadJob(dir.File(name), *holes, count, sink);
        return count;
    }
    const JobHole& Slot(int i) const { return (*holes)[static_cast<size_t>(i)]; }

    ScratchDir dir;
    RecordingSink sink;
    std::unique_ptr<HoleSlots> holes;
    int32_t count = -1;
};

TEST_F(LoaderTest, NcProgramLoadsEveryHoleInFileOrder) {
    ASSERT_EQ(Load("a.NC", kNcHead + "N1  X-500  Y30   R250\r\nN2  X0  Y0   R1000\r\nN7  X12  Y-7   R11\r\nSTOP"), 3);
    EXPECT_EQ(Slot(1).nX, -500);
    EXPECT_EQ(Slot(1).nY, 30);
    EXPECT_FLOAT_EQ(Slot(1).fRadius, 0.25f);
    EXPECT_FLOAT_EQ(Slot(2).fRadius, 1.0f);
    EXPECT_EQ(Slot(3).nY, -7);  // the number in the file is not used
    EXPECT_EQ(Slot(0).nX, -500);
    EXPECT_EQ(Slot(0).nY, 30);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(LoaderTest, RadiusLimitsAreExclusive) {
    EXPECT_EQ(Load("a.NC", "START N1 X1 Y1 R19999 N2 X2 Y2 R11 STOP"), 2);
    EXPECT_TRUE(sink.messages.empty());
    // A doubled sign is no number, not a 15 mm radius.
    for (const char* bad : {"R20000", "R10", "R5", "R0", "R-300", "Rabc", "Rnan", "R--15000", "R+-15000"}) {
        sink.messages.clear();
        EXPECT_EQ(Load("a.NC", std::string("START N1 X1 Y1 R500 N2 X2 Y2 ") + bad + " N3 X3 Y3 R500 STOP"), 1) << bad;
        EXPECT_EQ(sink.messages, std::vector<std::string>{"文件打开出错"}) << bad;
    }
    // A bad first hole leaves an empty job.
    EXPECT_EQ(Load("a.NC", "START N1 X1 Y1 R5 STOP"), 0);
}

TEST_F(LoaderTest, CentresOutsideOneMetreAreDroppedSilently) {
    EXPECT_EQ(Load("a.NC", "START N1 X1000000 Y0 R100 N2 X999999 Y0 R100 N3 X-999999 Y-999999 R100 "
                           "N4 X0 Y-1000000 R100 STOP"), 2);
    EXPECT_EQ(Slot(1).nX, 999999);
    EXPECT_EQ(Slot(2).nX, -999999);
    // The dropped hole was stored in the next free slot and stays there.
    EXPECT_EQ(Slot(3).nY, -1000000);
    EXPECT_TRUE(sink.messages.empty());
    // Coordinates past 32 bits are far away, not wrapped back near the origin.
    EXPECT_EQ(Load("a.NC", "START N1 X4294967297 Y0 R100 N2 X5 Y-4294967297 R100 N3 X7 Y7 R100 STOP"), 1);
    EXPECT_EQ(Slot(1).nX, 7);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(LoaderTest, BannerTokensBeforeStartAreSkipped) {
    EXPECT_EQ(Load("a.NC", "N1 X5 Y5 R100 START N1 X6 Y6 R100"), 1);
    EXPECT_EQ(Slot(1).nX, 6);
    // A banner word START starts the body early.
    EXPECT_EQ(Load("a.NC", "*** START X1 X2 Y3 R100 STOP"), 1);
    EXPECT_EQ(Slot(1).nX, 2);
    EXPECT_EQ(Slot(1).nY, 3);
    // No START: nothing, no message.
    EXPECT_EQ(Load("a.NC", "N1 X5 Y5 R100"), 0);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(LoaderTest, StopEndsTheLoadInsideARecord) {
    EXPECT_EQ(Load("a.NC", "START N1 X1 Y1 R100 N2 X2 STOP N3 X3 Y3 R100"), 1);
    // A record cut short by the end of the file is dropped.
    EXPECT_EQ(Load("a.NC", "START N1 X1 Y1 R100 N2 X2 Y2"), 1);
    EXPECT_EQ(Load("a.NC", "START\r\nN1 X1 Y1 R100\r\n"), 1);
}

TEST_F(LoaderTest, LongTokensAreCutToTheirBuffers) {
    // 19 characters of an X token are kept: X + 18 digits.
    std::string longX = "X" + std::string(18, '0') + "77";  // digits beyond the buffer vanish
    EXPECT_EQ(Load("a.NC", "START N1 " + longX + " Y1 R100 STOP"), 1);
    EXPECT_EQ(Slot(1).nX, 0);
    std::string longLabel(500, 'N');
    EXPECT_EQ(Load("a.NC", "START " + longLabel + " X4 Y1 R100 STOP"), 1);
    EXPECT_EQ(Slot(1).nX, 4);
}

TEST_F(LoaderTest, TableHoldsAtMost14999Holes) {
    std::string text = "START\r\n";
    for (int i = 1; i <= 15005; ++i) text += "N" + std::to_string(i) + " X" + std::to_string(i) + " Y0 R100\r\n";
    (*holes)[kHoleSlots - 1].bDone = 1;
    EXPECT_EQ(Load("big.NC", text + "STOP"), kHoleSlots - 1);
    EXPECT_EQ(Slot(kHoleSlots - 1).nX, 14999);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"文件打开出错"});
    // Exactly 14999 loads without a message.
    sink.messages.clear();
    text = "START\r\n";
    for (int i = 1; i <= 14999; ++i) text += "N1 X" + std::to_string(i) + " Y0 R100\r\n";
    EXPECT_EQ(Load("full.NC", text + "N1 X1000000 Y0 R100\r\nSTOP"), 14999);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(LoaderTest, LoadersNeverTouchTheDoneFlags) {
    (*holes)[1].bDone = 1;
    (*holes)[2].bDone = 0;
    (*holes)[5].bDone = 1;
    Load("a.NC", "START N1 X1 Y1 R100 N2 X2 Y2 R100 STOP");
    Load("a.3B", "N 1 B 1 B 1 B 1 GX L1 B 0.1 B 0 DD");
    EXPECT_EQ(Slot(1).bDone, 1);
    EXPECT_EQ(Slot(2).bDone, 0);
    EXPECT_EQ(Slot(5).bDone, 1);
}

TEST_F(LoaderTest, ChoosesTheLoaderByTheExactEnding) {
    const std::string nc = "START N1 X1 Y1 R100 N2 X2 Y2 R100 STOP";
    EXPECT_EQ(Load("a.NC", nc), 2);
    count = 2;
    EXPECT_EQ(Load("a.nc", "START N1 X9 Y9 R100 STOP"), 2);  // unchanged table and count
    EXPECT_EQ(Slot(1).nX, 1);
    EXPECT_EQ(Load("a.Nc", "START N1 X9 Y9 R100 STOP"), 2);
    EXPECT_EQ(Load("aNC", nc), 2);
    EXPECT_EQ(Load("a.3B", "N 1 B 5 B 6 B 6 GY L1 B 0.3 B 0.4 DD"), 1);
    EXPECT_EQ(Load("a.3b", nc), 1);
    LoadJob("C", *holes, count, sink);
    EXPECT_EQ(count, 1);
}

TEST_F(LoaderTest, OpenFailureLeavesAnEmptyJob) {
    (*holes)[1].nX = 42;
    (*holes)[1].nY = 43;
    count = 9;
    testing::internal::CaptureStderr();
    LoadJob(dir.File("missing.NC"), *holes, count, sink);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(count, 0);
    EXPECT_EQ(err, "No such file or directory \n");
    EXPECT_EQ(sink.messages, std::vector<std::string>{"文件打开出错"});
    EXPECT_EQ(Slot(0).nX, 42);
    EXPECT_EQ(Slot(0).nY, 43);
    testing::internal::CaptureStderr();
    LoadJob(dir.File("missing.3B"), *holes, count, sink);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "No such file or directory \n");
    EXPECT_EQ(sink.messages.size(), 2u);
    // A folder is no job file either.
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("folder.NC")));
    testing::internal::CaptureStderr();
    LoadJob(dir.File("folder.NC"), *holes, count, sink);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Is a directory \n");
    EXPECT_EQ(sink.messages.size(), 3u);
}

TEST_F(LoaderTest, EmptyLoadCopiesWhateverSlotOneHeld) {
    (*holes)[1].nX = 7;
    (*holes)[1].nY = 8;
    EXPECT_EQ(Load("a.NC", "no body here"), 0);
    EXPECT_EQ(Slot(0).nX, 7);
    EXPECT_EQ(Slot(0).nY, 8);
}

TEST_F(LoaderTest, ThreeBQuadrantsSignTheRelativeMoves) {
    EXPECT_EQ(Load("a.3B", "N 1 B 100 B 200 B 200 GY L2 B 0.3 B 0.4 DD"), 1);
    EXPECT_EQ(Slot(1).nX, -100);
    EXPECT_EQ(Slot(1).nY, 200);
    EXPECT_FLOAT_EQ(Slot(1).fRadius, 0.5f);
    EXPECT_EQ(Slot(0).nX, -100);

    // Moves add up; L3 negates both, L4 only dy, L1 and others neither.
    ASSERT_EQ(Load("b.3B", "N 1 B 10 B 20 B 0 GX L1 B 1 B 0 "
                           "N 2 B 1 B 2 B 0 GX L3 B 0 B 2 "
                           "N 3 B 5 B 5 B 0 GX L4 B 3 B 4 "
                           "N 4 B 1 B 1 B 0 GX L9 B 30 B 40 "
                           "N 5 B 1 B 1 B 0 GX Q2 B 0 B 0 DD"), 5);
    EXPECT_EQ(Slot(1).nX, 10);
    EXPECT_EQ(Slot(1).nY, 20);
    EXPECT_EQ(Slot(2).nX, 9);
    EXPECT_EQ(Slot(2).nY, 18);
    EXPECT_EQ(Slot(3).nX, 14);
    EXPECT_EQ(Slot(3).nY, 13);
    EXPECT_EQ(Slot(4).nX, 15);
    EXPECT_FLOAT_EQ(Slot(4).fRadius, 50.0f);  // no radius check in 3B
    EXPECT_EQ(Slot(5).nX, 14);                // the letter is never tested
    EXPECT_EQ(Slot(5).fRadius, 0.0f);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(LoaderTest, ThreeBDropsFarHolesButKeepsTheirMoves) {
    ASSERT_EQ(Load("a.3B", "junk N 1 B 999999 B 0 B 0 GX L1 B 1 B 0 "
                           "N 2 B 1 B 0 B 0 GX L1 B 1 B 0 "
                           "N 3 B 5 B 0 B 0 GX L2 B 1 B 0 DD"), 2);
    EXPECT_EQ(Slot(1).nX, 999999);
    EXPECT_EQ(Slot(2).nX, 999995);
}

TEST_F(LoaderTest, ThreeBEndsAtDdAnywhere) {
    EXPECT_EQ(Load("a.3B", "N 1 B 1 B 1 B 1 GX L1 B 1 B 0 N 2 B 2 DD 2 B 2 GX L1 B 1 B 0"), 1);
    // The slot got its position after the quadrant token, before the radius.
    EXPECT_EQ(Load("a.3B", "N 1 B 1 B 1 B 1 GX L1 B 1 B 0 N 2 B 2 B 2 B 2 GX L1 DD"), 1);
    EXPECT_EQ(Slot(2).nX, 3);
    EXPECT_EQ(Load("a.3B", "N DD"), 0);
    EXPECT_EQ(Load("a.3B", "B 1 B 2"), 0);  // no N: nothing
    // Without DD the load ends at the end of the file.
    EXPECT_EQ(Load("a.3B", "N 1 B 1 B 1 B 1 GX L1 B 1 B 0 N 2 B 1 B 1 B 1 GX L1 B 1 B 0"), 2);
    // Records need not repeat the N.
    EXPECT_EQ(Load("a.3B", "N 1 B 1 B 1 B 1 GX L1 B 1 B 0 2 B 1 B 1 B 1 GX L1 B 1 B 0 DD"), 2);
    EXPECT_TRUE(sink.messages.empty());
}

TEST(HoleListRow, ColumnsArePaddedByTheNumberLengths) {
    EXPECT_EQ(HoleListRow(1, JobHole{123, 45, 0.1f, 0}),
              "N1" + std::string(16, ' ') + "X123" + std::string(18, ' ') + "Y45");
    EXPECT_EQ(HoleListRow(10, JobHole{-5, 7, 0.1f, 0}),
              "N10" + std::string(14, ' ') + "X-5" + std::string(21, ' ') + "Y7");
    EXPECT_EQ(HoleListRow(14999, JobHole{-999999, -999999, 0.1f, 1}),
              "N14999" + std::string(8, ' ') + "X-999999" + std::string(11, ' ') + "Y-999999");
    EXPECT_EQ(HoleListRow(123456789, JobHole{0, 0, 0.1f, 0}), "N123456789X0" + std::string(22, ' ') + "Y0");
    EXPECT_EQ(HoleListRow(1234567890, JobHole{-2147483647 - 1, 1, 0.1f, 0}),
              "N1234567890X-2147483648" + std::string(3, ' ') + "Y1");
}

}  // namespace
}  // namespace ks
