#include "link/port_error.h"

#include <cerrno>
#include <system_error>

#include "platform/texts.h"

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
        case PortOpenError::NoDevice: return KS_TEXT("link", "串口设备不存在");
        case PortOpenError::PermissionDenied:
            return KS_TEXT("link", "无权打开串口（请把用户加入 dialout 组后重新登录）");
        case PortOpenError::Busy: return KS_TEXT("link", "串口被其他程序占用");
        case PortOpenError::NotASerialPort: return KS_TEXT("link", "该设备不是串口");
        case PortOpenError::None:
        case PortOpenError::Other: break;
    }
    return "";
}

std::string DescribePortOpenError(PortOpenError error, int err) {
    const char* marked = PortOpenErrorText(error);
    std::string text = *marked ? Tr("link", marked) : std::string();
    if (err == 0) return text;
    // generic_category, not strerror: safe from any thread.
    const std::string system = std::generic_category().message(err);
    if (text.empty()) return system;
    return text + " [system: " + system + "]";
}

}  // namespace ks
