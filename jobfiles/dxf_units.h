#pragma once
// The unit a drawing says its lengths are in ("$INSUNITS", or "$MEASUREMENT"
// for a drawing that names none), and whether a conversion turns them into
// millimetres: by default values are taken as millimetres whatever the
// drawing says, as the converter always took them.
#include <cstdint>
#include <string>
#include <string_view>

#include "jobfiles/dxf_drawing.h"

namespace ks {

struct DrawingUnit {
    int32_t code = 4;            // the "$INSUNITS" code; 4 is the millimetre
    const char* name = nullptr;  // marked (context "jobfiles"); none for the millimetre
    double toMm = 1.0;           // millimetres in one drawing unit

    bool Millimetres() const { return name == nullptr; }
    // The factor as the message shows it: "25.4", "0.001".
    std::string FactorText() const;
};

// The named unit of the drawing's header. Millimetres as well when the
// header names no unit ("$INSUNITS" 0, or a code the format does not
// define) and does not say imperial ("$MEASUREMENT" 0 without a unit: the
// inch).
DrawingUnit UnitOf(const dxf::Drawing& drawing);

// How values of a drawing become micrometres.
enum class DxfUnits {
    Millimetres,  // as they stand (the default)
    Drawing,      // by the drawing's unit
};
// The value of the option or setting: "drawing" (any case, blanks around
// it) converts; anything else, or nothing, does not.
DxfUnits DxfUnitsOf(std::string_view text);

// Micrometres in one drawing unit, for the choice: 1000 unless converting.
double MicrometresPerUnit(DxfUnits units, const DrawingUnit& unit);

}  // namespace ks
