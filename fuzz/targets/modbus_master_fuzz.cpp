// The console's Modbus master against any answer bytes, arriving in pieces
// at any times, behind the scripted driver on a virtual clock (a time-out
// costs no real time). Per exchange: one byte picks the request (read 3/4,
// write 15/16), then come its fields and the answer pieces. When every piece
// arrives well inside the response time the result must be exactly what an
// independent reading of the received bytes gives; always, the call must
// stay inside its buffers and its time.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "link/crc16.h"
#include "link/modbus_master.h"
#include "link/testing/fake_serial_driver.h"

namespace {

using ks::FakeSerialDriver;
using Bytes = std::vector<uint8_t>;

// The answer of the exchange under way; sent only if a request goes out,
// so that a request refused before sending leaves nothing for the next.
std::vector<FakeSerialDriver::Piece> g_answer;

struct Rig {
    Rig() {
        driver.SetResponder([](FakeSerialDriver& d, const Bytes&) {
            for (const auto& p : g_answer) d.Deliver(p.bytes, p.atMs);
            g_answer.clear();
        });
    }
    ks::VirtualClock clock{1000};
    FakeSerialDriver driver{clock};
    ks::CModbusMaster master{driver, clock};
};

// What the master must return for a read answered by `s` in time.
ks::ModbusResult ExpectedRead(const Bytes& s, uint8_t slave, uint8_t fn, uint16_t count) {
    const size_t want = 2u * count + 5u;
    if (s.size() >= want) {
        if (!ks::CrcMatches(s.data(), want - 2)) return ks::kMbCrcError;
        if (s[0] != slave) return ks::kMbSlaveMismatch;
        if (s[1] != fn) return ks::kMbFunctionMismatch;
        if (s[2] != 2 * count) return ks::kMbByteCountError;
        return ks::kMbOk;
    }
    if (s.size() == 5 && ks::CrcMatches(s.data(), 3) && s[0] == slave && s[1] == (fn | 0x80))
        return static_cast<ks::ModbusResult>(ks::kMbExceptionBase + s[2]);
    return ks::kMbResponseTimeout;
}

ks::ModbusResult ExpectedWrite(const Bytes& s, const uint8_t* request, uint8_t slave, uint8_t fn) {
    if (s.size() >= 8) {
        if (!ks::CrcMatches(s.data(), 6)) return ks::kMbCrcError;
        if (std::memcmp(s.data(), request, 6) != 0) return ks::kMbEchoMismatch;
        return ks::kMbOk;
    }
    if (s.size() == 5 && ks::CrcMatches(s.data(), 3) && s[0] == slave && s[1] == (fn | 0x80))
        return static_cast<ks::ModbusResult>(ks::kMbExceptionBase + s[2]);
    return ks::kMbResponseTimeout;
}

bool IsKnownResult(ks::ModbusResult r) {
    return r == ks::kMbOk || (r >= ks::kMbBadSlave && r <= ks::kMbBadCount) ||
           (r >= ks::kMbCrcError && r <= ks::kMbResponseTimeout) ||
           (r >= ks::kMbExceptionBase && r <= ks::kMbExceptionBase + 0xFF);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Rig* rig = new Rig;
    ks::VirtualClock& clock = rig->clock;
    FakeSerialDriver& driver = rig->driver;
    ks::CModbusMaster& master = rig->master;

    ks::fuzz::Input in(data, size);
    for (int exchange = 0; exchange < 8 && !in.Empty(); ++exchange) {
        if (!master.IsOpen()) KS_FUZZ_CHECK(master.OpenPath("/dev/fake", 57600, 8, 0, 0) == 1);
        driver.writes.clear();
        driver.calls.clear();

        const uint8_t pick = in.Byte();
        const bool isWrite = (pick & 2) != 0;
        const uint8_t fn = isWrite ? ((pick & 1) ? 15 : 16) : ((pick & 1) ? 4 : 3);
        // Mostly valid requests, so that the answers get looked at.
        const uint8_t slave = (pick & 4) ? in.Byte() : 1;
        const uint16_t rawCount = in.U16();
        uint16_t count = rawCount;
        if (!(pick & 8)) count = static_cast<uint16_t>(1 + rawCount % (isWrite ? (fn == 15 ? 0x7B0 : 123) : 125));
        const uint16_t start = in.U16();
        const bool failRead = (pick & 0x10) != 0;
        const bool fixCrc = (pick & 0x20) != 0;

        // Answer pieces: delay (2 ms steps), length, bytes.
        std::vector<FakeSerialDriver::Piece> pieces;
        const int pieceCount = in.Byte() % 6;
        bool inTime = true;
        uint32_t lastAt = 0;
        for (int i = 0; i < pieceCount; ++i) {
            const uint32_t at = 2u * in.Byte();
            const std::string_view b = in.Piece();
            pieces.push_back({at, Bytes(b.begin(), b.end())});
            inTime = inTime && at <= 400;
            lastAt = std::max(lastAt, at);
        }
        if (fixCrc && !pieces.empty()) {
            // A CRC over everything sent before it, last of all.
            Bytes all;
            for (const auto& p : pieces) all.insert(all.end(), p.bytes.begin(), p.bytes.end());
            const uint16_t crc = ks::Crc16Modbus(all.data(), all.size());
            pieces.push_back({lastAt, Bytes{static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)}});
        }
        // The byte stream as the line delivers it: by arrival time, pieces
        // of one time in script order.
        std::vector<FakeSerialDriver::Piece> ordered = pieces;
        std::stable_sort(ordered.begin(), ordered.end(),
                         [](const FakeSerialDriver::Piece& a, const FakeSerialDriver::Piece& b) { return a.atMs < b.atMs; });
        Bytes stream;
        for (const auto& p : ordered) stream.insert(stream.end(), p.bytes.begin(), p.bytes.end());

        g_answer = std::move(pieces);
        if (failRead) driver.FailNext(FakeSerialDriver::kRead, 1, in.Byte() % 4);

        uint8_t buffer[300];
        std::memset(buffer, 0xA5, sizeof buffer);
        uint8_t source[256] = {};
        // The data field of a write, as many bytes as the request carries.
        const size_t srcBytes = !isWrite ? 0 : std::min<size_t>(sizeof source, fn == 16 ? 2u * count : (count + 7u) / 8u);
        const std::string_view src = in.Take(srcBytes);
        std::memcpy(source, src.data(), src.size());

        const uint64_t before = clock.NowMs();
        ks::ModbusResult result;
        if (isWrite) {
            result = master.WriteMulti(slave, fn, start, count, source);
        } else {
            result = master.ReadRegisters(slave, fn, start, count, buffer);
        }
        const uint64_t spent = clock.NowMs() - before;
        KS_FUZZ_CHECK(IsKnownResult(result));
        // 500 ms of response time plus at most one read's own wait.
        KS_FUZZ_CHECK(spent <= 500 + 255 + 100 + 1);

        const size_t dataBytes = isWrite ? 0 : 2u * count;
        if (!isWrite) {
            if (result != ks::kMbOk) {
                for (uint8_t b : buffer) KS_FUZZ_CHECK(b == 0xA5);
            } else {
                for (size_t i = dataBytes; i < sizeof buffer; ++i) KS_FUZZ_CHECK(buffer[i] == 0xA5);
            }
        }
        const bool requestSent = !driver.writes.empty();
        if (requestSent && inTime && !failRead && result != ks::kMbWriteFailed) {
            const Bytes& request = driver.writes.back();
            const ks::ModbusResult expected =
                isWrite ? ExpectedWrite(stream, request.data(), slave, fn) : ExpectedRead(stream, slave, fn, count);
            KS_FUZZ_CHECK(result == expected);
            if (result == ks::kMbOk && !isWrite) KS_FUZZ_CHECK(std::memcmp(buffer, stream.data() + 3, dataBytes) == 0);
        }
        if (failRead) driver.FailNext(FakeSerialDriver::kRead, 0, 0);
        g_answer.clear();
        // Let every late piece land, so the next request's purge drops it.
        clock.Advance(600);
    }
    return 0;
}
