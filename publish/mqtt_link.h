#pragma once
// The network side of publishing: one thread of its own that holds the
// connection to the broker (libmosquitto, used from this thread alone),
// takes the messages the console left in the outbox and sends them.
//
//   kestrane/<machine>/online  "1" retained on connect; "0" as the last
//                              will and on a clean exit
//   kestrane/<machine>/state   retained, QoS 1, sent again on every connect
//   kestrane/<machine>/record  QoS 1, not retained, in order
//
// A broker that is down, unreachable, slow, refusing the password or
// silent after accepting the connection costs this thread waiting and
// retries (1 s, doubling to 30 s, each a quarter longer at random so that
// a shop's consoles do not all come back in the same second); the console
// never waits for it. Each kind of trouble is told once on standard error.
// Nothing is subscribed: no message reaches the console.
#include <cstdint>
#include <memory>
#include <thread>

#include "publish/shop_outbox.h"
#include "publish/shop_settings.h"

namespace ks::publish {

struct MqttOptions {
    // The broker hears of a console gone silent (cable pulled) after one
    // and a half of these; a console killed or switched off drops its TCP
    // connection and the will goes at once.
    int keepaliveSeconds = 10;
    // How long a connection may stay without the broker's answer before it
    // is given up and tried again.
    uint32_t answerTimeoutMs = 10000;
    uint32_t retryMinMs = 1000;
    uint32_t retryMaxMs = 30000;
    // At a clean exit: how long "0" and the record lines still waiting may
    // take to go out.
    uint32_t closeWaitMs = 1000;
};

class MqttLink {
public:
    MqttLink(ShopSettings settings, std::shared_ptr<Outbox> outbox, MqttOptions options = {});
    // Says "0" on online, disconnects and ends the thread, within about
    // closeWaitMs (the thread is left to end on its own when it is stuck
    // in a name look-up that takes longer).
    ~MqttLink();
    MqttLink(const MqttLink&) = delete;
    MqttLink& operator=(const MqttLink&) = delete;

    // Whether the broker accepted the connection and it is still up.
    bool Connected() const;
    // Connections tried so far.
    int Attempts() const;

    struct Core;

private:
    std::shared_ptr<Core> m_core;
};

}  // namespace ks::publish
