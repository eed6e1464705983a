#include "link/modbus_result.h"

#include <cstdio>

#include "platform/texts.h"

namespace ks {
namespace {

struct ResultText {
    ModbusResult code;
    const char* text;
};

constexpr ResultText kTexts[] = {
    {kMbOk, KS_TEXT("link", "√通信正常")},
    {kMbCrcError, KS_TEXT("link", "通信校验错误！\r\n")},
    {kMbSlaveMismatch, KS_TEXT("link", "通信设备地址错误！\r\n")},
    {kMbFunctionMismatch, KS_TEXT("link", "通信功能码错误！\r\n")},
    {kMbEchoMismatch, KS_TEXT("link", "通信数据错误！\r\n")},
    {kMbByteCountError, KS_TEXT("link", "通信应答数据长度错误！\r\n")},
    {kMbWriteFailed, KS_TEXT("link", "通信写入超时错误！\r\n")},
    {kMbResponseTimeout, KS_TEXT("link", "通信应答超时！\r\n")},
    {kMbReserved, KS_TEXT("link", "通信保留功能！\r\n")},
};

constexpr const char* kUnknownText = KS_TEXT("link", "通信未知错误！\r\n");

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

}  // namespace ks
