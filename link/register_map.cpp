#include "link/register_map.h"

#include "platform/texts.h"

namespace ks {

const char* SignalText(uint8_t code) {
    static const char* const kTexts[] = {
        "                          ",  // no signal: blanks only
        KS_TEXT("link", "           X正限位 已触发"),
        KS_TEXT("link", "           X负限位 已触发"),
        KS_TEXT("link", "           Y正限位 已触发"),
        KS_TEXT("link", "           Y负限位 已触发"),
        KS_TEXT("link", "           C正限位 已触发"),
        KS_TEXT("link", "           C负限位 已触发"),
        KS_TEXT("link", "           Z正限位 已触发"),
        KS_TEXT("link", "           Z负限位 已触发"),
        KS_TEXT("link", "           S1信号  已触发"),
        KS_TEXT("link", "           S2信号   已触发"),
        KS_TEXT("link", "           S3信号   已触发"),
        KS_TEXT("link", "           S4信号   已触发"),
        KS_TEXT("link", "           S5信号   已触发"),
        KS_TEXT("link", "           打穿检测 已触发"),
    };
    return code < sizeof kTexts / sizeof kTexts[0] ? kTexts[code] : kTexts[0];
}

}  // namespace ks
