#include "publish/shop_outbox.h"

namespace ks::publish {

void Outbox::PutState(std::string json) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_latestState = json;
    if (m_states.size() >= kStateLimit) m_states.pop_front();
    m_states.push_back(std::move(json));
}

void Outbox::PutRecord(std::string json) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_records.size() >= kRecordLimit) {
        m_records.pop_front();
        ++m_dropped;
    }
    m_records.push_back(std::move(json));
}

uint64_t Outbox::DroppedRecords() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_dropped;
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
