#pragma once
// Frame helpers shared by the link tests.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "link/crc16.h"

namespace ks::test {

using Bytes = std::vector<uint8_t>;

// The bytes followed by their CRC, low byte first.
inline Bytes WithCrc(Bytes b) {
    size_t n = b.size();
    b.resize(n + 2);
    AppendCrc(b.data(), n);
    return b;
}

// A function 3 answer from slave 1 carrying the given register values.
inline Bytes ReadAnswer(std::initializer_list<uint16_t> values, uint8_t slave = 1, uint8_t function = 3) {
    Bytes b{slave, function, static_cast<uint8_t>(2 * values.size())};
    for (uint16_t v : values) {
        b.push_back(static_cast<uint8_t>(v >> 8));
        b.push_back(static_cast<uint8_t>(v & 0xFF));
    }
    return WithCrc(b);
}

}  // namespace ks::test

#include "link/testing/fake_serial_driver.h"

namespace ks::test {

// Slave 1 with 100 holding registers behind the scripted driver: answers
// functions 3 and 16, exception 2 for addresses beyond the table.
struct RegisterSlave {
    uint16_t regs[100] = {};
    int requests = 0;

    void Attach(FakeSerialDriver& driver) {
        driver.SetResponder([this](FakeSerialDriver& d, const Bytes& req) { Handle(d, req); });
    }
    void Handle(FakeSerialDriver& d, const Bytes& req) {
        ++requests;
        if (req.size() < 8 || !CrcMatches(req.data(), req.size() - 2) || req[0] != 1) return;
        const uint16_t start = static_cast<uint16_t>(req[2] << 8 | req[3]);
        const uint16_t count = static_cast<uint16_t>(req[4] << 8 | req[5]);
        if (start + count > 100) {
            d.Deliver(WithCrc({1, static_cast<uint8_t>(req[1] | 0x80), 2}), 2);
            return;
        }
        Bytes out;
        if (req[1] == 3) {
            out = {1, 3, static_cast<uint8_t>(2 * count)};
            for (int i = 0; i < count; ++i) {
                out.push_back(static_cast<uint8_t>(regs[start + i] >> 8));
                out.push_back(static_cast<uint8_t>(regs[start + i] & 0xFF));
            }
        } else if (req[1] == 16) {
            for (int i = 0; i < count; ++i) regs[start + i] = static_cast<uint16_t>(req[7 + 2 * i] << 8 | req[8 + 2 * i]);
            out.assign(req.begin(), req.begin() + 6);
        } else {
            return;
        }
        d.Deliver(WithCrc(out), 2);
    }
};

}  // namespace ks::test
