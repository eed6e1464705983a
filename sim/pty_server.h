#pragma once
// kestrane-sim's line: a pseudo-terminal whose slave side is reached through
// a symlink (e.g. <program folder>/COM1), served by a SimLink.
//
// Requests are cut from the byte stream by their length, or by t3.5-style
// silence when their length is unknown. When the client closes the port, a
// fresh pseudo-terminal takes the old one's place under the same link: a
// pty keeps its exclusive-open flag after a client that set it is gone, so
// reusing it would lock out every later client that is not root.
#include <chrono>
#include <csignal>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/request_framer.h"
#include "sim/sim_link.h"

namespace ks::sim {

struct PtyServerSettings {
    std::string linkPath;
    uint32_t baud = 0;   // > 0: emulate the transmission time of request and answer
    uint32_t gapMs = 3;  // silence ending a request of unknown length
    std::optional<uint64_t> reappearAfterMs;
    bool verbose = false;
};

class PtyServer {
public:
    PtyServer(SimLink& link, PtyServerSettings settings);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal and the link (replacing a stale symlink;
    // any other file in the way is an error).
    bool Start(std::string* error);
    // Serves until *stop becomes non-zero. The model is stepped continuously.
    void Run(const volatile std::sig_atomic_t* stop);
    // Closes the line and removes the link if it is still ours.
    void Shutdown();

    // Milliseconds since the server was constructed: the model's time.
    uint64_t NowMs() const;
    const std::string& SlaveName() const { return m_slaveName; }
    int Reconnects() const { return m_reconnects; }

private:
    bool OpenLine(std::string* error);
    void CloseLine(bool removeLink);
    void Serve(const std::vector<uint8_t>& frame, uint64_t now);
    void SendDue(uint64_t now);
    void Note(const std::string& text) const;

    SimLink& m_link;
    PtyServerSettings m_settings;
    std::chrono::steady_clock::time_point m_t0;
    int m_master = -1;
    std::string m_slaveName;
    RequestFramer m_framer;
    uint64_t m_lastByteMs = 0;
    std::vector<Reply> m_outgoing;
    bool m_vanished = false;
    uint64_t m_vanishedAtMs = 0;
    int m_reconnects = 0;
};

}  // namespace ks::sim
