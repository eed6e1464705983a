// A read made of short reads keeps the time-out rule of one long read (the
// total limit, the gap after a byte, done when all are in) while no wait is
// longer than a slice and the wait hook runs between them. On the virtual
// clock: a short read that finds nothing takes its whole wait.
#include "link/sliced_read.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "platform/wait_hook.h"

namespace ks {
namespace {

// A line on which bytes arrive at given times.
struct Line {
    VirtualClock clock;
    std::deque<std::pair<uint64_t, uint8_t>> arrivals;  // time, byte
    std::vector<uint32_t> waits;                          // each short read's wait
    bool fail = false;

    bool Read(uint8_t* into, uint32_t want, uint32_t waitMs, uint32_t* got) {
        waits.push_back(waitMs);
        *got = 0;
        if (fail) return false;
        // Nothing there yet: wait for the first byte or the whole wait.
        if (arrivals.empty() || arrivals.front().first > clock.NowMs()) {
            const uint64_t next = arrivals.empty() ? UINT64_MAX : arrivals.front().first;
            clock.Advance(std::min<uint64_t>(waitMs, next - clock.NowMs()));
        }
        while (*got < want && !arrivals.empty() && arrivals.front().first <= clock.NowMs()) {
            into[(*got)++] = arrivals.front().second;
            arrivals.pop_front();
        }
        return true;
    }
    ReadSome Reader() {
        return [this](uint8_t* into, uint32_t want, uint32_t waitMs, uint32_t* got) { return Read(into, want, waitMs, got); };
    }
};

// The console's time-outs at 57600 baud: 1 ms gap and per byte, 100 ms more.
constexpr CommTimeouts kPort{1, 1, 100, 1, 0};

class SlicedReadTest : public ::testing::Test {
protected:
    void SetUp() override { SetWaitHook([this] { ++hookRuns; }); }
    void TearDown() override { SetWaitHook(nullptr); }
    int hookRuns = 0;
    Line line;
    uint8_t buffer[16] = {};
    uint32_t got = 0;
};

TEST_F(SlicedReadTest, ASilentLineEndsAtTheTotalLimitInSlices) {
    ASSERT_TRUE(ReadInSlices(kPort, buffer, 8, &got, line.clock, 15, line.Reader()));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(line.clock.ElapsedMs(), 108u);  // 8 * 1 + 100
    EXPECT_EQ(*std::max_element(line.waits.begin(), line.waits.end()), 15u);
    EXPECT_EQ(hookRuns, static_cast<int>(line.waits.size()));
    EXPECT_GE(hookRuns, 8);
}

TEST_F(SlicedReadTest, BytesComingInPiecesEndTheReadWhenAllAreIn) {
    line.arrivals = {{40, 'a'}, {40, 'b'}, {40, 'c'}, {40, 'd'}, {40, 'e'}, {41, 'f'}, {41, 'g'}};
    ASSERT_TRUE(ReadInSlices(kPort, buffer, 7, &got, line.clock, 15, line.Reader()));
    EXPECT_EQ(got, 7u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), got), "abcdefg");
    EXPECT_EQ(line.clock.NowMs(), 41u);
}

TEST_F(SlicedReadTest, AGapAfterTheFirstBytesEndsTheReadWithThem) {
    CommTimeouts slowGap = kPort;
    slowGap.readInterval = 20;
    line.arrivals = {{30, 'a'}, {31, 'b'}, {90, 'c'}};  // 'c' comes after the gap
    ASSERT_TRUE(ReadInSlices(slowGap, buffer, 3, &got, line.clock, 15, line.Reader()));
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(line.clock.NowMs(), 51u);  // 20 ms after 'b'
}

TEST_F(SlicedReadTest, WhatIsThereNowIsOneReadWithoutWaitingAndAFailureIsAFailure) {
    line.arrivals = {{0, 'x'}, {5, 'y'}};
    ASSERT_TRUE(ReadInSlices({0xFFFFFFFFu, 0, 0, 0, 0}, buffer, 4, &got, line.clock, 15, line.Reader()));
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(line.waits, std::vector<uint32_t>{0});
    EXPECT_EQ(line.clock.NowMs(), 0u);

    line.fail = true;
    EXPECT_FALSE(ReadInSlices(kPort, buffer, 4, &got, line.clock, 15, line.Reader()));
}

}  // namespace
}  // namespace ks
