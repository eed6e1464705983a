#pragma once
// CRC-16/MODBUS (poly 0xA001 reflected, init 0xFFFF, no final xor).
#include <cstddef>
#include <cstdint>

namespace ks {

// The CRC as a plain number: low byte is sent first on the wire.
uint16_t Crc16Modbus(const uint8_t* data, size_t length);
// Same value computed bit by bit (reference for tests).
uint16_t Crc16ModbusBitwise(const uint8_t* data, size_t length);

// Appends the CRC of data[0..length) at data[length], data[length + 1]
// (low byte first). Returns length + 2.
size_t AppendCrc(uint8_t* data, size_t length);
// True when the two bytes after data[0..length) hold its CRC, low byte first.
bool CrcMatches(const uint8_t* data, size_t length);

}  // namespace ks
