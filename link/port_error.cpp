#include "link/port_error.h"

#include <cerrno>
#include <system_error>

namespace ks {

PortOpenError ClassifyOpenErrno(int err) {
    if (err == 0) return PortOpenError::None;
    // EAGAIN and EWOULDBLOCK may be one value, so no switch.
    if (err == ENOENT || err == ENODEV || err == ENXIO || err == ENOTDIR) return PortOpenError::NoDevice;
    if (err == EACCES || err == EPERM) return PortOpenError::PermissionDenied;
    // flock answers EWOULDBLOCK when another descriptor holds the lock;
    // open answers EBUSY on a tty with TIOCEXCL set.
    if (err == EBUSY || err == EWOULDBLOCK || err == EAGAIN) return PortOpenError::Busy;
    if (err == ENOTTY || err == EISDIR) return PortOpenError::NotASerialPort;
    return PortOpenError::Other;
}

const char* PortOpenErrorText(PortOpenError error) {
    switch (error) {
        case PortOpenError::NoDevice: return "no such device";
        case PortOpenError::PermissionDenied:
            return "permission denied (add the user to the dialout group and log in again)";
        case PortOpenError::Busy: return "busy (another program holds the port)";
        case PortOpenError::NotASerialPort: return "not a serial port";
        case PortOpenError::None:
        case PortOpenError::Other: break;
    }
    return "";
}

std::string DescribePortOpenError(PortOpenError error, int err) {
    std::string text = PortOpenErrorText(error);
    if (err == 0) return text;
    // generic_category, not strerror: safe from any thread.
    const std::string system = std::generic_category().message(err);
    if (text.empty()) return system;
    return text + " [system: " + system + "]";
}

}  // namespace ks
