// The Modbus master against the scripted driver on a virtual clock.
#include "link/modbus_master.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "link/testing/fake_serial_driver.h"
#include "link_test_util.h"

namespace ks {
namespace {

using test::Bytes;
using test::ReadAnswer;
using test::WithCrc;
using Op = FakeSerialDriver::Op;

class LinkMasterTest : public ::testing::Test {
protected:
    LinkMasterTest() : driver(clock), master(driver, clock) {}
    void SetUp() override { ASSERT_EQ(master.OpenPath("/dev/fake", 57600, 8, 0, 0), 1); }

    // Elapsed virtual time of one call.
    template <typename F>
    uint64_t Timed(F&& f) {
        uint64_t before = clock.NowMs();
        f();
        return clock.NowMs() - before;
    }

    VirtualClock clock{1000};
    FakeSerialDriver driver;
    CModbusMaster master;
    uint8_t data[256] = {};
};

TEST(LinkCrc, CheckValueAndByteOrder) {
    const char* text = "123456789";
    auto bytes = reinterpret_cast<const uint8_t*>(text);
    EXPECT_EQ(Crc16Modbus(bytes, 9), 0x4B37);
    // The master's form carries the byte sent first in its high byte.
    EXPECT_EQ(CModbusMaster::Crc16(bytes, 9, true), 0x374B);
    EXPECT_EQ(CModbusMaster::Crc16(bytes, 9, false), 0x374B);
    EXPECT_EQ(CModbusMaster::Crc16(bytes, 0, true), 0xFFFF);
}

TEST(LinkCrc, TableAndBitwiseAgree) {
    std::mt19937 rng(7);
    uint8_t buf[300];
    for (int round = 0; round < 200; ++round) {
        uint32_t n = rng() % sizeof buf;
        for (uint32_t i = 0; i < n; ++i) buf[i] = static_cast<uint8_t>(rng());
        ASSERT_EQ(CModbusMaster::Crc16(buf, n, true), CModbusMaster::Crc16(buf, n, false)) << n;
    }
}

TEST(LinkMasterLifecycle, BuffersAllocatedOnceAtOpen) {
    VirtualClock clock;
    FakeSerialDriver driver(clock);
    uint8_t* tx;
    uint8_t* rx;
    {
        CModbusMaster master(driver, clock);
        EXPECT_EQ(master.m_pTxFrame, nullptr);
        EXPECT_EQ(master.m_pRxFrame, nullptr);
        EXPECT_EQ(master.m_dwResponseTimeout, 500u);
        // Calls before any Open find no port and no buffers: write failure, no crash.
        uint8_t d[2];
        EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 1, d), kMbWriteFailed);
        EXPECT_EQ(master.WriteMultipleRegisters(1, 0, 1, d), kMbWriteFailed);
        EXPECT_TRUE(driver.calls.empty());

        driver.FailNext(Op::kOpen);
        EXPECT_EQ(master.Open(3, 57600, 8, 0, 0), 0);
        tx = master.m_pTxFrame;
        rx = master.m_pRxFrame;
        ASSERT_NE(tx, nullptr);
        ASSERT_NE(rx, nullptr);
        EXPECT_NE(tx, rx);
        // The start-up's retry keeps the same pair.
        EXPECT_EQ(master.Open(3, 57600, 8, 0, 0), 1);
        EXPECT_EQ(master.m_pTxFrame, tx);
        EXPECT_EQ(master.m_pRxFrame, rx);
        EXPECT_EQ(driver.OpenHandleCount(), 1u);
    }
    // Destruction closed the port.
    EXPECT_EQ(driver.OpenHandleCount(), 0u);
}

// ---------------------------------------------------------------- frames

TEST_F(LinkMasterTest, StatusBlockReadFrameAndDecode) {
    driver.ScriptAnswer(ReadAnswer({1, 0x3015, 0xFE0C, 0xFFFF, 2, 0, 3, 0, 9}));
    ASSERT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbOk);
    ASSERT_EQ(driver.writes.size(), 1u);
    EXPECT_EQ(driver.writes[0], (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x09, 0x85, 0xCC}));
    // Values as on the wire, high byte first.
    const Bytes expect{0x00, 0x01, 0x30, 0x15, 0xFE, 0x0C, 0xFF, 0xFF, 0, 2, 0, 0, 0, 3, 0, 0, 0, 9};
    EXPECT_EQ(Bytes(data, data + 18), expect);
}

TEST_F(LinkMasterTest, SignalReadFrame) {
    driver.ScriptAnswer(ReadAnswer({0x0009}));
    ASSERT_EQ(master.ReadHoldingRegisters(1, 50, 1, data), kMbOk);
    EXPECT_EQ(driver.writes.at(0), (Bytes{0x01, 0x03, 0x00, 0x32, 0x00, 0x01, 0x25, 0xC5}));
    EXPECT_EQ(data[1], 9);
}

TEST_F(LinkMasterTest, CommandFrameAndItsAnswer) {
    driver.ScriptAnswer(Bytes{0x01, 0x10, 0x00, 0x29, 0x00, 0x01, 0xD0, 0x01});
    const uint8_t src[2] = {0, 50};
    ASSERT_EQ(master.WriteMultipleRegisters(1, 41, 1, src), kMbOk);
    EXPECT_EQ(driver.writes.at(0), (Bytes{0x01, 0x10, 0x00, 0x29, 0x00, 0x01, 0x02, 0x00, 0x32, 0x20, 0x7C}));
}

TEST_F(LinkMasterTest, MoveVectorFrame) {
    driver.ScriptAnswer(WithCrc({0x01, 0x10, 0x00, 0x14, 0x00, 0x06}));
    // X = -500 low word first, Y = 0, Z = 0.
    const uint8_t src[12] = {0xFE, 0x0C, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(master.WriteMultipleRegisters(1, 20, 6, src), kMbOk);
    EXPECT_EQ(driver.writes.at(0), (Bytes{0x01, 0x10, 0x00, 0x14, 0x00, 0x06, 0x0C, 0xFE, 0x0C, 0xFF, 0xFF, 0x00,
                                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x59}));
}

TEST_F(LinkMasterTest, FunctionFourAndCoilFrames) {
    driver.ScriptAnswer(ReadAnswer({0x1234}, 7, 4));
    ASSERT_EQ(master.ReadRegisters(7, 4, 0x0102, 1, data), kMbOk);
    EXPECT_EQ(driver.writes.back(), WithCrc({7, 4, 0x01, 0x02, 0x00, 0x01}));

    // Nine coils need two data bytes.
    driver.ScriptAnswer(WithCrc({7, 15, 0x00, 0x05, 0x00, 0x09}));
    const uint8_t coils[2] = {0xA5, 0x01};
    ASSERT_EQ(master.WriteMulti(7, 15, 5, 9, coils), kMbOk);
    EXPECT_EQ(driver.writes.back(), WithCrc({7, 15, 0x00, 0x05, 0x00, 0x09, 0x02, 0xA5, 0x01}));
}

TEST_F(LinkMasterTest, PurgesBeforeEveryRequestSoStaleBytesAreDropped) {
    driver.Deliver(Bytes{0x01, 0x03, 0x02, 0xAA, 0xBB});  // left over from an earlier exchange
    driver.ScriptAnswer(ReadAnswer({0x0102}));
    ASSERT_EQ(master.ReadHoldingRegisters(1, 50, 1, data), kMbOk);
    EXPECT_EQ(data[0], 0x01);
    EXPECT_EQ(data[1], 0x02);
    // Purge comes right before the write.
    auto w = std::find(driver.calls.rbegin(), driver.calls.rend(), Op::kWrite);
    ASSERT_NE(w, driver.calls.rend());
    EXPECT_EQ(*(w + 1), Op::kPurge);
}

// ---------------------------------------------------------------- argument checks

TEST_F(LinkMasterTest, ReadArgumentChecksInOrderAndNothingSent) {
    EXPECT_EQ(master.ReadRegisters(0, 5, 0, 0, data), kMbBadSlave);
    EXPECT_EQ(master.ReadRegisters(248, 3, 0, 1, data), kMbBadSlave);
    EXPECT_EQ(master.ReadRegisters(247, 5, 0, 0, data), kMbBadFunction);
    EXPECT_EQ(master.ReadRegisters(1, 16, 0, 1, data), kMbBadFunction);
    EXPECT_EQ(master.ReadRegisters(1, 3, 0, 0, data), kMbBadCount);
    EXPECT_EQ(master.ReadRegisters(1, 4, 0, 126, data), kMbBadCount);
    EXPECT_TRUE(driver.writes.empty());
    EXPECT_EQ(driver.CallCount(Op::kPurge), 1);  // the one of the open
}

TEST_F(LinkMasterTest, WriteArgumentChecksInOrderAndNothingSent) {
    EXPECT_EQ(master.WriteMulti(0, 16, 0, 1, data), kMbBadSlave);
    EXPECT_EQ(master.WriteMulti(248, 5, 0, 0, data), kMbBadSlave);
    EXPECT_EQ(master.WriteMulti(1, 5, 0, 0, data), kMbBadFunction);
    EXPECT_EQ(master.WriteMulti(1, 3, 0, 1, data), kMbBadFunction);
    EXPECT_EQ(master.WriteMulti(1, 16, 0, 0, data), kMbBadCount);
    EXPECT_EQ(master.WriteMulti(1, 16, 0, 124, data), kMbBadCount);
    EXPECT_EQ(master.WriteMulti(1, 15, 0, 0, data), kMbBadCount);
    EXPECT_EQ(master.WriteMulti(1, 15, 0, 1969, data), kMbBadCount);
    EXPECT_TRUE(driver.writes.empty());
}

TEST_F(LinkMasterTest, LargestFramesFillTheBuffer) {
    // 125 registers: a 255-byte answer.
    Bytes answer{1, 3, 250};
    for (int i = 0; i < 250; ++i) answer.push_back(static_cast<uint8_t>(i));
    driver.ScriptAnswer(WithCrc(answer));
    ASSERT_EQ(master.ReadHoldingRegisters(1, 0, 125, data), kMbOk);
    EXPECT_EQ(data[249], 249);

    uint8_t src[246];
    for (int i = 0; i < 246; ++i) src[i] = static_cast<uint8_t>(i ^ 0x5A);
    driver.ScriptAnswer(WithCrc({1, 16, 0, 0, 0, 123}));
    ASSERT_EQ(master.WriteMulti(1, 16, 0, 123, src), kMbOk);
    ASSERT_EQ(driver.writes.back().size(), 255u);
    EXPECT_EQ(driver.writes.back()[6], 246);
    EXPECT_EQ(0, std::memcmp(driver.writes.back().data() + 7, src, 246));

    driver.ScriptAnswer(WithCrc({1, 15, 0, 0, 0x07, 0xB0}));
    ASSERT_EQ(master.WriteMulti(1, 15, 0, 1968, src), kMbOk);
    ASSERT_EQ(driver.writes.back().size(), 255u);
    EXPECT_EQ(driver.writes.back()[6], 246);
    EXPECT_TRUE(CrcMatches(driver.writes.back().data(), 253));
}

// ---------------------------------------------------------------- answer checks

TEST_F(LinkMasterTest, ReadAnswerChecksInOrder) {
    Bytes good = ReadAnswer({0x1111, 0x2222});
    Bytes badCrc = good;
    badCrc.back() ^= 1;
    driver.ScriptAnswer(badCrc);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 2, data), kMbCrcError);

    // Wrong slave wins over a wrong function; both with a right CRC.
    driver.ScriptAnswer(WithCrc({2, 4, 4, 0x11, 0x11, 0x22, 0x22}));
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 2, data), kMbSlaveMismatch);
    // Wrong function wins over a wrong byte count.
    driver.ScriptAnswer(WithCrc({1, 4, 3, 0x11, 0x11, 0x22, 0x22}));
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 2, data), kMbFunctionMismatch);
    driver.ScriptAnswer(WithCrc({1, 3, 5, 0x11, 0x11, 0x22, 0x22}));
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 2, data), kMbByteCountError);
    // A failed answer leaves the destination untouched.
    EXPECT_EQ(data[0], 0);
}

TEST_F(LinkMasterTest, WriteAnswerChecks) {
    const uint8_t src[4] = {0, 1, 0, 2};
    Bytes badCrc = WithCrc({1, 16, 0, 60, 0, 2});
    badCrc[6] ^= 0xFF;
    driver.ScriptAnswer(badCrc);
    EXPECT_EQ(master.WriteMultipleRegisters(1, 60, 2, src), kMbCrcError);
    // A different start address, a different quantity, another slave: all echo errors.
    driver.ScriptAnswer(WithCrc({1, 16, 0, 61, 0, 2}));
    EXPECT_EQ(master.WriteMultipleRegisters(1, 60, 2, src), kMbEchoMismatch);
    driver.ScriptAnswer(WithCrc({1, 16, 0, 60, 0, 1}));
    EXPECT_EQ(master.WriteMultipleRegisters(1, 60, 2, src), kMbEchoMismatch);
    driver.ScriptAnswer(WithCrc({2, 16, 0, 60, 0, 2}));
    EXPECT_EQ(master.WriteMultipleRegisters(1, 60, 2, src), kMbEchoMismatch);
}

TEST_F(LinkMasterTest, ExceptionAnswersAreRecognisedOnlyAtTheTimeOut) {
    driver.ScriptAnswer(WithCrc({1, 0x83, 0x02}));
    uint16_t result = 0;
    uint64_t took = Timed([&] { result = master.ReadHoldingRegisters(1, 0, 9, data); });
    EXPECT_EQ(result, 0x8002);
    EXPECT_GT(took, 500u);

    driver.ScriptAnswer(WithCrc({1, 0x90, 0x04}));
    const uint8_t src[2] = {0, 1};
    took = Timed([&] { result = master.WriteMultipleRegisters(1, 41, 1, src); });
    EXPECT_EQ(result, 0x8004);
    EXPECT_GT(took, 500u);

    // Same five bytes with a flaw: a plain time-out.
    const Bytes flawed[] = {
        Bytes{1, 0x83, 0x02, 0x00, 0x00},  // CRC wrong
        WithCrc({2, 0x83, 0x02}),          // other slave
        WithCrc({1, 0x84, 0x02}),          // other function
        WithCrc({1, 0x03, 0x02}),          // function without bit 7
    };
    for (const Bytes& b : flawed) {
        driver.ScriptAnswer(b);
        EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbResponseTimeout);
    }
    // Four or six bytes of an exception-like answer: time-out.
    Bytes six = WithCrc({1, 0x83, 0x02});
    six.push_back(0);
    driver.ScriptAnswer(six);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbResponseTimeout);
    driver.ScriptAnswer(Bytes(six.begin(), six.begin() + 4));
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbResponseTimeout);
}

// ---------------------------------------------------------------- timing on the virtual clock

TEST_F(LinkMasterTest, SilentSlaveTimesOutWithinOneReadPeriodAfter500ms) {
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{});
    uint16_t result = 0;
    uint64_t took = Timed([&] { result = master.ReadHoldingRegisters(1, 0, 9, data); });
    EXPECT_EQ(result, kMbResponseTimeout);
    // Reads of 23 bytes block 123 ms each: the fifth ends at 615 ms.
    EXPECT_EQ(took, 615u);
    EXPECT_EQ(driver.CallCount(Op::kRead), 5);
    EXPECT_EQ(driver.OpenHandleCount(), 1u);  // a time-out does not close the port
}

TEST_F(LinkMasterTest, AnswerInPiecesIsCollected) {
    Bytes a = ReadAnswer({0xABCD, 0x0102, 0x0304});
    std::vector<FakeSerialDriver::Piece> pieces{
        {3, Bytes(a.begin(), a.begin() + 1)},
        {4, Bytes(a.begin() + 1, a.begin() + 5)},
        {40, Bytes(a.begin() + 5, a.begin() + 9)},  // after a gap: a new read picks it up
        {300, Bytes(a.begin() + 9, a.end())},
    };
    driver.ScriptAnswer(pieces);
    uint16_t result = 0;
    uint64_t took = Timed([&] { result = master.ReadHoldingRegisters(1, 0, 3, data); });
    ASSERT_EQ(result, kMbOk);
    EXPECT_EQ(took, 300u);  // done as soon as the last byte is in
    EXPECT_EQ(data[0], 0xAB);
    EXPECT_EQ(data[5], 0x04);
    EXPECT_GE(driver.CallCount(Op::kRead), 3);
}

TEST_F(LinkMasterTest, AnswerCompletedOnlyAfterTheTimeOutFails) {
    // 9 registers: reads end at 123, 246, 369, 492 ms; a read started at 492
    // still picks up bytes at 550 - complete, but too late.
    Bytes a = ReadAnswer({1, 2, 3, 4, 5, 6, 7, 8, 9});
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{{10, Bytes(a.begin(), a.begin() + 5)},
                                                             {550, Bytes(a.begin() + 5, a.end())}});
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbResponseTimeout);

    // The same answer finished at 480 ms is fine.
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{{10, Bytes(a.begin(), a.begin() + 5)},
                                                             {480, Bytes(a.begin() + 5, a.end())}});
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbOk);
}

// ---------------------------------------------------------------- late answers

// An answer that comes after its request was given up looks exactly like
// the answer to the next request of the same kind. Here each next answer is
// lost, so a stray one taken for it would pass as good.
TEST_F(LinkMasterTest, AnswerAfterATimeOutOrADamagedOneIsNeverTakenForTheNext) {
    const Bytes stale = ReadAnswer({0x0BAD});
    const std::vector<FakeSerialDriver::Piece> lost;
    // 700 ms after the request; the time-out was found at 535 ms.
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{{700, stale}});
    EXPECT_EQ(master.ReadHoldingRegisters(1, 50, 1, data), kMbResponseTimeout);
    driver.ScriptAnswer(lost);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 50, 1, data), kMbResponseTimeout);

    // A damaged answer, then a good-looking frame 300 ms later.
    Bytes damaged = stale;
    damaged.back() ^= 1;
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{{5, damaged}, {300, stale}});
    EXPECT_EQ(master.ReadHoldingRegisters(1, 50, 1, data), kMbCrcError);
    driver.ScriptAnswer(lost);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 50, 1, data), kMbResponseTimeout);

    // The same for a write: a stray echo is not its answer.
    const uint8_t src[2] = {0, 1};
    const Bytes echo = WithCrc({1, 16, 0, 43, 0, 1});
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{{650, echo}});
    EXPECT_EQ(master.WriteMultipleRegisters(1, 43, 1, src), kMbResponseTimeout);
    driver.ScriptAnswer(lost);
    EXPECT_EQ(master.WriteMultipleRegisters(1, 43, 1, src), kMbResponseTimeout);

    driver.ScriptAnswer(ReadAnswer({0x0102}));
    ASSERT_EQ(master.ReadHoldingRegisters(1, 50, 1, data), kMbOk);
    EXPECT_EQ(data[1], 0x02);
    EXPECT_EQ(driver.misuse, 0);
}

// The wait after a failure ends one response time-out after it and counts
// the caller's own pauses; a good exchange and an exception answer make no
// one wait.
TEST_F(LinkMasterTest, WaitForALateAnswerIsBoundedAndOnlyAfterAFailure) {
    const Bytes good = ReadAnswer({7});
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{});
    ASSERT_EQ(master.ReadHoldingRegisters(1, 50, 1, data), kMbResponseTimeout);
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{{2, good}});
    EXPECT_EQ(Timed([&] { master.ReadHoldingRegisters(1, 50, 1, data); }), 502u);
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{{2, good}});
    EXPECT_EQ(Timed([&] { master.ReadHoldingRegisters(1, 50, 1, data); }), 2u);

    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{});
    ASSERT_EQ(master.ReadHoldingRegisters(1, 50, 1, data), kMbResponseTimeout);
    clock.Advance(300);  // the caller paused
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{{2, good}});
    EXPECT_EQ(Timed([&] { master.ReadHoldingRegisters(1, 50, 1, data); }), 202u);

    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{{2, WithCrc({1, 0x83, 0x02})}});
    ASSERT_EQ(master.ReadHoldingRegisters(1, 50, 1, data), 0x8002);
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{{2, good}});
    EXPECT_EQ(Timed([&] { master.ReadHoldingRegisters(1, 50, 1, data); }), 2u);
}

TEST(LinkMasterClock, TickCountWrapDoesNotCutTheWaitShort) {
    VirtualClock clock(0xFFFFFFFFull - 100);  // the tick count wraps during the exchange
    FakeSerialDriver driver(clock);
    CModbusMaster master(driver, clock);
    ASSERT_EQ(master.OpenPath("/dev/fake", 57600, 8, 0, 0), 1);
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{{400, ReadAnswer({42})}});
    uint8_t d[2];
    EXPECT_EQ(master.ReadHoldingRegisters(1, 50, 1, d), kMbOk);
    EXPECT_EQ(d[1], 42);
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{});
    uint64_t before = clock.NowMs();
    EXPECT_EQ(master.ReadHoldingRegisters(1, 50, 1, d), kMbResponseTimeout);
    EXPECT_GT(clock.NowMs() - before, 500u);
}

// ---------------------------------------------------------------- port failures

TEST_F(LinkMasterTest, ShortWriteIsAWriteFailureAndKeepsThePortOpen) {
    driver.LimitNextWrite(7);
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbWriteFailed);
    driver.LimitNextWrite(10);
    const uint8_t src[2] = {0, 1};
    EXPECT_EQ(master.WriteMultipleRegisters(1, 41, 1, src), kMbWriteFailed);
    EXPECT_TRUE(master.IsOpen());
    EXPECT_EQ(driver.CallCount(Op::kRead), 0);
}

TEST_F(LinkMasterTest, FailedReadClosesThePortAndLaterCallsFailAtOnce) {
    driver.ScriptAnswer(std::vector<FakeSerialDriver::Piece>{});
    driver.FailNext(Op::kRead);
    uint16_t result = 0;
    uint64_t took = Timed([&] { result = master.ReadHoldingRegisters(1, 0, 9, data); });
    EXPECT_EQ(result, kMbResponseTimeout);
    EXPECT_LT(took, 500u);  // nothing more can arrive on a closed port: no idling
    EXPECT_FALSE(master.IsOpen());

    const size_t callsBefore = driver.calls.size();
    took = Timed([&] { result = master.ReadHoldingRegisters(1, 0, 9, data); });
    EXPECT_EQ(result, kMbWriteFailed);
    EXPECT_EQ(took, 0u);
    EXPECT_EQ(driver.calls.size(), callsBefore);  // no driver call at all
    EXPECT_EQ(driver.misuse, 0);
}

TEST_F(LinkMasterTest, ExceptionAnswerBeforeAFailedReadIsJudgedAtOnce) {
    driver.ScriptAnswer(WithCrc({1, 0x83, 0x03}));
    driver.FailNext(Op::kRead, 1, /*after=*/1);  // the read after the one that got the answer fails
    uint16_t result = 0;
    uint64_t took = Timed([&] { result = master.ReadHoldingRegisters(1, 0, 9, data); });
    EXPECT_EQ(result, 0x8003);
    EXPECT_LT(took, 500u);
    EXPECT_FALSE(master.IsOpen());
}

TEST_F(LinkMasterTest, FailedWriteClosesThePort) {
    driver.FailNext(Op::kWrite);
    const uint8_t src[2] = {0, 1};
    EXPECT_EQ(master.WriteMultipleRegisters(1, 41, 1, src), kMbWriteFailed);
    EXPECT_FALSE(master.IsOpen());
    EXPECT_EQ(master.WriteMultipleRegisters(1, 41, 1, src), kMbWriteFailed);
    EXPECT_EQ(driver.CallCount(Op::kWrite), 1);
}

TEST_F(LinkMasterTest, RandomAnswersNeverPassAsGoodOnes) {
    std::mt19937 rng(2024);
    const Bytes good = ReadAnswer({0x0102, 0x0304});
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes junk(rng() % 12);
        for (uint8_t& b : junk) b = static_cast<uint8_t>(rng());
        if (rng() % 4 == 0) {  // near misses: a good answer with one byte changed
            junk = good;
            if (rng() % 3 != 0) junk[rng() % junk.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
        }
        std::vector<FakeSerialDriver::Piece> pieces;
        for (size_t at = 0; at < junk.size();) {
            size_t n = 1 + rng() % 4;
            n = std::min(n, junk.size() - at);
            pieces.push_back({static_cast<uint32_t>(rng() % 700), Bytes(junk.begin() + at, junk.begin() + at + n)});
            at += n;
        }
        std::sort(pieces.begin(), pieces.end(), [](auto& a, auto& b) { return a.atMs < b.atMs; });
        driver.ScriptAnswer(pieces);
        const uint16_t r = master.ReadHoldingRegisters(1, 0, 2, data);
        const bool known = r == kMbOk || (r >= 0x4001 && r <= 0x4007) || (r & 0xFF00) == 0x8000;
        ASSERT_TRUE(known) << r;
        if (r == kMbOk) {  // (late pieces of an earlier round may have mixed in)
            EXPECT_TRUE(CrcMatches(master.m_pRxFrame, 7)) << round;
            EXPECT_EQ(0, std::memcmp(master.m_pRxFrame, "\x01\x03\x04", 3)) << round;
            ++accepted;
        }
        ASSERT_TRUE(master.IsOpen());
    }
    EXPECT_GT(accepted, 0);  // the good path was exercised too
}

}  // namespace
}  // namespace ks
