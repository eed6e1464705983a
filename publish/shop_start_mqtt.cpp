// The build with libmosquitto: the console's side and the network thread.
#include <cstdio>

#include "platform/host_name.h"
#include "publish/mqtt_link.h"
#include "publish/shop_publisher.h"
#include "publish/shop_start.h"

namespace ks::publish {
namespace {

class Publishing final : public app::ShopObserver {
public:
    Publishing(const ShopSettings& settings, Clock& clock)
        : m_outbox(std::make_shared<Outbox>()), m_publisher(settings.machine, m_outbox, clock), m_link(settings, m_outbox) {}
    void OnTick(const app::CConsoleDlg& console) override { m_publisher.OnTick(console); }
    void OnRecordLine(const std::string& line) override { m_publisher.OnRecordLine(line); }

private:
    std::shared_ptr<Outbox> m_outbox;
    ShopPublisher m_publisher;
    MqttLink m_link;  // last: goes first, saying goodbye with what is left
};

}  // namespace

std::unique_ptr<app::ShopObserver> StartShopPublishing(const std::string& iniPath, Clock& clock) {
    std::string problem;
    const std::optional<ShopSettings> settings = ReadShopSettings(iniPath, HostName(), &problem);
    if (!problem.empty()) std::fprintf(stderr, "kestrane: %s\n", problem.c_str());
    if (!settings) return nullptr;
    return std::make_unique<Publishing>(*settings, clock);
}

}  // namespace ks::publish
