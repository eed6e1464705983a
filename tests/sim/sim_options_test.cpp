// kestrane-sim's command line: values reach the model, mistakes are refused.
#include <gtest/gtest.h>

#include "sim/sim_options.h"

namespace ks::sim {
namespace {

TEST(SimOptions, EveryOptionReachesItsSetting) {
    SimOptions o;
    std::string err;
    ASSERT_TRUE(ParseSimOptions({"--link", "/tmp/x/COM1", "--drill-ms", "1500", "--drill-spread-ms", "300",
                                 "--drill-seed", "42", "--z-feed", "120", "--speed-scale",
                                 "450.5", "--limit", "x=-150:150.5", "--limit", "c=-1:1",
                                 "--drop-every", "4", "--corrupt-every", "5", "--ignore-every", "6",
                                 "--exception-every", "7", "--exception-code", "4",
                                 "--wrong-slave-every", "8", "--delay-ms", "250",
                                 "--vanish-after", "9000", "--reappear-after", "1000", "--baud",
                                 "57600", "--gap-ms", "4", "--log", "cmds.log", "--event",
                                 "hole=3,after=500,pause", "--event", "at=10000,signal=9,clear=2000"},
                                &o, &err))
        << err;
    EXPECT_EQ(o.linkPath, "/tmp/x/COM1");
    EXPECT_EQ(o.config.drillTimeMs, 1500u);
    EXPECT_EQ(o.config.drillSpreadMs, 300u);
    EXPECT_EQ(o.config.drillSeed, 42u);
    EXPECT_EQ(o.config.zFeedUmPerS, 120u);
    EXPECT_DOUBLE_EQ(o.config.speedScale, 450.5);
    EXPECT_EQ(o.config.travel[0].min, -150000);
    EXPECT_EQ(o.config.travel[0].max, 150500);
    EXPECT_EQ(o.config.travel[3].max, 1000);
    EXPECT_EQ(o.config.travel[1].max, TravelRange{}.max);
    EXPECT_EQ(o.faults.dropEveryN, 4u);
    EXPECT_EQ(o.faults.corruptCrcEveryN, 5u);
    EXPECT_EQ(o.faults.ignoreEveryN, 6u);
    EXPECT_EQ(o.faults.exceptionEveryN, 7u);
    EXPECT_EQ(o.faults.exceptionCode, 4);
    EXPECT_EQ(o.faults.wrongSlaveEveryN, 8u);
    EXPECT_EQ(o.faults.delayMs, 250u);
    EXPECT_EQ(o.faults.vanishAfterMs, 9000u);
    EXPECT_EQ(o.reappearAfterMs, 1000u);
    EXPECT_EQ(o.baud, 57600u);
    EXPECT_EQ(o.gapMs, 4u);
    EXPECT_EQ(o.logPath, "cmds.log");
    ASSERT_EQ(o.events.size(), 2u);
    EXPECT_EQ(o.events[0].atHole, 3);
    EXPECT_EQ(o.events[0].offsetMs, 500u);
    EXPECT_TRUE(o.events[0].pauseRequest);
    EXPECT_EQ(o.events[0].signalCode, -1);
    EXPECT_EQ(o.events[1].atMs, 10000u);
    EXPECT_EQ(o.events[1].signalCode, 9);
    EXPECT_EQ(o.events[1].clearAfterMs, 2000u);
    EXPECT_FALSE(o.events[1].pauseRequest);
}

TEST(SimOptions, MistakesAreRefusedWithAMessage) {
    const std::vector<std::vector<std::string>> bad = {
        {},                                             // no link
        {"--link"},                                     // missing value
        {"--link", "L", "--drill-ms", "3s"},            // not a number
        {"--link", "L", "--drill-ms", "-5"},
        {"--link", "L", "--speed-scale", "0"},
        {"--link", "L", "--limit", "q=1:2"},
        {"--link", "L", "--limit", "x=5:1"},
        {"--link", "L", "--limit", "x=1"},
        {"--link", "L", "--exception-code", "0"},
        {"--link", "L", "--event", "signal=9"},         // no time
        {"--link", "L", "--event", "at=1,hole=2,pause"},
        {"--link", "L", "--event", "at=1"},             // does nothing
        {"--link", "L", "--event", "at=1,signal=300"},
        {"--link", "L", "--event", "hole=0,pause"},
        {"--link", "L", "--frobnicate"},
    };
    for (const auto& args : bad) {
        SimOptions o;
        std::string err;
        EXPECT_FALSE(ParseSimOptions(args, &o, &err)) << (args.empty() ? "" : args.back());
        EXPECT_FALSE(err.empty());
    }
    SimOptions o;
    std::string err;
    EXPECT_TRUE(ParseSimOptions({"--help"}, &o, &err));
    EXPECT_TRUE(o.help);
}

}  // namespace
}  // namespace ks::sim
