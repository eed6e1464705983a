#include "jobfiles/dxf_units.h"

#include <array>
#include <charconv>

#include "platform/textnum.h"
#include "platform/texts.h"

namespace ks {
namespace {

struct UnitEntry {
    const char* name;
    double toMm;
};

// "$INSUNITS" codes 0 to 24 as the format defines them; 0 is no unit.
const std::array<UnitEntry, 25> kUnits = {{
    {nullptr, 1.0},
    {KS_TEXT("jobfiles", "英寸"), 25.4},
    {KS_TEXT("jobfiles", "英尺"), 304.8},
    {KS_TEXT("jobfiles", "英里"), 1609344.0},
    {nullptr, 1.0},  // the millimetre
    {KS_TEXT("jobfiles", "厘米"), 10.0},
    {KS_TEXT("jobfiles", "米"), 1000.0},
    {KS_TEXT("jobfiles", "千米"), 1e6},
    {KS_TEXT("jobfiles", "微英寸"), 25.4e-6},
    {KS_TEXT("jobfiles", "密耳"), 0.0254},
    {KS_TEXT("jobfiles", "码"), 914.4},
    {KS_TEXT("jobfiles", "埃"), 1e-7},
    {KS_TEXT("jobfiles", "纳米"), 1e-6},
    {KS_TEXT("jobfiles", "微米"), 1e-3},
    {KS_TEXT("jobfiles", "分米"), 100.0},
    {KS_TEXT("jobfiles", "十米"), 1e4},
    {KS_TEXT("jobfiles", "百米"), 1e5},
    {KS_TEXT("jobfiles", "吉米"), 1e12},
    {KS_TEXT("jobfiles", "天文单位"), 1.495978707e14},
    {KS_TEXT("jobfiles", "光年"), 9.4607304725808e18},
    {KS_TEXT("jobfiles", "秒差距"), 3.0856775814913673e19},
    {KS_TEXT("jobfiles", "美国测量英尺"), 1200.0 / 3937.0 * 1000.0},
    {KS_TEXT("jobfiles", "美国测量英寸"), 100.0 / 3937.0 * 1000.0},
    {KS_TEXT("jobfiles", "美国测量码"), 3600.0 / 3937.0 * 1000.0},
    {KS_TEXT("jobfiles", "美国测量英里"), 6336000.0 / 3937.0 * 1000.0},
}};

constexpr int32_t kInch = 1;

}  // namespace

std::string DrawingUnit::FactorText() const {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, toMm);
    return std::string(text, r.ptr);
}

DrawingUnit UnitOf(const dxf::Drawing& drawing) {
    int32_t code = drawing.insUnits;
    const bool named = code > 0 && code < static_cast<int32_t>(kUnits.size()) && code != 4;
    if (!named) {
        const bool noUnit = code <= 0 || code >= static_cast<int32_t>(kUnits.size());
        if (!(noUnit && drawing.measurement == 0)) return DrawingUnit{};
        code = kInch;
    }
    const UnitEntry& e = kUnits[static_cast<size_t>(code)];
    return DrawingUnit{code, e.name, e.toMm};
}

DxfUnits DxfUnitsOf(std::string_view text) {
    return IsWordAnyCase(text, "drawing") ? DxfUnits::Drawing : DxfUnits::Millimetres;
}

double MicrometresPerUnit(DxfUnits units, const DrawingUnit& unit) {
    return units == DxfUnits::Drawing ? unit.toMm * 1000.0 : 1000.0;
}

}  // namespace ks
