#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/controller.h"

namespace ks::sim {

PtyServer::PtyServer(SimLink& link, PtyServerSettings settings)
    : m_link(link), m_settings(std::move(settings)), m_t0(std::chrono::steady_clock::now()) {}

PtyServer::~PtyServer() { Shutdown(); }

uint64_t PtyServer::NowMs() const {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - m_t0)
                                     .count());
}

void PtyServer::Note(const std::string& text) const {
    if (m_settings.verbose) std::fprintf(stderr, "kestrane-sim: %s\n", text.c_str());
}

bool PtyServer::OpenLine(std::string* error) {
    int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0 || ::grantpt(fd) != 0 || ::unlockpt(fd) != 0) {
        *error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    // Termios calls on the master act on the slave: start raw, no echo, so a
    // client that does not set the line up itself still sees clean bytes.
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B57600);
        ::cfsetospeed(&t, B57600);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    const char* name = ::ptsname(fd);
    if (!name) {
        *error = "ptsname failed";
        ::close(fd);
        return false;
    }
    // Point the link at it atomically, replacing only a symlink.
    const std::string& link = m_settings.linkPath;
    struct stat st{};
    if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        *error = link + " exists and is not a symbolic link";
        ::close(fd);
        return false;
    }
    std::string tmp = link + ".kestrane-sim-" + std::to_string(::getpid());
    ::unlink(tmp.c_str());
    if (::symlink(name, tmp.c_str()) != 0 || ::rename(tmp.c_str(), link.c_str()) != 0) {
        *error = "cannot create the link " + link + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        ::close(fd);
        return false;
    }
    m_master = fd;
    m_slaveName = name;
    m_framer = RequestFramer{};
    m_outgoing.clear();
    Note("serving " + link + " -> " + m_slaveName);
    return true;
}

void PtyServer::CloseLine(bool removeLink) {
    if (m_master < 0) return;
    if (removeLink) {
        char target[4096];
        ssize_t n = ::readlink(m_settings.linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<size_t>(n)) == m_slaveName)
            ::unlink(m_settings.linkPath.c_str());
    }
    ::close(m_master);
    m_master = -1;
}

bool PtyServer::Start(std::string* error) { return OpenLine(error); }

void PtyServer::Shutdown() { CloseLine(true); }

void PtyServer::Serve(const std::vector<uint8_t>& frame, uint64_t now) {
    auto reply = m_link.Request(frame.data(), frame.size(), now);
    if (!reply) return;
    if (m_settings.baud > 0) {
        // 10 bits a character (8N1); both the request and the answer take their time.
        uint64_t bits = 10ull * (frame.size() + reply->bytes.size());
        reply->readyAtMs += (bits * 1000 + m_settings.baud - 1) / m_settings.baud;
    }
    m_outgoing.push_back(std::move(*reply));
}

void PtyServer::SendDue(uint64_t now) {
    std::stable_sort(m_outgoing.begin(), m_outgoing.end(),
                     [](const Reply& a, const Reply& b) { return a.readyAtMs < b.readyAtMs; });
    while (!m_outgoing.empty() && m_outgoing.front().readyAtMs <= now) {
        const std::vector<uint8_t>& b = m_outgoing.front().bytes;
        size_t done = 0;
        while (m_master >= 0 && done < b.size()) {
            ssize_t n = ::write(m_master, b.data() + done, b.size() - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                break;  // nobody reads (queue full) or the line is gone: the rest is lost
            }
        }
        m_outgoing.erase(m_outgoing.begin());
    }
}

void PtyServer::Run(const volatile std::sig_atomic_t* stop) {
    uint8_t buf[512];
    std::vector<uint8_t> frame;
    while (!*stop) {
        uint64_t now = NowMs();
        m_link.Model().AdvanceTo(now);

        if (!m_vanished && m_link.VanishDue(now)) {
            Note("vanishing: line closed");
            CloseLine(true);
            m_vanished = true;
            m_vanishedAtMs = now;
        }
        if (m_vanished) {
            if (m_settings.reappearAfterMs && now >= m_vanishedAtMs + *m_settings.reappearAfterMs) {
                std::string error;
                m_link.Plan().vanishAfterMs.reset();
                if (OpenLine(&error)) {
                    m_vanished = false;
                } else {
                    std::fprintf(stderr, "kestrane-sim: %s\n", error.c_str());
                    m_settings.reappearAfterMs.reset();
                }
            }
            ::usleep(10000);
            continue;
        }
        if (m_master < 0) {
            ::usleep(10000);
            continue;
        }

        // Wake for the next answer due, the end of a silence, or 20 ms.
        int64_t wait = 20;
        for (const Reply& r : m_outgoing)
            wait = std::min<int64_t>(wait, static_cast<int64_t>(r.readyAtMs) - static_cast<int64_t>(now));
        if (m_framer.Pending())
            wait = std::min<int64_t>(wait, static_cast<int64_t>(m_lastByteMs + m_settings.gapMs) -
                                               static_cast<int64_t>(now));
        pollfd p{m_master, POLLIN, 0};
        int rc = ::poll(&p, 1, static_cast<int>(std::max<int64_t>(wait, 0)));
        now = NowMs();
        m_link.Model().AdvanceTo(now);
        bool clientGone = false;
        if (rc > 0 && (p.revents & POLLIN)) {
            ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0) {
                m_framer.Feed(buf, static_cast<size_t>(n));
                m_lastByteMs = now;
                while (m_framer.Next(&frame)) Serve(frame, now);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                clientGone = true;
            }
        } else if (rc > 0 && (p.revents & (POLLHUP | POLLERR))) {
            clientGone = true;
        }
        if (m_framer.Pending() && now >= m_lastByteMs + m_settings.gapMs && m_framer.Flush(&frame))
            Serve(frame, now);
        SendDue(now);
        if (clientGone) {
            // The last client closed the port: put a fresh pseudo-terminal
            // under the link for the next one. The new one goes under the
            // link before the old one is let go, so that a client reopening
            // at once never meets a link to a device that has vanished.
            std::string error;
            int old = m_master;
            m_master = -1;
            ++m_reconnects;
            Note("client closed the port; fresh pseudo-terminal");
            bool reopened = OpenLine(&error);
            ::close(old);
            if (!reopened) {
                std::fprintf(stderr, "kestrane-sim: %s\n", error.c_str());
                return;
            }
        }
    }
}

}  // namespace ks::sim
