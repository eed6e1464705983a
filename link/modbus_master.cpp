#include "link/modbus_master.h"

#include <cstring>

#include "link/crc16.h"

namespace ks {
namespace {

// CRC of data[0..length) equals the two bytes after it (low byte first).
bool FrameCrcOk(const uint8_t* data, uint32_t length) {
    uint16_t crc = CModbusMaster::Crc16(data, length, true);
    return data[length] == (crc >> 8) && data[length + 1] == (crc & 0xFF);
}

void PutCrc(uint8_t* data, uint32_t length) {
    uint16_t crc = CModbusMaster::Crc16(data, length, true);
    data[length] = static_cast<uint8_t>(crc >> 8);
    data[length + 1] = static_cast<uint8_t>(crc & 0xFF);
}

// The six bytes every request here starts with; the write echo repeats them.
constexpr uint32_t kHeaderSize = 6;

void PutHeader(uint8_t* tx, uint8_t slave, uint8_t function, uint16_t start, uint16_t count) {
    tx[0] = slave;
    tx[1] = function;
    tx[2] = static_cast<uint8_t>(start >> 8);
    tx[3] = static_cast<uint8_t>(start & 0xFF);
    tx[4] = static_cast<uint8_t>(count >> 8);
    tx[5] = static_cast<uint8_t>(count & 0xFF);
}

}  // namespace

CModbusMaster::CModbusMaster(SerialDriver& driver, Clock& clock)
    : CSerialPort(driver), m_dwResponseTimeout(500), m_clock(clock) {}

CModbusMaster::~CModbusMaster() {
    ClosePort();
    delete[] m_pTxFrame;
    delete[] m_pRxFrame;
}

bool CModbusMaster::AllocateFrames() {
    // The start-up retries Open; the first pair of buffers is kept.
    if (m_pTxFrame == nullptr) m_pTxFrame = new uint8_t[kFrameSize]();
    if (m_pRxFrame == nullptr) m_pRxFrame = new uint8_t[kFrameSize]();
    return true;
}

// A port opened afresh starts on an emptied line.
int CModbusMaster::Open(int port, uint32_t baud, uint8_t byteSize, uint8_t parity, uint8_t stopBits) {
    AllocateFrames();
    m_bAnswerMayFollow = false;
    return OpenPort(port, baud, byteSize, parity, stopBits);
}

int CModbusMaster::OpenPath(const std::string& path, uint32_t baud, uint8_t byteSize, uint8_t parity,
                            uint8_t stopBits) {
    AllocateFrames();
    m_bAnswerMayFollow = false;
    return OpenDevice(path, baud, byteSize, parity, stopBits);
}

uint16_t CModbusMaster::Crc16(const uint8_t* bytes, uint32_t length, bool useTable) {
    uint16_t crc = useTable ? Crc16Modbus(bytes, length) : Crc16ModbusBitwise(bytes, length);
    return static_cast<uint16_t>((crc & 0xFF) << 8 | crc >> 8);
}

ModbusResult CModbusMaster::Receive(uint8_t slave, uint8_t function, uint16_t expected, uint32_t t0) {
    uint16_t received = 0;
    for (;;) {
        received = static_cast<uint16_t>(received + ReadBytes(m_pRxFrame + received, expected - received));
        // A failed read has closed the port: nothing more can arrive, so the
        // time-out branch judges what is in now instead of idling out the
        // rest of the response time.
        bool timedOut = !IsOpen() || static_cast<uint32_t>(m_clock.TickCount() - t0) > m_dwResponseTimeout;
        // The time-out is judged before completeness: an answer that is
        // complete only after the time-out has run out still fails.
        if (timedOut) break;
        if (received >= expected) return kMbOk;
    }
    // Only a 5-byte exception answer is recognised, and only here.
    if (received != 5) return kMbResponseTimeout;
    const uint8_t* rx = m_pRxFrame;
    if (!FrameCrcOk(rx, 3) || rx[0] != slave || rx[1] != static_cast<uint8_t>(function | 0x80))
        return kMbResponseTimeout;
    return static_cast<ModbusResult>(kMbExceptionBase + rx[2]);
}

ModbusResult CModbusMaster::Judged(ModbusResult result) {
    const bool noAnswer = result == kMbResponseTimeout;
    const bool damaged = result >= kMbCrcError && result <= kMbByteCountError;
    // A closed port carries nothing more; its next open empties the line.
    if ((noAnswer || damaged) && IsOpen()) {
        m_bAnswerMayFollow = true;
        m_dwFailedAt = m_clock.TickCount();
    }
    return result;
}

void CModbusMaster::LetLateAnswerPass() {
    if (!m_bAnswerMayFollow) return;
    m_bAnswerMayFollow = false;
    const uint32_t since = m_clock.TickCount() - m_dwFailedAt;
    if (since < m_dwResponseTimeout) m_clock.Sleep(m_dwResponseTimeout - since);
}

ModbusResult CModbusMaster::Exchange(uint8_t slave, uint8_t function, uint32_t length, uint16_t expected) {
    PutCrc(m_pTxFrame, length);
    if (IsOpen()) LetLateAnswerPass();
    PurgePort();
    if (WriteBytes(m_pTxFrame, length + 2) != length + 2) return kMbWriteFailed;
    return Receive(slave, function, expected, m_clock.TickCount());
}

ModbusResult CModbusMaster::ReadRegisters(uint8_t slave, uint8_t function, uint16_t start, uint16_t count,
                                          uint8_t* dest) {
    if (slave == 0 || slave > 247) return kMbBadSlave;
    if (function != 3 && function != 4) return kMbBadFunction;
    if (count == 0 || count > 125) return kMbBadCount;
    // Never opened: no buffers, and no port to write to.
    if (m_pTxFrame == nullptr || m_pRxFrame == nullptr) return kMbWriteFailed;

    PutHeader(m_pTxFrame, slave, function, start, count);
    const uint16_t dataBytes = static_cast<uint16_t>(2 * count);
    const uint16_t expected = static_cast<uint16_t>(dataBytes + 5);
    ModbusResult result = Exchange(slave, function, kHeaderSize, expected);
    if (result == kMbOk) result = CheckReadAnswer(slave, function, dataBytes);
    if (result == kMbOk) std::memcpy(dest, m_pRxFrame + 3, dataBytes);
    return Judged(result);
}

ModbusResult CModbusMaster::CheckReadAnswer(uint8_t slave, uint8_t function, uint16_t dataBytes) const {
    const uint8_t* rx = m_pRxFrame;
    if (!FrameCrcOk(rx, dataBytes + 3u)) return kMbCrcError;
    if (rx[0] != slave) return kMbSlaveMismatch;
    if (rx[1] != function) return kMbFunctionMismatch;
    if (rx[2] != dataBytes) return kMbByteCountError;
    return kMbOk;
}

ModbusResult CModbusMaster::ReadHoldingRegisters(uint8_t slave, uint16_t start, uint16_t count, uint8_t* dest) {
    return ReadRegisters(slave, 3, start, count, dest);
}

ModbusResult CModbusMaster::WriteMulti(uint8_t slave, uint8_t function, uint16_t start, uint16_t count,
                                       const uint8_t* src) {
    if (slave == 0 || slave > 247) return kMbBadSlave;
    uint8_t dataBytes;
    if (function == 15) {
        if (count == 0 || count > 0x7B0) return kMbBadCount;
        dataBytes = static_cast<uint8_t>((count >> 3) + ((count & 7) != 0 ? 1 : 0));
    } else if (function == 16) {
        if (count == 0 || count > 123) return kMbBadCount;
        dataBytes = static_cast<uint8_t>(2 * count);
    } else {
        return kMbBadFunction;
    }
    if (m_pTxFrame == nullptr || m_pRxFrame == nullptr) return kMbWriteFailed;

    uint8_t* tx = m_pTxFrame;
    PutHeader(tx, slave, function, start, count);
    tx[kHeaderSize] = dataBytes;
    std::memcpy(tx + kHeaderSize + 1, src, dataBytes);
    // The answer echoes the header, with its own CRC.
    const uint16_t expected = static_cast<uint16_t>(kHeaderSize + 2);
    ModbusResult result = Exchange(slave, function, kHeaderSize + 1 + dataBytes, expected);
    if (result == kMbOk && !FrameCrcOk(m_pRxFrame, kHeaderSize)) result = kMbCrcError;
    if (result == kMbOk && std::memcmp(m_pRxFrame, tx, kHeaderSize) != 0) result = kMbEchoMismatch;
    return Judged(result);
}

ModbusResult CModbusMaster::WriteMultipleRegisters(uint8_t slave, uint16_t start, uint16_t count,
                                                   const uint8_t* src) {
    return WriteMulti(slave, 16, start, count, src);
}

}  // namespace ks
