// The simulated controller's side of the line: any byte stream through the
// request framer into the RTU slave and its machine model, with pauses and
// the passing of time in between. Every answer must be a well-formed frame
// from slave 1 for the function asked, of the length that function gives,
// and nothing may be answered to a broadcast or to another slave.
#include <algorithm>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "link/crc16.h"
#include "sim/controller.h"
#include "sim/request_framer.h"
#include "sim/rtu_slave.h"

namespace {

using Bytes = std::vector<uint8_t>;

void CheckAnswer(const Bytes& request, const Bytes& answer) {
    if (request.size() < 4 || !ks::CrcMatches(request.data(), request.size() - 2) ||
        (request[0] != 1 && request[0] != 0) || request.size() > ks::sim::kMaxFrame) {
        KS_FUZZ_CHECK(answer.empty());
        return;
    }
    if (request[0] == 0) {
        KS_FUZZ_CHECK(answer.empty());
        return;
    }
    KS_FUZZ_CHECK(answer.size() >= 5 && answer.size() <= ks::sim::kMaxFrame);
    KS_FUZZ_CHECK(ks::CrcMatches(answer.data(), answer.size() - 2));
    KS_FUZZ_CHECK(answer[0] == 1);
    const uint8_t fn = request[1];
    if (answer[1] == (fn | 0x80)) {
        KS_FUZZ_CHECK(answer.size() == 5);
        KS_FUZZ_CHECK(answer[2] >= 1 && answer[2] <= 3);
        return;
    }
    KS_FUZZ_CHECK(answer[1] == fn);
    if (fn == 3) {
        const size_t count = static_cast<size_t>(request[4] << 8 | request[5]);
        KS_FUZZ_CHECK(request.size() == 8 && count >= 1 && count <= 125);
        KS_FUZZ_CHECK(answer[2] == 2 * count && answer.size() == 5 + 2 * count);
    } else if (fn == 16) {
        KS_FUZZ_CHECK(answer.size() == 8);
        KS_FUZZ_CHECK(std::equal(answer.begin() + 1, answer.begin() + 6, request.begin() + 1));
    } else {
        KS_FUZZ_CHECK(fn == 6);
        KS_FUZZ_CHECK(answer == request);
    }
}

Bytes WithCrc(std::string_view piece) {
    Bytes b(piece.begin(), piece.end());
    const uint16_t crc = ks::Crc16Modbus(b.data(), b.size());
    b.push_back(static_cast<uint8_t>(crc & 0xFF));
    b.push_back(static_cast<uint8_t>(crc >> 8));
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ks::fuzz::Input in(data, size);
    uint64_t now = 1000;
    ks::sim::Controller controller({}, now);
    const uint8_t setup = in.Byte();
    if (setup & 1) {
        // Travel limits, so that moves and jogs can run into them.
        for (int a = 0; a < 4; ++a) {
            const int32_t lo = -static_cast<int32_t>(in.U16()) * 16;
            const int32_t hi = static_cast<int32_t>(in.U16()) * 16;
            controller.SetTravelRange(static_cast<ks::sim::Axis>(a), {lo, hi});
        }
    }
    ks::sim::RtuSlave slave(controller, 1);
    ks::sim::RequestFramer framer;

    Bytes frame;
    for (int step = 0; step < 64 && !in.Empty(); ++step) {
        const uint8_t op = in.Byte();
        switch (op % 4) {
        case 0:
        case 1: {  // bytes on the line; odd ops carry a good CRC
            const Bytes bytes = (op & 1) ? WithCrc(in.Piece()) : [&] {
                const std::string_view p = in.Piece();
                return Bytes(p.begin(), p.end());
            }();
            framer.Feed(bytes.data(), bytes.size());
            while (framer.Next(&frame)) {
                KS_FUZZ_CHECK(frame.size() >= 4 && frame.size() <= ks::sim::kMaxFrame);
                KS_FUZZ_CHECK(ks::CrcMatches(frame.data(), frame.size() - 2));
                CheckAnswer(frame, slave.Handle(frame.data(), frame.size()));
            }
            break;
        }
        case 2:  // the line goes quiet
            if (framer.Flush(&frame)) {
                KS_FUZZ_CHECK(frame.size() <= ks::sim::kMaxFrame);
                CheckAnswer(frame, slave.Handle(frame.data(), frame.size()));
            }
            KS_FUZZ_CHECK(!framer.Pending());
            break;
        default:  // time passes: up to a few years, in powers of two
            now += uint64_t{1} << (in.Byte() % 38);
            controller.AdvanceTo(now);
            break;
        }
    }
    return 0;
}
