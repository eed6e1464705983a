#pragma once
// The job as the console holds it: the hole table the loaders fill, the run
// sequencer works through and the hole map draws, and the run's state. Plain
// data, shared by the layers that read jobs, run them and show them, so none
// of them has to depend on another for it.
#include <array>
#include <cstdint>

namespace ks {

struct JobHole { int32_t nX = 0; int32_t nY = 0; float fRadius = 0.0f; int32_t bDone = 0; };
inline constexpr int kHoleSlots = 15000;
using HoleSlots = std::array<JobHole, kHoleSlots>;

// m_nState. The values are the ones the sequencer has always used; nothing
// outside the console stores them, but keeping them keeps the logs readable.
enum class RunState : int32_t {
    Starting = 0,     // before the start-up has finished
    Idle = 1,         // paused, or no job running
    Positioning = 2,  // the axes are on their way to the current hole
    Machining = 3,    // the current hole is being drilled
};

// m_nNextStep: what the sequencer does when it next leaves RunState::Idle.
enum class NextStep : int32_t {
    Starting = 0,
    None = 1,
    MoveToHole = 2,
    StartDrilling = 3,
};

}  // namespace ks
