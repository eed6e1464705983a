#pragma once
// The machine's state as the shop sees it, read from what the console's
// status tick left, and the messages made of it and of the job record.
//
// Execution, in MTConnect's words, from the console's run state:
//   ACTIVE       a run under way: moving to a hole, waiting before drilling,
//                drilling (started, neither paused nor ended)
//   FEED_HOLD    a job stopped part-way by the operator: the pause button,
//                or the reserved pause hole reached
//   INTERRUPTED  a job stopped part-way by the machine or the console: the
//                controller's pause request, the link lost, a move that did
//                not arrive, the axes off the hole
//   READY        no run under way and none stopped part-way: idle, no job,
//                a job ended or reset
// Availability is UNAVAILABLE while the link to the controller is down.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "link/modbus_result.h"

namespace ks::app {
class CConsoleDlg;
}

namespace ks::publish {

enum class Execution { Ready, Active, FeedHold, Interrupted };
const char* ExecutionWord(Execution e);

struct ShopState {
    bool available = false;
    Execution execution = Execution::Ready;
    std::string job;          // the job file's name, empty without a job
    int32_t hole = 0;         // the current hole, 0 before the first
    int32_t holeCount = 0;
    int32_t holesDone = 0;    // holes marked done
    int32_t xUm = 0, yUm = 0, zUm = 0;
    std::string pauseReason;  // the record's word for why a job stands part-way
    ModbusResult commError = kMbOk;  // the last failed transfer a tick saw
    uint64_t recordsDropped = 0;

    bool operator==(const ShopState&) const = default;
};

// The state of the console now. lastPauseCause: the reason of the last
// "paused" line of the record; it tells the operator's pauses from the
// machine's.
ShopState ReadShopState(const app::CConsoleDlg& console, const std::string& lastPauseCause);

// The retained message of topic kestrane/<machine>/state.
std::string StateJson(const ShopState& state, const std::string& machine, const std::string& utcTime);

// The message of topic kestrane/<machine>/record for one line of the job
// record (as written, CR LF included): the CSV's fields under the names of
// its header, numbers as numbers and empty fields as null, the job's name
// and a sequence number that tells a repeated delivery from a new line.
// nullopt for a line that is not one of the record's.
std::optional<std::string> RecordJson(const std::string& csvLine, const std::string& job, uint64_t seq);

// The record line's event and reason fields ("paused", "button").
bool RecordEventOf(const std::string& csvLine, std::string* event, std::string* reason);

// "2026-12-09T06:05:09.123Z".
std::string UtcTimeText(std::chrono::system_clock::time_point when);

}  // namespace ks::publish
