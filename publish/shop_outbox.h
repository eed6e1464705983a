#pragma once
// The hand-over between the console's thread and the network thread. The
// console never waits for the other thread: it only tries the box's lock,
// and when the network thread holds it at that moment (or was preempted
// while holding it), the messages stay on the console's side until the
// next try, at the latest the next tick. The network thread takes the lock
// between its own calls, never while it talks to the broker.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

namespace ks::publish {

class Outbox {
public:
    // Record lines waiting for the broker: about three hours of a job at one
    // hole every ten seconds, some 300 KB. Past it the oldest go, counted,
    // so that what arrives after a long outage is the recent past; the CSV
    // on disk keeps every line.
    static constexpr size_t kRecordLimit = 1000;
    // States waiting while the network thread catches up. Each is the whole
    // state, so when they pile up the older ones are worth nothing.
    static constexpr size_t kStateLimit = 64;

    // --- The console's side ---
    void PutState(std::string json);
    void PutRecord(std::string json);
    // Hands over what an earlier try could not (each tick calls it).
    void Flush();
    // Record lines dropped so far (the state message carries the count).
    uint64_t DroppedRecords() const { return m_dropped; }

    // --- The network thread's side ---
    // The next state or record line to send, in the order they were put.
    bool TakeState(std::string* json);
    bool TakeRecord(std::string* json);
    // The newest state, sent again whenever the broker is reached anew;
    // false before the first.
    bool LatestState(std::string* json) const;
    // While the broker is away only the newest state matters: the older
    // ones in the queue are forgotten (the retained message is the state).
    void ForgetQueuedStates();

private:
    // Appends, dropping the oldest past the limit; true when one went.
    static bool Append(std::deque<std::string>& queue, std::string json, size_t limit);

    // The console's own, not yet handed over.
    std::deque<std::string> m_newStates;
    std::deque<std::string> m_newRecords;

    mutable std::mutex m_mutex;
    std::deque<std::string> m_states;
    std::deque<std::string> m_records;
    std::string m_latestState;
    std::atomic<uint64_t> m_dropped{0};
};

}  // namespace ks::publish
