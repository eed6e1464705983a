#pragma once
// What the console keeps through a loss of the link so that nothing runs
// on unseen: the stops it could not send, and where the machine stood, so
// that on the link's return a controller that counts other coordinates
// (it restarted, or an axis was moved by hand) is not trusted blindly.
#include <cstdint>
#include <cstdlib>

namespace ks::app {

// How far the machine may stand from a place and still count as there.
// One jog step (5 um) is the finest the operator can place the axes by
// hand, and the controller's own positioning ends within it; a move
// repeated or cut short, or a controller that starts counting from zero
// again, misses by far more.
inline constexpr int64_t kArrivalToleranceUm = 5;

struct Place {
    int32_t x = 0;
    int32_t y = 0;
};

inline bool SamePlace(Place a, Place b) {
    return std::llabs(int64_t{a.x} - b.x) <= kArrivalToleranceUm &&
           std::llabs(int64_t{a.y} - b.y) <= kArrivalToleranceUm;
}

// Stops that did not reach the controller. They go out before anything
// else once it answers again and are dropped only when a status read shows
// them done (no motion, no drilling): a stop is never simply forgotten.
struct PendingStops {
    bool jog = false;       // command 23
    bool motion = false;    // register 0 := 0, then the 1 um move
    bool drilling = false;  // command 50
    bool Any() const { return jog || motion || drilling; }
};

// The coordinates did not match after a return. The run waits until the
// operator has set X and Y again in the positioning panel.
struct PlaceDoubt {
    bool active = false;
    bool xSet = false;
    bool ySet = false;
};

}  // namespace ks::app
