#include "platform/clock.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

TEST(VirtualClock, SleepAdvancesTimeAndNotifiesObservers) {
    VirtualClock clock(1000);
    std::vector<uint64_t> seen;
    int id = clock.AddObserver([&](uint64_t now) { seen.push_back(now); });
    clock.Sleep(500);
    clock.Advance(60);
    EXPECT_EQ(clock.TickCount(), 1560u);
    EXPECT_EQ(clock.ElapsedMs(), 560u);
    clock.RemoveObserver(id);
    clock.Sleep(1);
    EXPECT_EQ(seen, (std::vector<uint64_t>{1500, 1560}));
}

TEST(VirtualClock, TickCountWrapsLikeA32BitCounter) {
    VirtualClock clock(0xFFFFFFF0ull);
    uint32_t t0 = clock.TickCount();
    clock.Sleep(0x20);
    EXPECT_EQ(static_cast<uint32_t>(clock.TickCount() - t0), 0x20u);
}

}  // namespace
}  // namespace ks
