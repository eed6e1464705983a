#include "link/serial_port.h"

#include <cerrno>
#include <cstdio>

#ifndef _WIN32
#include <filesystem>
#include <system_error>

#include "platform/program_folder.h"
#endif

namespace ks {

std::string ComDevicePath(int port) {
    char name[32];
#ifdef _WIN32
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", port);
    return name;
#else
    std::snprintf(name, sizeof name, "COM%d", port);
    // Beside the settings file: the program's folder for a build, the
    // operator's own configuration folder for an installed console.
    const std::string folder = SettingsFolder();
    if (!folder.empty()) {
        std::string link = folder + "/" + name;
        std::error_code ec;
        // symlink_status: the name itself, not its target.
        if (std::filesystem::exists(std::filesystem::symlink_status(link, ec))) return link;
    }
    std::snprintf(name, sizeof name, "/dev/ttyS%d", port - 1);
    return name;
#endif
}

uint32_t InterCharTimeoutMs(uint32_t baud) {
    if (baud == 0) return 0;
    double t = 16500.0 / baud + 0.8;
    uint32_t ms = static_cast<uint32_t>(t);  // toward zero; t <= 16500.8 here
    return ms < 1 ? 1 : ms;
}

CSerialPort::CSerialPort(SerialDriver& driver) : m_hComm(kInvalidSerialHandle), m_driver(driver) {}

CSerialPort::~CSerialPort() { ClosePort(); }

int CSerialPort::OpenPort(int port, uint32_t baud, uint8_t byteSize, uint8_t parity, uint8_t stopBits) {
    if (port < 1 || port > 19) {
        m_openError = PortOpenError::NoDevice;
        m_openErrno = ENODEV;
        return 0;
    }
    return OpenDevice(ComDevicePath(port), baud, byteSize, parity, stopBits);
}

int CSerialPort::OpenDevice(const std::string& path, uint32_t baud, uint8_t byteSize, uint8_t parity,
                            uint8_t stopBits) {
    ClosePort();
    m_hComm = m_driver.Open(path);
    if (m_hComm == kInvalidSerialHandle) return OpenFailed(m_driver.LastError());

    LineSettings line;
    line.baud = baud;
    line.byteSize = byteSize;
    line.parity = parity;
    line.stopBits = stopBits;
    // A zero rate would make the time-outs below meaningless; treat it like
    // a rate the driver refuses.
    if (baud == 0) return OpenFailed(EINVAL);
    if (!m_driver.SetLineSettings(m_hComm, line)) return OpenFailed(m_driver.LastError());

    m_driver.SetQueueSizes(m_hComm, 16384, 16384);

    const uint32_t t = InterCharTimeoutMs(baud);
    CommTimeouts timeouts;
    timeouts.readInterval = t;
    timeouts.readTotalMultiplier = t;
    timeouts.readTotalConstant = 100;
    timeouts.writeTotalMultiplier = t;
    timeouts.writeTotalConstant = 0;
    if (!m_driver.SetTimeouts(m_hComm, timeouts)) return OpenFailed(m_driver.LastError());

    m_driver.Purge(m_hComm);
    m_openError = PortOpenError::None;
    m_openErrno = 0;
    return 1;
}

int CSerialPort::OpenFailed(int err) {
    // A failure the driver cannot explain is still a failure: Other, not None.
    m_openErrno = err;
    const PortOpenError kind = ClassifyOpenErrno(err);
    m_openError = kind == PortOpenError::None ? PortOpenError::Other : kind;
    ClosePort();
    return 0;
}

uint32_t CSerialPort::ReadBytes(uint8_t* buffer, uint32_t count) {
    if (m_hComm == kInvalidSerialHandle) return 0;
    uint32_t got = 0;
    if (!m_driver.Read(m_hComm, buffer, count, &got)) {
        ClosePort();
        return 0;
    }
    return got;
}

uint32_t CSerialPort::WriteBytes(const uint8_t* buffer, uint32_t count) {
    if (m_hComm == kInvalidSerialHandle) return 0;
    uint32_t put = 0;
    if (!m_driver.Write(m_hComm, buffer, count, &put)) {
        ClosePort();
        return 0;
    }
    return put;
}

void CSerialPort::ClosePort() {
    if (m_hComm == kInvalidSerialHandle) return;
    m_driver.Close(m_hComm);
    m_hComm = kInvalidSerialHandle;
}

void CSerialPort::PurgePort() {
    if (m_hComm == kInvalidSerialHandle) return;
    m_driver.Purge(m_hComm);
}

}  // namespace ks
