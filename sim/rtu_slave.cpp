#include "sim/rtu_slave.h"

#include "link/crc16.h"
#include "sim/controller.h"

namespace ks::sim {

namespace {

uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

void PutBe16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v & 0xFF));
}

void FinishFrame(std::vector<uint8_t>& out) {
    uint16_t crc = Crc16Modbus(out.data(), out.size());
    out.push_back(static_cast<uint8_t>(crc & 0xFF));
    out.push_back(static_cast<uint8_t>(crc >> 8));
}

}  // namespace

std::vector<uint8_t> RtuSlave::ExceptionFrame(uint8_t slave, uint8_t function, uint8_t code) {
    std::vector<uint8_t> out = {slave, static_cast<uint8_t>(function | 0x80), code};
    FinishFrame(out);
    return out;
}

int RtuSlave::ExpectedRequestLength(const uint8_t* data, size_t n) {
    if (n < 2) return 0;
    switch (data[1]) {
    case 1: case 2: case 3: case 4: case 5: case 6:
        return 8;
    case 15: case 16:
        return n < 7 ? 0 : 9 + data[6];
    default:
        return -1;
    }
}

bool RtuSlave::IsForMe(const uint8_t* frame, size_t length) const {
    if (length < 4 || length > kMaxFrame) return false;
    if (frame[0] != m_address && frame[0] != 0) return false;
    return CrcMatches(frame, length - 2);
}

std::vector<uint8_t> RtuSlave::Handle(const uint8_t* frame, size_t length) {
    if (!IsForMe(frame, length)) return {};
    const bool broadcast = frame[0] == 0;
    const uint8_t fn = frame[1];
    const size_t body = length - 2;  // without the CRC
    auto fail = [&](uint8_t code) {
        return broadcast ? std::vector<uint8_t>{} : ExceptionFrame(m_address, fn, code);
    };

    if (fn == 3) {
        if (broadcast) return {};
        if (body != 6) return fail(3);
        uint16_t start = Be16(frame + 2), count = Be16(frame + 4);
        if (count == 0 || count > 125) return fail(3);
        if (!m_controller.IsValidRange(start, count)) return fail(2);
        std::vector<uint8_t> out = {m_address, fn, static_cast<uint8_t>(2 * count)};
        for (uint16_t i = 0; i < count; ++i) PutBe16(out, m_controller.ReadRegister(start + i));
        FinishFrame(out);
        return out;
    }
    if (fn == 16) {
        if (body < 7) return fail(3);
        uint16_t start = Be16(frame + 2), count = Be16(frame + 4);
        uint8_t bytes = frame[6];
        if (count == 0 || count > 123 || bytes != 2 * count || body != 7u + bytes) return fail(3);
        if (!m_controller.IsValidRange(start, count)) return fail(2);
        uint16_t values[123];
        for (uint16_t i = 0; i < count; ++i) values[i] = Be16(frame + 7 + 2 * i);
        uint8_t ex = m_controller.WriteRegisters(start, values, count);
        if (ex) return fail(ex);
        if (broadcast) return {};
        std::vector<uint8_t> out(frame, frame + 6);
        out[0] = m_address;
        FinishFrame(out);
        return out;
    }
    if (fn == 6) {
        if (body != 6) return fail(3);
        uint16_t address = Be16(frame + 2), value = Be16(frame + 4);
        if (!m_controller.IsValidRange(address, 1)) return fail(2);
        uint8_t ex = m_controller.WriteRegisters(address, &value, 1);
        if (ex) return fail(ex);
        if (broadcast) return {};
        return std::vector<uint8_t>(frame, frame + length);
    }
    return fail(1);
}

}  // namespace ks::sim
