#include "publish/mqtt_link.h"

#include <mosquitto.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <system_error>

namespace ks::publish {

using SteadyTime = std::chrono::steady_clock::time_point;

struct MqttLink::Core {
    Core(ShopSettings s, std::shared_ptr<Outbox> o, MqttOptions opt)
        : settings(std::move(s)), outbox(std::move(o)), options(opt) {}

    const ShopSettings settings;
    const std::shared_ptr<Outbox> outbox;
    const MqttOptions options;
    const std::string topicOnline = "kestrane/" + settings.machine + "/online";
    const std::string topicState = "kestrane/" + settings.machine + "/state";
    const std::string topicRecord = "kestrane/" + settings.machine + "/record";

    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    bool done = false;
    std::atomic<bool> connected{false};
    std::atomic<int> attempts{0};

    // The network thread's own, touched by nothing else.
    mosquitto* mosq = nullptr;
    bool socketOpen = false;
    bool freshConnection = false;
    std::set<int> unacknowledged;  // QoS 1 messages libmosquitto still holds
    std::string lastTold;          // the trouble last told on standard error
    std::string refusal;           // why the broker just refused the connection
    int failuresInRow = 0;
    SteadyTime nextAttempt{};
    SteadyTime attemptStarted{};
    std::minstd_rand random{std::random_device{}()};
};

namespace {

// libmosquitto holds this many of our QoS 1 messages at most, as many as
// it sends before the first acknowledgement; the rest wait in the outbox,
// where the limit of record lines applies.
constexpr size_t kMaxUnacknowledged = 20;
constexpr int kLoopWaitMs = 50;

using Core = MqttLink::Core;

SteadyTime Now() { return std::chrono::steady_clock::now(); }

bool StopAsked(Core& c) {
    std::lock_guard<std::mutex> lock(c.mutex);
    return c.stop;
}

void Tell(Core& c, const std::string& what) {
    if (what == c.lastTold) return;
    c.lastTold = what;
    std::fprintf(stderr, "kestrane: shop broker %s: %s\n", c.settings.BrokerText().c_str(), what.c_str());
}

std::string Describe(int rc) {
    if (rc == MOSQ_ERR_ERRNO) return std::error_code(errno, std::generic_category()).message();
    if (rc == MOSQ_ERR_TLS)
        return "TLS handshake failed (is the broker's certificate signed by CaFile of [Shop], for this host name?)";
    return mosquitto_strerror(rc);
}

// The connection is gone or never came: tried again after a pause that
// grows with each failure in a row.
void Failed(Core& c, const std::string& why) {
    Tell(c, why + "; trying again");
    c.socketOpen = false;
    c.connected = false;
    const int steps = std::min(c.failuresInRow++, 16);
    const uint64_t base = std::min<uint64_t>(uint64_t{c.options.retryMinMs} << steps, c.options.retryMaxMs);
    const uint64_t spread = std::uniform_int_distribution<uint64_t>(0, base / 4)(c.random);
    c.nextAttempt = Now() + std::chrono::milliseconds(base + spread);
}

void OnConnect(mosquitto*, void* data, int rc) {
    Core& c = *static_cast<Core*>(data);
    if (rc != 0) {
        // The loop returns an error next, and Failed() tells this reason.
        c.refusal = std::string("refused the connection: ") + mosquitto_connack_string(rc) +
                    (rc == 4 || rc == 5 ? " (User and Password of [Shop])" : "");
        return;
    }
    if (!c.lastTold.empty()) {
        std::fprintf(stderr, "kestrane: shop broker %s: connected\n", c.settings.BrokerText().c_str());
        c.lastTold.clear();
    }
    c.connected = true;
    c.freshConnection = true;
    c.failuresInRow = 0;
}

void OnDisconnect(mosquitto*, void* data, int) { static_cast<Core*>(data)->connected = false; }

void OnPublish(mosquitto*, void* data, int mid) { static_cast<Core*>(data)->unacknowledged.erase(mid); }

// Hands one QoS 1 message to libmosquitto, which keeps it until the broker
// acknowledges it, across reconnections.
void Publish(Core& c, const std::string& topic, const std::string& payload, bool retain) {
    int mid = 0;
    const int rc = mosquitto_publish(c.mosq, &mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1,
                                     retain);
    if (rc == MOSQ_ERR_SUCCESS || rc == MOSQ_ERR_NO_CONN || rc == MOSQ_ERR_CONN_LOST) c.unacknowledged.insert(mid);
}

void SendWaiting(Core& c) {
    if (c.freshConnection) {
        c.freshConnection = false;
        c.outbox->ForgetQueuedStates();
        Publish(c, c.topicOnline, "1", true);
        std::string state;
        if (c.outbox->LatestState(&state)) Publish(c, c.topicState, state, true);
    }
    std::string json;
    while (c.unacknowledged.size() < kMaxUnacknowledged && c.outbox->TakeState(&json))
        Publish(c, c.topicState, json, true);
    while (c.unacknowledged.size() < kMaxUnacknowledged && c.outbox->TakeRecord(&json))
        Publish(c, c.topicRecord, json, false);
}

bool Setup(Core& c) {
    static std::once_flag libraryReady;
    std::call_once(libraryReady, [] { mosquitto_lib_init(); });
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%06x", static_cast<unsigned>(c.random() & 0xFFFFFF));
    c.mosq = mosquitto_new(("kestrane-" + c.settings.machine + suffix).c_str(), true, &c);
    if (c.mosq == nullptr) {
        Tell(c, "cannot make an MQTT client; nothing is published");
        return false;
    }
    mosquitto_int_option(c.mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(c.mosq, OnConnect);
    mosquitto_disconnect_callback_set(c.mosq, OnDisconnect);
    mosquitto_publish_callback_set(c.mosq, OnPublish);
    mosquitto_will_set(c.mosq, c.topicOnline.c_str(), 1, "0", 1, true);
    if (!c.settings.user.empty()) {
        const char* password = c.settings.password.empty() ? nullptr : c.settings.password.c_str();
        mosquitto_username_pw_set(c.mosq, c.settings.user.c_str(), password);
    }
    if (!c.settings.caFile.empty()) {
        const int rc = mosquitto_tls_set(c.mosq, c.settings.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            // Never in the clear when TLS was asked for.
            Tell(c, "cannot use CaFile " + c.settings.caFile + " (" + Describe(rc) + "); nothing is published");
            return false;
        }
    }
    return true;
}

void Connect(Core& c, bool first) {
    c.attempts++;
    c.attemptStarted = Now();
    const int rc = first ? mosquitto_connect_async(c.mosq, c.settings.host.c_str(), c.settings.port,
                                                   c.options.keepaliveSeconds)
                         : mosquitto_reconnect_async(c.mosq);
    if (rc != MOSQ_ERR_SUCCESS) {
        Failed(c, "cannot connect (" + Describe(rc) + ")");
        return;
    }
    c.socketOpen = true;
}

// One round with the connection open: its traffic, then what waits.
void Serve(Core& c) {
    const bool wasUp = c.connected;
    const int rc = mosquitto_loop(c.mosq, kLoopWaitMs, 1);
    if (rc != MOSQ_ERR_SUCCESS) {
        std::string why = wasUp ? "connection lost (" + Describe(rc) + ")" : "cannot connect (" + Describe(rc) + ")";
        if (!wasUp && rc == MOSQ_ERR_CONN_LOST) why = "closed the connection without answering it";
        if (!c.refusal.empty()) why = std::move(c.refusal);
        c.refusal.clear();
        Failed(c, why);
        return;
    }
    if (!c.connected) {
        if (Now() - c.attemptStarted > std::chrono::milliseconds(c.options.answerTimeoutMs)) {
            mosquitto_disconnect(c.mosq);
            Failed(c, "no answer to the connection");
        }
        return;
    }
    SendWaiting(c);
}

// A clean exit: "0" on online, and the record lines still waiting, for a
// moment; then the broker is told goodbye, so it sends no will.
void Close(Core& c) {
    if (!c.connected) return;
    Publish(c, c.topicOnline, "0", true);
    const SteadyTime until = Now() + std::chrono::milliseconds(c.options.closeWaitMs);
    while (Now() < until && c.connected) {
        SendWaiting(c);
        if (c.unacknowledged.empty()) break;
        if (mosquitto_loop(c.mosq, kLoopWaitMs, 1) != MOSQ_ERR_SUCCESS) return;
    }
    mosquitto_disconnect(c.mosq);
    mosquitto_loop(c.mosq, kLoopWaitMs, 1);
}

void Run(Core& c) {
    if (Setup(c)) {
        bool first = true;
        while (!StopAsked(c)) {
            if (c.socketOpen) {
                Serve(c);
                continue;
            }
            c.outbox->ForgetQueuedStates();
            std::unique_lock<std::mutex> lock(c.mutex);
            if (first || c.wake.wait_until(lock, c.nextAttempt, [&c] { return c.stop; }) == false) {
                lock.unlock();
                Connect(c, first);
                first = false;
            }
        }
        Close(c);
    }
    if (c.mosq != nullptr) mosquitto_destroy(c.mosq);
    std::lock_guard<std::mutex> lock(c.mutex);
    c.done = true;
    c.wake.notify_all();
}

}  // namespace

MqttLink::MqttLink(ShopSettings settings, std::shared_ptr<Outbox> outbox, MqttOptions options)
    : m_core(std::make_shared<Core>(std::move(settings), std::move(outbox), options)) {
    std::thread([core = m_core] { Run(*core); }).detach();
}

MqttLink::~MqttLink() {
    std::unique_lock<std::mutex> lock(m_core->mutex);
    m_core->stop = true;
    m_core->wake.notify_all();
    // Long enough for the goodbye; a thread stuck longer in a name look-up
    // owns its share of the core and ends on its own.
    m_core->wake.wait_for(lock, std::chrono::milliseconds(m_core->options.closeWaitMs + 2000),
                          [this] { return m_core->done; });
}

bool MqttLink::Connected() const { return m_core->connected; }

int MqttLink::Attempts() const { return m_core->attempts; }

}  // namespace ks::publish
