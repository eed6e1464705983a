#pragma once
// Modbus RTU slave frame handling over a Controller: functions 3 (read
// holding registers), 16 (write multiple registers) and 6 (write single
// register, for generic masters). Pure bytes in, bytes out.
//
//  - Bad CRC, frames shorter than 4 or longer than 256 bytes, and frames for
//    another slave: silence.
//  - Address 0 (broadcast): writes are carried out, never answered.
//  - Other functions: exception 1. Count 0, above 125 (read) / 123 (write),
//    a byte count that does not match, or a frame of the wrong length:
//    exception 3. Registers outside 0..127: exception 2. An unknown command
//    code written to register 41: exception 3 (nothing stored).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ks::sim {

class Controller;

inline constexpr size_t kMaxFrame = 256;

class RtuSlave {
public:
    explicit RtuSlave(Controller& controller, uint8_t address = 1)
        : m_controller(controller), m_address(address) {}

    uint8_t Address() const { return m_address; }

    // True when the frame has a good CRC and is for this slave (or broadcast).
    bool IsForMe(const uint8_t* frame, size_t length) const;
    // Handles one complete request frame; returns the answer (empty: silence).
    std::vector<uint8_t> Handle(const uint8_t* frame, size_t length);

    // Exception answer: slave, function | 0x80, code, CRC.
    static std::vector<uint8_t> ExceptionFrame(uint8_t slave, uint8_t function, uint8_t code);

    // Length of the request that begins with data[0..n): > 0 once known,
    // 0 when more bytes are needed to tell, -1 for a function whose request
    // length is not known (its end is found by the silence after it).
    static int ExpectedRequestLength(const uint8_t* data, size_t n);

private:
    Controller& m_controller;
    uint8_t m_address;
};

}  // namespace ks::sim
