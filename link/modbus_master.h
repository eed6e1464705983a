#pragma once
// The console's side of the Modbus RTU link: functions 3/4 (read registers)
// and 15/16 (write coils/registers), CRC-16/MODBUS framing, a 500 ms response
// time-out on the injected clock and a strict check of every answer. One call
// is one request/response exchange; nothing is retried or shown here.
//
// RTU answers carry no transaction id: an answer that comes after its
// request was given up cannot be told from the answer to the next request
// of the same kind. So after a time-out or a damaged answer the next
// request waits until one response time-out has passed since, and the
// usual purge before it drops whatever came meanwhile (libmodbus's
// protocol error recovery sleeps and flushes the same way). Waits the
// caller makes anyway (the 500 ms between write attempts, the probe period)
// count towards it; after a good exchange nothing waits.
#include <cstdint>
#include <string>

#include "link/modbus_result.h"
#include "link/serial_port.h"
#include "platform/clock.h"

namespace ks {

class CModbusMaster : public CSerialPort {
public:
    static constexpr uint32_t kFrameSize = 256;

    // Driver and clock are owned by the caller and must outlive the master.
    CModbusMaster(SerialDriver& driver, Clock& clock);
    ~CModbusMaster() override;

    // Allocates the frame buffers (once, on the first call), then OpenPort.
    int Open(int port, uint32_t baud, uint8_t byteSize, uint8_t parity, uint8_t stopBits);
    // Same with a device path instead of a port number (service tools).
    int OpenPath(const std::string& path, uint32_t baud, uint8_t byteSize, uint8_t parity,
                 uint8_t stopBits);

    // Function 3 or 4. On success dest receives 2 * count bytes, each
    // register high byte first, as on the wire.
    ModbusResult ReadRegisters(uint8_t slave, uint8_t function, uint16_t start, uint16_t count,
                               uint8_t* dest);
    ModbusResult ReadHoldingRegisters(uint8_t slave, uint16_t start, uint16_t count, uint8_t* dest);
    // Function 15 or 16. src is the data field as it goes on the wire:
    // registers high byte first, coils packed from bit 0 of the first byte.
    ModbusResult WriteMulti(uint8_t slave, uint8_t function, uint16_t start, uint16_t count,
                            const uint8_t* src);
    ModbusResult WriteMultipleRegisters(uint8_t slave, uint16_t start, uint16_t count,
                                        const uint8_t* src);

    // CRC-16/MODBUS of the range with the byte sent first in the HIGH byte of
    // the result. Table and bit-by-bit methods give the same value.
    static uint16_t Crc16(const uint8_t* bytes, uint32_t length, bool useTable);

    uint8_t* m_pTxFrame = nullptr;
    uint8_t* m_pRxFrame = nullptr;
    uint32_t m_dwResponseTimeout;

private:
    bool AllocateFrames();
    // Receive loop shared by both calls: reads until `expected` bytes are in
    // or the response time-out has run out since t0. Returns kMbOk when the
    // frame is complete, else the time-out branch's result.
    ModbusResult Receive(uint8_t slave, uint8_t function, uint16_t expected, uint32_t t0);
    // Appends the CRC to the request's first `length` bytes in the transmit
    // frame, sends it on an emptied line and receives `expected` bytes.
    ModbusResult Exchange(uint8_t slave, uint8_t function, uint32_t length, uint16_t expected);
    // The checks of a complete read answer, in their order.
    ModbusResult CheckReadAnswer(uint8_t slave, uint8_t function, uint16_t dataBytes) const;
    // The outcome of an exchange: after a time-out or a damaged answer an
    // answer may still be on its way.
    ModbusResult Judged(ModbusResult result);
    // Before a request: waits out the rest of the time a late answer may
    // still come in.
    void LetLateAnswerPass();

    Clock& m_clock;
    bool m_bAnswerMayFollow = false;
    uint32_t m_dwFailedAt = 0;  // tick count when that exchange failed
};

}  // namespace ks
