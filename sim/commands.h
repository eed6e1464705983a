#pragma once
// The commands the simulated controller takes through register 41, plus the
// stop (a write of 0 to register 0), as one table: code, log name, where the
// parameters come from, and the action. Decoding, the log line and execution
// all read it.
#include <cstdint>

namespace ks::sim {

class Controller;
struct CommandRecord;

// Where a command's parameters come from, which is also what its log line
// shows.
enum class CommandParams : uint8_t {
    None,
    Byte,      // the low byte of register `reg`            -> value=
    Word,      // the 32-bit value at `reg`, `reg`+1        -> value=
    Move,      // the move vector (20..25) and its target    -> dx= dy= dz= -> x= y= z=
    Hole,      // none; the log shows the hole started and where
    Position,  // none; the log shows where the axes are
};

struct CommandSpec {
    int code;
    const char* name;
    CommandParams params;
    uint16_t reg;  // Byte and Word only
    // Carries the command out with its parameters in r.params; marks r
    // refused when the machine's state does not allow it.
    void (Controller::*act)(CommandRecord& r);
};

inline constexpr int kStopCode = 0;

// The command of this code, or null for codes the controller does not know.
const CommandSpec* FindCommand(int code);
// The command register takes every command of the table but the stop.
const CommandSpec* RegisterCommand(int code);

}  // namespace ks::sim
