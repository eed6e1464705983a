#ifndef _WIN32
#include "link/posix_serial_driver.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>

#include "platform/wait_hook.h"
#include <vector>

namespace ks {
namespace {

using Steady = std::chrono::steady_clock;

speed_t SpeedCode(uint32_t baud) {
    switch (baud) {
        case 50: return B50;
        case 75: return B75;
        case 110: return B110;
        case 134: return B134;
        case 150: return B150;
        case 200: return B200;
        case 300: return B300;
        case 600: return B600;
        case 1200: return B1200;
        case 1800: return B1800;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
#ifdef B460800
        case 460800: return B460800;
#endif
#ifdef B921600
        case 921600: return B921600;
#endif
        default: return B0;
    }
}

// Pseudo-terminal slaves (Unix98 /dev/pts/N) accept speeds and framing
// without meaning, and some kernels refuse parts of them.
bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    unsigned maj = major(st.st_rdev);
    return maj >= 136 && maj <= 143;
}

// Drops DTR and RTS. A tty without modem lines (a pseudo-terminal, some
// USB adapters) answers ENOTTY or EINVAL, which is no failure: there is
// nothing to drop.
bool DropModemLines(int fd, std::atomic<int>& lastError) {
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIC, &lines) == 0 || errno == ENOTTY || errno == EINVAL) return true;
    lastError = errno;
    return false;
}

// Milliseconds from now until `when`, rounded up so that poll never wakes
// just before a deadline and spins; 0 when passed.
int MsUntil(Steady::time_point when) {
    auto left = std::chrono::duration_cast<std::chrono::microseconds>(when - Steady::now()).count();
    if (left <= 0) return 0;
    return static_cast<int>((left + 999) / 1000);
}

}  // namespace

PosixSerialDriver::~PosixSerialDriver() {
    std::vector<int> open;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& entry : m_ports) open.push_back(entry.first);
    }
    for (int fd : open) Close(fd);
}

bool PosixSerialDriver::Known(SerialHandle h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return h >= 0 && m_ports.count(static_cast<int>(h)) != 0;
}

CommTimeouts PosixSerialDriver::TimeoutsOf(SerialHandle h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_ports.find(static_cast<int>(h));
    return it == m_ports.end() ? CommTimeouts{} : it->second.timeouts;
}

SerialHandle PosixSerialDriver::Open(const std::string& devicePath) {
    int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_lastError = errno;
        return kInvalidSerialHandle;
    }
    // flock holds against every other open file description, even root's,
    // where TIOCEXCL does not.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_lastError = errno;
        ::close(fd);
        return kInvalidSerialHandle;
    }
    // TIOCEXCL also tells a tty from any other file: ENOTTY.
    Port port;
    if (::ioctl(fd, TIOCEXCL) != 0 || ::tcgetattr(fd, &port.saved) != 0) {
        m_lastError = errno;
        ::ioctl(fd, TIOCNXCL);
        ::flock(fd, LOCK_UN);
        ::close(fd);
        return kInvalidSerialHandle;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ports[fd] = port;
    return fd;
}

bool PosixSerialDriver::SetLineSettings(SerialHandle h, const LineSettings& line) {
    if (!Known(h)) {
        m_lastError = EBADF;
        return false;
    }
    const int fd = static_cast<int>(h);
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0) {
        m_lastError = errno;
        return false;
    }
    const bool pty = IsPseudoTerminal(fd);
    termios wanted = tio;
    ::cfmakeraw(&wanted);
    wanted.c_cflag |= CLOCAL | CREAD;
    wanted.c_cflag &= ~(CRTSCTS | HUPCL);
    wanted.c_iflag &= ~(IXON | IXOFF | IXANY);
    wanted.c_cc[VMIN] = 0;
    wanted.c_cc[VTIME] = 0;

    wanted.c_cflag &= ~CSIZE;
    switch (line.byteSize) {
        case 5: wanted.c_cflag |= CS5; break;
        case 6: wanted.c_cflag |= CS6; break;
        case 7: wanted.c_cflag |= CS7; break;
        case 8: wanted.c_cflag |= CS8; break;
        default: m_lastError = EINVAL; return false;
    }
    wanted.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (line.parity) {
        case 0: break;
        case 1: wanted.c_cflag |= PARENB | PARODD; break;
        case 2: wanted.c_cflag |= PARENB; break;
        case 3: wanted.c_cflag |= PARENB | PARODD | CMSPAR; break;
        case 4: wanted.c_cflag |= PARENB | CMSPAR; break;
        default: m_lastError = EINVAL; return false;
    }
    switch (line.stopBits) {
        case 0: wanted.c_cflag &= ~CSTOPB; break;
        case 1:  // one and a half: the UART gives 1.5 for CSTOPB with 5 data bits
        case 2: wanted.c_cflag |= CSTOPB; break;
        default: m_lastError = EINVAL; return false;
    }
    const speed_t speed = SpeedCode(line.baud);
    if (speed == B0) {
        m_lastError = EINVAL;
        return false;
    }
    ::cfsetispeed(&wanted, speed);
    ::cfsetospeed(&wanted, speed);

    if (::tcsetattr(fd, TCSANOW, &wanted) == 0) return DropModemLines(fd, m_lastError);
    m_lastError = errno;
    if (!pty) return false;
    // A pseudo-terminal has no line to set up: raw mode at its present
    // speed and framing is all that matters for the bytes.
    termios raw = tio;
    ::cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    raw.c_iflag &= ~(IXON | IXOFF | IXANY);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &raw) == 0) return DropModemLines(fd, m_lastError);
    m_lastError = errno;
    return false;
}

void PosixSerialDriver::SetQueueSizes(SerialHandle, uint32_t, uint32_t) {
    // The kernel's tty buffers are fixed; nothing to ask for.
}

bool PosixSerialDriver::SetTimeouts(SerialHandle h, const CommTimeouts& timeouts) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = h < 0 ? m_ports.end() : m_ports.find(static_cast<int>(h));
    if (it == m_ports.end()) {
        m_lastError = EBADF;
        return false;
    }
    it->second.timeouts = timeouts;
    return true;
}

bool PosixSerialDriver::Purge(SerialHandle h) {
    if (!Known(h)) {
        m_lastError = EBADF;
        return false;
    }
    if (::tcflush(static_cast<int>(h), TCIOFLUSH) != 0) {
        m_lastError = errno;
        return false;
    }
    return true;
}

bool PosixSerialDriver::Read(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) {
    *got = 0;
    if (!Known(h)) {
        m_lastError = EBADF;
        return false;
    }
    if (count == 0) return true;
    const int fd = static_cast<int>(h);
    const CommTimeouts to = TimeoutsOf(h);
    const auto start = Steady::now();
    const bool totalLimit = to.readTotalMultiplier != 0 || to.readTotalConstant != 0;
    const auto deadline =
        start + std::chrono::milliseconds(uint64_t{count} * to.readTotalMultiplier + to.readTotalConstant);
    const auto gap = std::chrono::milliseconds(to.readInterval);
    Steady::time_point lastByte{};

    for (;;) {
        ssize_t n = ::read(fd, buffer + *got, count - *got);
        if (n > 0) {
            *got += static_cast<uint32_t>(n);
            lastByte = Steady::now();
            if (*got >= count) return true;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            m_lastError = errno;
            return false;
        }
        // Nothing waiting: sleep in poll until data or the nearer deadline.
        int waitMs = -1;
        if (totalLimit) waitMs = MsUntil(deadline);
        if (*got > 0 && to.readInterval != 0) {
            int gapMs = MsUntil(lastByte + gap);
            waitMs = waitMs < 0 ? gapMs : std::min(waitMs, gapMs);
        }
        if (waitMs == 0) return true;
        if (!totalLimit && to.readInterval == 0xFFFFFFFFu) return true;  // "return what is there"
        // With a wait hook (the console's window), the wait goes in slices
        // and the hook runs between them.
        if (HasWaitHook()) {
            RunWaitHook();
            const int slice = static_cast<int>(kWaitSliceMs);
            waitMs = waitMs < 0 ? slice : std::min(waitMs, slice);
        }
        pollfd pfd{fd, POLLIN, 0};
        int r = ::poll(&pfd, 1, waitMs);
        if (r < 0) {
            if (errno == EINTR) continue;
            m_lastError = errno;
            return false;
        }
        if (r > 0 && (pfd.revents & (POLLERR | POLLNVAL))) {
            m_lastError = EIO;
            return false;
        }
        if (r > 0 && !(pfd.revents & POLLIN) && (pfd.revents & POLLHUP)) {
            // The other end is gone (device unplugged, pseudo-terminal master
            // closed): nothing will ever arrive.
            m_lastError = EIO;
            return false;
        }
    }
}

bool PosixSerialDriver::Write(SerialHandle h, const uint8_t* buffer, uint32_t count, uint32_t* put) {
    *put = 0;
    if (!Known(h)) {
        m_lastError = EBADF;
        return false;
    }
    const int fd = static_cast<int>(h);
    const CommTimeouts to = TimeoutsOf(h);
    const bool limited = to.writeTotalMultiplier != 0 || to.writeTotalConstant != 0;
    const auto deadline = Steady::now() + std::chrono::milliseconds(uint64_t{count} * to.writeTotalMultiplier +
                                                                    to.writeTotalConstant);
    while (*put < count) {
        ssize_t n = ::write(fd, buffer + *put, count - *put);
        if (n > 0) {
            *put += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            m_lastError = errno;
            return false;
        }
        int waitMs = limited ? MsUntil(deadline) : -1;
        if (waitMs == 0) return true;  // time-out: a short count, not a failure
        pollfd pfd{fd, POLLOUT, 0};
        int r = ::poll(&pfd, 1, waitMs);
        if (r < 0 && errno != EINTR) {
            m_lastError = errno;
            return false;
        }
        if (r > 0 && (pfd.revents & (POLLERR | POLLNVAL | POLLHUP)) && !(pfd.revents & POLLOUT)) {
            m_lastError = EIO;
            return false;
        }
    }
    return true;
}

void PosixSerialDriver::Close(SerialHandle h) {
    termios saved {};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = h < 0 ? m_ports.end() : m_ports.find(static_cast<int>(h));
        if (it == m_ports.end()) return;
        saved = it->second.saved;
        m_ports.erase(it);
    }
    const int fd = static_cast<int>(h);
    // TCSANOW: a drain could hang on a line held up by the far end, and every
    // request has had its answer (or given up) by the time a port closes.
    // A device that is gone refuses this; nothing to do about it then.
    ::tcsetattr(fd, TCSANOW, &saved);
    // The exclusive flag belongs to the tty, not to this descriptor: left
    // set, a pseudo-terminal would refuse everybody but root from now on.
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

}  // namespace ks
#endif
