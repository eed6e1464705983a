#include "link/register_map.h"

namespace ks {

const char* SignalText(uint8_t code) {
    static const char* const kTexts[] = {
        "                          ",
        "           X正限位 已触发",
        "           X负限位 已触发",
        "           Y正限位 已触发",
        "           Y负限位 已触发",
        "           C正限位 已触发",
        "           C负限位 已触发",
        "           Z正限位 已触发",
        "           Z负限位 已触发",
        "           S1信号  已触发",
        "           S2信号   已触发",
        "           S3信号   已触发",
        "           S4信号   已触发",
        "           S5信号   已触发",
        "           打穿检测 已触发",
    };
    return code < sizeof kTexts / sizeof kTexts[0] ? kTexts[code] : kTexts[0];
}

}  // namespace ks
