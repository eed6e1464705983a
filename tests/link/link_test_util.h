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
