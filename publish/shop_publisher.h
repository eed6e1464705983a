#pragma once
// The console's side of publishing: after each tick it reads the state,
// and when that changed (at most five times a second) it leaves the state
// message in the outbox; each record line goes there as a record message.
// It never touches the network: the network thread (mqtt_link.h) takes the
// messages from the outbox. It only reads the console, never calls it.
#include <cstdint>
#include <memory>
#include <string>

#include "app/shop_observer.h"
#include "platform/clock.h"
#include "publish/shop_outbox.h"
#include "publish/shop_state.h"

namespace ks::publish {

class ShopPublisher final : public app::ShopObserver {
public:
    // Five state messages a second at most: the dashboard's eye needs no
    // more, and a shop of a hundred machines stays a few hundred messages
    // a second for the broker. Changes in between wait for the next slot
    // (the newest state then goes), none is lost for good.
    static constexpr uint32_t kStatePeriodMs = 200;

    // clock: the console's, on which its ticks run.
    ShopPublisher(std::string machine, std::shared_ptr<Outbox> outbox, Clock& clock);

    void OnTick(const app::CConsoleDlg& console) override;
    void OnRecordLine(const std::string& line) override;

    const std::string& Machine() const { return m_machine; }

private:
    std::string m_machine;
    std::shared_ptr<Outbox> m_outbox;
    Clock& m_clock;
    ShopState m_sent;
    bool m_anySent = false;
    uint32_t m_sentAtMs = 0;
    std::string m_lastPauseCause;
    ModbusResult m_lastCommError = kMbOk;
    std::string m_job;
    uint64_t m_recordSeq = 0;
};

}  // namespace ks::publish
