#include "link/crc16.h"

namespace ks {
namespace {

// The published table pair of the Modbus serial line guide, generated at
// compile time: TableHi[i] / TableLo[i] are the high and low bytes of the
// CRC register after shifting byte i through it.
struct CrcTables {
    uint8_t hi[256];
    uint8_t lo[256];
};

constexpr CrcTables MakeTables() {
    CrcTables t{};
    for (int i = 0; i < 256; ++i) {
        uint16_t crc = static_cast<uint16_t>(i);
        for (int b = 0; b < 8; ++b) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
        // In the table method the running "hi" byte holds the CRC's low byte.
        t.hi[i] = static_cast<uint8_t>(crc & 0xFF);
        t.lo[i] = static_cast<uint8_t>(crc >> 8);
    }
    return t;
}

constexpr CrcTables kTables = MakeTables();
static_assert(kTables.hi[1] == 0xC1 && kTables.hi[2] == 0x81 && kTables.hi[3] == 0x40);
static_assert(kTables.lo[1] == 0xC0 && kTables.lo[2] == 0xC1 && kTables.lo[3] == 0x01);

}  // namespace

uint16_t Crc16Modbus(const uint8_t* data, size_t length) {
    uint8_t hi = 0xFF, lo = 0xFF;
    for (size_t n = 0; n < length; ++n) {
        uint8_t i = hi ^ data[n];
        hi = lo ^ kTables.hi[i];
        lo = kTables.lo[i];
    }
    // hi is the CRC's low byte.
    return static_cast<uint16_t>(lo << 8 | hi);
}

uint16_t Crc16ModbusBitwise(const uint8_t* data, size_t length) {
    uint16_t crc = 0xFFFF;
    for (size_t n = 0; n < length; ++n) {
        crc ^= data[n];
        for (int b = 0; b < 8; ++b) {
            bool lsb = crc & 1;
            crc >>= 1;
            if (lsb) crc ^= 0xA001;
        }
    }
    return crc;
}

size_t AppendCrc(uint8_t* data, size_t length) {
    uint16_t crc = Crc16Modbus(data, length);
    data[length] = static_cast<uint8_t>(crc & 0xFF);
    data[length + 1] = static_cast<uint8_t>(crc >> 8);
    return length + 2;
}

bool CrcMatches(const uint8_t* data, size_t length) {
    uint16_t crc = Crc16Modbus(data, length);
    return data[length] == (crc & 0xFF) && data[length + 1] == (crc >> 8);
}

}  // namespace ks
