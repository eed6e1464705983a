#include "sim/motion.h"

#include <algorithm>
#include <cstdlib>

namespace ks::sim {

int32_t ClampToInt32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int32_t Axes::At(int axis, double t) const {
    const MotionState& m = m_motion;
    if (!m.active) return m_pos[axis];
    if (m.jog) {
        double moved = m.velocity[axis] * (t - m.startMs);
        return ClampToInt32(m.start[axis] + static_cast<int64_t>(moved));
    }
    if (t >= m.endMs) return m.target[axis];
    double frac = (t - m.startMs) / (m.endMs - m.startMs);
    int64_t delta = static_cast<int64_t>(m.target[axis]) - m.start[axis];
    return ClampToInt32(m.start[axis] + static_cast<int64_t>(static_cast<double>(delta) * frac));
}

double Axes::LimitCrossing(const TravelRange (&travel)[kCount], int* axis, bool* high) const {
    const MotionState& m = m_motion;
    double best = std::numeric_limits<double>::infinity();
    if (!m.active) return best;
    for (int a = 0; a < kCount; ++a) {
        const TravelRange& r = travel[a];
        double v;  // um per ms
        if (m.jog) {
            v = m.velocity[a];
        } else {
            if (m.target[a] <= r.max && m.target[a] >= r.min) continue;  // ends inside
            v = (static_cast<double>(m.target[a]) - m.start[a]) / (m.endMs - m.startMs);
        }
        if (v == 0) continue;
        double bound = v > 0 ? r.max : r.min;
        double t = std::max(m.startMs, m.startMs + (bound - m.start[a]) / v);
        if (t < best) {
            best = t;
            *axis = a;
            *high = v > 0;
        }
    }
    return best;
}

void Axes::StopAt(double t) {
    if (!m_motion.active) return;
    for (int a = 0; a < kCount; ++a) m_pos[a] = At(a, t);
    m_motion.active = false;
}

void Axes::StopAtLimit(double t, int axis, bool high, const TravelRange& r) {
    int32_t from = m_motion.start[axis];
    StopAt(t);
    m_pos[axis] = high ? std::min(m_pos[axis], std::max(r.max, from))
                       : std::max(m_pos[axis], std::min(r.min, from));
}

void Axes::Arrive() {
    for (int a = 0; a < kCount; ++a) m_pos[a] = m_motion.target[a];
    m_motion.active = false;
}

bool Axes::StartMove(double nowMs, const int32_t (&d)[3], double speedMmPerS) {
    StopAt(nowMs);
    MotionState m;
    int64_t longest = 0;
    for (int a = 0; a < kCount; ++a) {
        m.start[a] = m_pos[a];
        m.target[a] = a < 3 ? ClampToInt32(static_cast<int64_t>(m_pos[a]) + d[a]) : m_pos[a];
        longest = std::max<int64_t>(longest, std::llabs(static_cast<int64_t>(m.target[a]) - m.start[a]));
    }
    if (longest == 0) return false;  // nothing to do: the moving bit never rises
    m.active = true;
    m.startMs = nowMs;
    m.endMs = m.startMs + static_cast<double>(longest) / speedMmPerS;  // mm/s == um/ms
    m_motion = m;
    return true;
}

void Axes::StartJog(double nowMs, int axis, bool positive, double speedMmPerS) {
    StopAt(nowMs);
    MotionState m;
    m.active = true;
    m.jog = true;
    m.startMs = nowMs;
    for (int a = 0; a < kCount; ++a) m.start[a] = m_pos[a];
    m.velocity[axis] = positive ? speedMmPerS : -speedMmPerS;
    m_motion = m;
}

void Axes::Preset(double nowMs, int axis, int32_t value) {
    int64_t shift = static_cast<int64_t>(value) - At(axis, nowMs);
    if (m_motion.active) {
        m_motion.start[axis] = ClampToInt32(m_motion.start[axis] + shift);
        m_motion.target[axis] = ClampToInt32(m_motion.target[axis] + shift);
    }
    m_pos[axis] = value;
}

}  // namespace ks::sim
