#include "publish/shop_publisher.h"

#include <chrono>

#include "app/console_dlg.h"

namespace ks::publish {

ShopPublisher::ShopPublisher(std::string machine, std::shared_ptr<Outbox> outbox, Clock& clock)
    : m_machine(std::move(machine)), m_outbox(std::move(outbox)), m_clock(clock) {}

void ShopPublisher::OnTick(const app::CConsoleDlg& console) {
    m_outbox->Flush();
    if (console.m_wCommResult != kMbOk) m_lastCommError = console.m_wCommResult;
    ShopState now = ReadShopState(console, m_lastPauseCause);
    // A run under way again: the reason of the last pause is history.
    if (now.execution == Execution::Active) m_lastPauseCause.clear();
    now.commError = m_lastCommError;
    now.recordsDropped = m_outbox->DroppedRecords();
    m_job = now.job;

    // Ticks run on the console's clock; time on it is what "five a second"
    // means to the machine, whether the clock is the wall's or a test's.
    const uint32_t tickMs = m_clock.TickCount();
    if (m_anySent && (now == m_sent || tickMs - m_sentAtMs < kStatePeriodMs)) return;
    m_outbox->PutState(StateJson(now, m_machine, UtcTimeText(std::chrono::system_clock::now())));
    m_sent = now;
    m_anySent = true;
    m_sentAtMs = tickMs;
}

void ShopPublisher::OnRecordLine(const std::string& line) {
    std::string event, reason;
    if (RecordEventOf(line, &event, &reason) && event == "paused") m_lastPauseCause = reason;
    if (std::optional<std::string> json = RecordJson(line, m_job, ++m_recordSeq)) m_outbox->PutRecord(std::move(*json));
}

}  // namespace ks::publish
