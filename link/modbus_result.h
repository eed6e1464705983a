#pragma once
// Result codes of every Modbus transfer and the texts the console shows for
// them in its communication label. Codes and texts live in one table here.
#include <cstdint>
#include <string>

namespace ks {

using ModbusResult = uint16_t;

inline constexpr ModbusResult kMbOk = 0x0000;
// Argument errors, found before anything is sent.
inline constexpr ModbusResult kMbBadSlave = 0x2001;     // slave 0 or above 247
inline constexpr ModbusResult kMbBadFunction = 0x2002;  // function not handled by the call
inline constexpr ModbusResult kMbBadCount = 0x2003;     // count 0 or above the function's limit
// Link errors.
inline constexpr ModbusResult kMbCrcError = 0x4001;         // response CRC wrong
inline constexpr ModbusResult kMbSlaveMismatch = 0x4002;    // answer from another slave
inline constexpr ModbusResult kMbFunctionMismatch = 0x4003; // answer with another function
inline constexpr ModbusResult kMbEchoMismatch = 0x4004;     // write answer does not echo the request
inline constexpr ModbusResult kMbByteCountError = 0x4005;   // read answer byte count wrong
inline constexpr ModbusResult kMbWriteFailed = 0x4006;      // request not written completely
inline constexpr ModbusResult kMbResponseTimeout = 0x4007;  // no valid answer in time
inline constexpr ModbusResult kMbReserved = 0x4008;         // never returned
// Exception answer: kMbExceptionBase + exception code.
inline constexpr ModbusResult kMbExceptionBase = 0x8000;

// The text shown for a result (marked for the catalogues, context "link"):
// "√通信正常" for 0, the failure text otherwise
// (each failure text ends in "\r\n", as the label shows it). Unknown codes and
// exception answers read "通信未知错误！\r\n".
const char* ModbusResultText(ModbusResult code);

// "0x%04X" of a result.
std::string ModbusResultCode(ModbusResult code);

}  // namespace ks
