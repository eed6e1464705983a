#pragma once
// The controller's status block (registers 0..8) decoded into plain values.
#include <cstdint>

#include "link/register_map.h"

namespace ks::app {

struct StatusBits {
    int32_t x = 0, y = 0, z = 0;  // micrometres
    uint8_t moving = 0;
    uint8_t drilling = 0;
    uint8_t hf = 0;
    uint8_t pump = 0;
    uint8_t head = 0;
    uint8_t finished = 0;
    uint8_t locked = 0;
    uint8_t pauseRequest = 0;
};

// `block` holds the 9 registers as read, high byte first.
inline StatusBits DecodeStatus(const uint8_t* block) {
    auto reg = [block](int i) { return static_cast<uint16_t>((block[2 * i] << 8) | block[2 * i + 1]); };
    auto reg32 = [&reg](int i) {
        return static_cast<int32_t>(static_cast<uint32_t>(reg(i)) | (static_cast<uint32_t>(reg(i + 1)) << 16));
    };
    const uint16_t s1 = reg(kRegStatus1);
    auto bit = [s1](uint16_t mask) { return static_cast<uint8_t>((s1 & mask) ? 1 : 0); };
    StatusBits st;
    st.x = reg32(kRegPosX);
    st.y = reg32(kRegPosY);
    st.z = reg32(kRegPosZ);
    st.moving = static_cast<uint8_t>(reg(kRegStatus0) & kSt0Moving);
    st.drilling = bit(kSt1Drilling);
    st.hf = bit(kSt1Hf);
    st.pump = bit(kSt1Pump);
    st.head = bit(kSt1Head);
    st.finished = bit(kSt1HoleFinished);
    st.locked = bit(kSt1AxisLocked);
    st.pauseRequest = bit(kSt1PauseRequest);
    return st;
}

}  // namespace ks::app
