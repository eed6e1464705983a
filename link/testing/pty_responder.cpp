#ifndef _WIN32
#include "link/testing/pty_responder.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "link/crc16.h"

namespace ks {

PtyResponder::PtyResponder(uint16_t registers) : m_regs(registers, 0) {
    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    termios tio {};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    ::tcgetattr(master, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(master, TCSANOW, &tio);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_master = master;
    m_slaveKeep = slave;
    m_slavePath = name;
    m_thread = std::thread([this] { Run(); });
}

PtyResponder::~PtyResponder() {
    Stop();
    if (m_master >= 0) ::close(m_master);
    if (m_slaveKeep >= 0) ::close(m_slaveKeep);
}

void PtyResponder::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_holdMutex);
        m_stop = true;
    }
    m_holdChanged.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void PtyResponder::Hangup() {
    Stop();
    if (m_slaveKeep >= 0) ::close(m_slaveKeep);
    m_slaveKeep = -1;
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
}

void PtyResponder::SetRegister(uint16_t address, uint16_t value) {
    std::lock_guard<std::mutex> lock(m_regMutex);
    if (address < m_regs.size()) m_regs[address] = value;
}

bool PtyResponder::ReleaseHeldHalf(int guardMs) {
    std::unique_lock<std::mutex> lock(m_holdMutex);
    if (!m_holdChanged.wait_for(lock, std::chrono::milliseconds(guardMs), [this] { return m_holding || m_stop; }) ||
        !m_holding)
        return false;
    const int written = m_heldWritten;
    m_released = true;
    m_holdChanged.notify_all();
    m_holdChanged.wait(lock, [&] { return m_heldWritten != written || m_stop; });
    return m_heldWritten != written;
}

void PtyResponder::HoldThenWrite(const std::vector<uint8_t>& rest) {
    std::unique_lock<std::mutex> lock(m_holdMutex);
    m_holding = true;
    m_holdChanged.notify_all();
    m_holdChanged.wait(lock, [this] { return m_released || m_stop; });
    if (m_released) {
        (void)!::write(m_master, rest.data(), rest.size());
        ++m_heldWritten;
    }
    m_holding = false;
    m_released = false;
    m_holdChanged.notify_all();
}

uint16_t PtyResponder::Register(uint16_t address) {
    std::lock_guard<std::mutex> lock(m_regMutex);
    return address < m_regs.size() ? m_regs[address] : 0;
}

size_t PtyResponder::RequestLength(const std::vector<uint8_t>& buf) {
    if (buf.size() < 2) return 0;
    size_t need = 0;
    if (buf[1] == 3 || buf[1] == 4) {
        need = 8;
    } else if (buf[1] == 16 || buf[1] == 15) {
        if (buf.size() < 7) return 0;
        need = 9u + buf[6];
    } else {
        return buf.size();  // unknown: take what is there
    }
    return buf.size() >= need ? need : 0;
}

std::vector<uint8_t> PtyResponder::Answer(const std::vector<uint8_t>& req) {
    std::vector<uint8_t> out;
    if (req.size() < 4 || !CrcMatches(req.data(), req.size() - 2) || req[0] != 1) return out;
    const uint8_t fn = req[1];
    auto exception = [&](uint8_t code) {
        out = {req[0], static_cast<uint8_t>(fn | 0x80), code};
        out.resize(5);
        AppendCrc(out.data(), 3);
        return out;
    };
    std::lock_guard<std::mutex> lock(m_regMutex);
    const uint16_t start = static_cast<uint16_t>(req[2] << 8 | req[3]);
    const uint16_t count = static_cast<uint16_t>(req[4] << 8 | req[5]);
    if (size_t{start} + count > m_regs.size()) return exception(2);
    if (fn == 3 || fn == 4) {
        out = {req[0], fn, static_cast<uint8_t>(2 * count)};
        for (uint16_t i = 0; i < count; ++i) {
            out.push_back(static_cast<uint8_t>(m_regs[start + i] >> 8));
            out.push_back(static_cast<uint8_t>(m_regs[start + i] & 0xFF));
        }
    } else if (fn == 16) {
        for (uint16_t i = 0; i < count; ++i)
            m_regs[start + i] = static_cast<uint16_t>(req[7 + 2 * i] << 8 | req[8 + 2 * i]);
        out.assign(req.begin(), req.begin() + 6);
    } else {
        return exception(1);
    }
    size_t n = out.size();
    out.resize(n + 2);
    AppendCrc(out.data(), n);
    return out;
}

void PtyResponder::Run() {
    std::vector<uint8_t> buf;
    uint8_t chunk[512];
    while (!m_stop) {
        pollfd pfd{m_master, POLLIN, 0};
        int r = ::poll(&pfd, 1, 20);
        if (r <= 0) continue;
        ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n <= 0) {
            // No slave open at the moment (EIO): wait for the next client.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        buf.insert(buf.end(), chunk, chunk + n);
        for (size_t len; (len = RequestLength(buf)) != 0;) {
            std::vector<uint8_t> req(buf.begin(), buf.begin() + len);
            buf.erase(buf.begin(), buf.begin() + len);
            ++m_requests;
            if (m_mode == Mode::kSilent) continue;
            std::vector<uint8_t> answer = Answer(req);
            if (answer.empty()) continue;
            if (m_mode == Mode::kHeldSplit && answer.size() > 1) {
                const size_t half = answer.size() / 2;
                (void)!::write(m_master, answer.data(), half);
                HoldThenWrite(std::vector<uint8_t>(answer.begin() + static_cast<std::ptrdiff_t>(half), answer.end()));
            } else {
                (void)!::write(m_master, answer.data(), answer.size());
            }
        }
    }
}

}  // namespace ks
#endif
