#include "link/modbus_result.h"

#include <cstdio>

namespace ks {
namespace {

struct ResultText {
    ModbusResult code;
    const char* text;
};

constexpr ResultText kTexts[] = {
    {kMbOk, "√通信正常"},
    {kMbCrcError, "通信校验错误！\r\n"},
    {kMbSlaveMismatch, "通信设备地址错误！\r\n"},
    {kMbFunctionMismatch, "通信功能码错误！\r\n"},
    {kMbEchoMismatch, "通信数据错误！\r\n"},
    {kMbByteCountError, "通信应答数据长度错误！\r\n"},
    {kMbWriteFailed, "通信写入超时错误！\r\n"},
    {kMbResponseTimeout, "通信应答超时！\r\n"},
    {kMbReserved, "通信保留功能！\r\n"},
};

constexpr const char* kUnknownText = "通信未知错误！\r\n";

}  // namespace

const char* ModbusResultText(ModbusResult code) {
    for (const ResultText& entry : kTexts)
        if (entry.code == code) return entry.text;
    return kUnknownText;
}

std::string ModbusResultCode(ModbusResult code) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(code));
    return buf;
}

std::string CommResultText(ModbusResult code, int comPort) {
    if (code == kMbOk) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "连接成功 , 端口号COM%d   ", comPort);
        return std::string(buf) + ModbusResultText(kMbOk);
    }
    return ModbusResultCode(code) + " " + ModbusResultText(code);
}

}  // namespace ks
