#pragma once
// The simulated controller's four axes (X, Y, Z and C, in micrometres): where
// they rest and the one move or jog under way, as a function of time. Limits
// are the controller's business; this only says when a motion leaves a range
// and where it then rests.
#include <cstdint>
#include <limits>

namespace ks::sim {

struct TravelRange {
    int32_t min = std::numeric_limits<int32_t>::min();
    int32_t max = std::numeric_limits<int32_t>::max();
};

// A move runs every axis from start to target in [startMs, endMs], all
// arriving together; a jog runs from start at a constant velocity until
// stopped.
struct MotionState {
    bool active = false;
    bool jog = false;
    double startMs = 0;
    double endMs = 0;  // moves only
    int32_t start[4] = {0, 0, 0, 0};
    int32_t target[4] = {0, 0, 0, 0};  // moves only
    double velocity[4] = {0, 0, 0, 0};  // um per ms, jogs only
};

int32_t ClampToInt32(int64_t v);

class Axes {
public:
    static constexpr int kCount = 4;

    // Position of the axis at time t (ms), on the motion under way.
    int32_t At(int axis, double t) const;
    const MotionState& Motion() const { return m_motion; }

    // Time at which the motion first leaves a travel range (infinity when it
    // does not), with that axis and side.
    double LimitCrossing(const TravelRange (&travel)[kCount], int* axis, bool* high) const;

    // Stops the motion where it is at time t.
    void StopAt(double t);
    // Stops at time t on the switch of `range`; a motion that began beyond
    // it stays where it began.
    void StopAtLimit(double t, int axis, bool high, const TravelRange& range);
    // A move has reached its target.
    void Arrive();

    // Starts a move by d (X, Y, Z) at mm/s == um/ms, from where the axes are
    // at nowMs. False when there is nothing to move.
    bool StartMove(double nowMs, const int32_t (&d)[3], double speedMmPerS);
    void StartJog(double nowMs, int axis, bool positive, double speedMmPerS);
    // The axis reads `value` from now on; a motion under way keeps its
    // distance to go.
    void Preset(double nowMs, int axis, int32_t value);

private:
    int32_t m_pos[kCount] = {0, 0, 0, 0};
    MotionState m_motion;
};

}  // namespace ks::sim
