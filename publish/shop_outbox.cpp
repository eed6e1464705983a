#include "publish/shop_outbox.h"

namespace ks::publish {

bool Outbox::Append(std::deque<std::string>& queue, std::string json, size_t limit) {
    const bool full = queue.size() >= limit;
    if (full) queue.pop_front();
    queue.push_back(std::move(json));
    return full;
}

void Outbox::PutState(std::string json) {
    Append(m_newStates, std::move(json), kStateLimit);
    Flush();
}

void Outbox::PutRecord(std::string json) {
    if (Append(m_newRecords, std::move(json), kRecordLimit)) ++m_dropped;
    Flush();
}

void Outbox::Flush() {
    if (m_newStates.empty() && m_newRecords.empty()) return;
    std::unique_lock<std::mutex> lock(m_mutex, std::try_to_lock);
    if (!lock.owns_lock()) return;
    if (!m_newStates.empty()) m_latestState = m_newStates.back();
    for (std::string& s : m_newStates) Append(m_states, std::move(s), kStateLimit);
    for (std::string& r : m_newRecords)
        if (Append(m_records, std::move(r), kRecordLimit)) ++m_dropped;
    m_newStates.clear();
    m_newRecords.clear();
}

bool Outbox::TakeState(std::string* json) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_states.empty()) return false;
    *json = std::move(m_states.front());
    m_states.pop_front();
    return true;
}

bool Outbox::TakeRecord(std::string* json) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_records.empty()) return false;
    *json = std::move(m_records.front());
    m_records.pop_front();
    return true;
}

bool Outbox::LatestState(std::string* json) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_latestState.empty()) return false;
    *json = m_latestState;
    return true;
}

void Outbox::ForgetQueuedStates() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_states.clear();
}

}  // namespace ks::publish
