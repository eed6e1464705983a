// The slave's frames: the console's example exchanges byte for byte,
// exception answers, silence where the line must stay quiet, stream framing,
// and random bytes that must never crash it.
#include <gtest/gtest.h>

#include <random>

#include "link/crc16.h"
#include "sim/controller.h"
#include "sim/request_framer.h"
#include "sim/rtu_slave.h"

namespace ks::sim {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes WithCrc(Bytes b) {
    b.resize(b.size() + 2);
    AppendCrc(b.data(), b.size() - 2);
    return b;
}

Bytes Ask(RtuSlave& s, const Bytes& req) { return s.Handle(req.data(), req.size()); }

TEST(RtuSlave, ExampleFramesOfTheConsole) {
    Controller c;
    RtuSlave s(c);
    Bytes status = Ask(s, {0x01, 0x03, 0x00, 0x00, 0x00, 0x09, 0x85, 0xCC});
    ASSERT_EQ(status.size(), 23u);
    EXPECT_EQ(status[0], 0x01);
    EXPECT_EQ(status[1], 0x03);
    EXPECT_EQ(status[2], 0x12);
    EXPECT_TRUE(CrcMatches(status.data(), 21));

    Bytes signal = Ask(s, {0x01, 0x03, 0x00, 0x32, 0x00, 0x01, 0x25, 0xC5});
    EXPECT_EQ(signal, WithCrc({0x01, 0x03, 0x02, 0x00, 0x00}));

    c.Command(1);  // drilling, so that command 50 has something to stop
    Bytes stop = Ask(s, {0x01, 0x10, 0x00, 0x29, 0x00, 0x01, 0x02, 0x00, 0x32, 0x20, 0x7C});
    EXPECT_EQ(stop, (Bytes{0x01, 0x10, 0x00, 0x29, 0x00, 0x01, 0xD0, 0x01}));
    EXPECT_FALSE(c.Drilling());

    Bytes vec = Ask(s, {0x01, 0x10, 0x00, 0x14, 0x00, 0x06, 0x0C, 0xFE, 0x0C, 0xFF, 0xFF, 0x00,
                        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x59});
    EXPECT_EQ(vec, WithCrc({0x01, 0x10, 0x00, 0x14, 0x00, 0x06}));
    c.Command(40);
    c.AdvanceTo(10000);
    // X = -500 comes back in registers 2, 3 as FE 0C, FF FF.
    Bytes pos = Ask(s, WithCrc({0x01, 0x03, 0x00, 0x02, 0x00, 0x02}));
    EXPECT_EQ(pos, WithCrc({0x01, 0x03, 0x04, 0xFE, 0x0C, 0xFF, 0xFF}));
}

TEST(RtuSlave, ExceptionAnswers) {
    Controller c;
    RtuSlave s(c);
    // Illegal function.
    EXPECT_EQ(Ask(s, WithCrc({0x01, 0x04, 0x00, 0x00, 0x00, 0x01})), WithCrc({0x01, 0x84, 0x01}));
    EXPECT_EQ(Ask(s, WithCrc({0x01, 0x2B, 0x0E, 0x01, 0x00})), WithCrc({0x01, 0xAB, 0x01}));
    // Illegal address: beyond register 127, or a block that runs past it.
    EXPECT_EQ(Ask(s, WithCrc({0x01, 0x03, 0x00, 0x80, 0x00, 0x01})), WithCrc({0x01, 0x83, 0x02}));
    EXPECT_EQ(Ask(s, WithCrc({0x01, 0x03, 0x00, 0x7F, 0x00, 0x02})), WithCrc({0x01, 0x83, 0x02}));
    EXPECT_EQ(Ask(s, WithCrc({0x01, 0x10, 0xFF, 0xFF, 0x00, 0x01, 0x02, 0x00, 0x01})),
              WithCrc({0x01, 0x90, 0x02}));
    // Illegal data value: count 0 / 126, byte count mismatch, short frame,
    // unknown command code.
    EXPECT_EQ(Ask(s, WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x00})), WithCrc({0x01, 0x83, 0x03}));
    EXPECT_EQ(Ask(s, WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x7E})), WithCrc({0x01, 0x83, 0x03}));
    EXPECT_EQ(Ask(s, WithCrc({0x01, 0x10, 0x00, 0x29, 0x00, 0x01, 0x04, 0x00, 0x01, 0x00, 0x00})),
              WithCrc({0x01, 0x90, 0x03}));
    EXPECT_EQ(Ask(s, WithCrc({0x01, 0x10, 0x00, 0x29, 0x00})), WithCrc({0x01, 0x90, 0x03}));
    EXPECT_EQ(Ask(s, WithCrc({0x01, 0x10, 0x00, 0x29, 0x00, 0x01, 0x02, 0x00, 0x02})),
              WithCrc({0x01, 0x90, 0x03}));
    EXPECT_TRUE(c.Commands().empty());
    // The largest read fits a 255-byte answer.
    EXPECT_EQ(Ask(s, WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x7D})).size(), 255u);
}

TEST(RtuSlave, SilenceForOtherSlavesBadCrcAndBroadcast) {
    Controller c;
    RtuSlave s(c);
    EXPECT_TRUE(Ask(s, WithCrc({0x02, 0x03, 0x00, 0x00, 0x00, 0x09})).empty());
    EXPECT_TRUE(Ask(s, WithCrc({0xF7, 0x04, 0x00, 0x00, 0x00, 0x09})).empty());
    EXPECT_TRUE(Ask(s, {0x01, 0x03, 0x00, 0x00, 0x00, 0x09, 0x85, 0xCD}).empty());
    EXPECT_TRUE(Ask(s, {0x01, 0x03, 0x00}).empty());
    // Broadcast writes are carried out without an answer; broadcast reads ignored.
    EXPECT_TRUE(Ask(s, WithCrc({0x00, 0x10, 0x00, 0x29, 0x00, 0x01, 0x02, 0x00, 0x05})).empty());
    EXPECT_EQ(c.Status1() & kBitPump, kBitPump);
    EXPECT_TRUE(Ask(s, WithCrc({0x00, 0x03, 0x00, 0x00, 0x00, 0x09})).empty());
    // Function 6 for generic masters: echoed.
    Bytes single = WithCrc({0x01, 0x06, 0x00, 0x29, 0x00, 0x08});
    EXPECT_EQ(Ask(s, single), single);
    EXPECT_EQ(c.Status1() & kBitPump, 0);
}

TEST(RtuSlave, GarbageNeverCrashesAndOnlyWellFormedFramesAct) {
    Controller c;
    RtuSlave s(c);
    RequestFramer framer;
    std::mt19937 rng(12345);
    Bytes frame;
    size_t answers = 0;
    for (int round = 0; round < 20000; ++round) {
        Bytes junk(rng() % 300);
        for (auto& b : junk) b = static_cast<uint8_t>(rng());
        // Bias toward plausible headers so the deeper checks are reached.
        if (junk.size() >= 2 && round % 2) {
            junk[0] = rng() % 3;
            junk[1] = (round % 4 == 1) ? 3 : 16;
            if (junk.size() > 9) junk = WithCrc(Bytes(junk.begin(), junk.end() - 2));
        }
        Bytes a = s.Handle(junk.data(), junk.size());
        if (!a.empty()) {
            ++answers;
            ASSERT_LE(a.size(), 255u);
            ASSERT_TRUE(CrcMatches(a.data(), a.size() - 2));
            ASSERT_EQ(a[0], 1);
        }
        framer.Feed(junk.data(), junk.size());
        while (framer.Next(&frame)) s.Handle(frame.data(), frame.size());
        if (round % 3 == 0 && framer.Flush(&frame)) {
            ASSERT_LE(frame.size(), kMaxFrame);
            s.Handle(frame.data(), frame.size());
        }
    }
    EXPECT_GT(answers, 100u);  // the biased half did reach the register code
}

TEST(RequestFramer, SplitsBackToBackRequestsAndResyncsOnSilence) {
    RequestFramer f;
    Bytes a = WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x09});
    Bytes b = WithCrc({0x01, 0x10, 0x00, 0x29, 0x00, 0x01, 0x02, 0x00, 0x32});
    Bytes stream = a;
    stream.insert(stream.end(), b.begin(), b.end());
    Bytes out;
    // Byte by byte: nothing until each frame is complete.
    size_t got = 0;
    for (uint8_t byte : stream) {
        f.Feed(&byte, 1);
        while (f.Next(&out)) {
            EXPECT_EQ(out, got == 0 ? a : b);
            ++got;
        }
    }
    EXPECT_EQ(got, 2u);
    EXPECT_FALSE(f.Pending());
    // A stray byte in front: no frame by length; the silence throws it all away.
    Bytes noisy = {0x55};
    noisy.insert(noisy.end(), a.begin(), a.end());
    f.Feed(noisy.data(), noisy.size());
    EXPECT_FALSE(f.Next(&out));
    ASSERT_TRUE(f.Flush(&out));
    EXPECT_EQ(out.size(), 9u);
    EXPECT_FALSE(f.Pending());
    // Unknown function: its end is the silence.
    Bytes odd = WithCrc({0x01, 0x2B, 0x0E, 0x01, 0x00});
    f.Feed(odd.data(), odd.size());
    EXPECT_FALSE(f.Next(&out));
    ASSERT_TRUE(f.Flush(&out));
    EXPECT_EQ(out, odd);
    // Endless noise is dropped, never buffered without bound.
    Bytes noise(2000, 0x01);
    f.Feed(noise.data(), noise.size());
    EXPECT_FALSE(f.Next(&out));
    EXPECT_FALSE(f.Flush(&out));
}

}  // namespace
}  // namespace ks::sim
