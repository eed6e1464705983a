#pragma once
// What a conversion left out of its hole table, or put in it that is no
// circle of the drawing: the drawing's circles as the full reader places
// them, through the same diameter range and repetition test, compared with
// the table; counts by reason. With what else the full reading found that
// the operator must know (a file cut short or no drawing at all, a unit
// other than the millimetre), the one message that tells the operator.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "jobfiles/dxf_drawing.h"
#include "jobfiles/dxf_units.h"
#include "jobfiles/hole_table.h"
#include "jobfiles/messages.h"

namespace ks {

enum class MissReason : uint8_t {
    OlderLayout,       // a record without subclass markers
    OtherLayout,       // its groups not in the one order a word scanner takes (no Z, a thickness first, ...)
    InBlock,           // inside a block that an INSERT places
    OutsideWindow,     // centre not strictly inside +-1000 mm
    AfterFormatError,  // after the place where reading stopped at a format error
    Other,
};
inline constexpr size_t kMissReasons = 6;

enum class AddReason : uint8_t {
    Arc,    // an arc taken for a circle of its full radius
    Other,  // a circle of paper space, of another section, at a place it does not have, ...
};
inline constexpr size_t kAddReasons = 2;

struct DrawingCheck {
    std::array<int32_t, kMissReasons> missed{};
    std::array<int32_t, kAddReasons> added{};
    bool tooLarge = false;  // more circles than are read: the counts cover the first ones
    // The file is damaged or no drawing: the holes may be incomplete.
    dxf::Fault fault = dxf::Fault::None;
    // The drawing's unit when it is not the millimetre, and whether the
    // values were converted by it.
    DrawingUnit unit;
    bool converted = false;
    // The table came from the written reader: for circles it missed or
    // arcs it took, the full reader is the remedy.
    bool writtenReader = false;
    bool Clean() const;
};

// How the table was read: the origin its reader subtracted, and where its
// reading stopped early, as a byte offset in the drawing.
struct TableReading {
    enum class Stop { None, FormatError, HoleLimit };
    int32_t originX = 0;  // micrometres
    int32_t originY = 0;
    Stop stop = Stop::None;
    size_t stopOffset = 0;
    double scale = 1000.0;  // micrometres per drawing unit (dxf_place.h)
};

// Circles with a radius of 1 um or more in the diameter range, each
// distinct (x, y, radius) counted once, by the reason of its first record.
// After a stop at the hole limit, what comes later is not counted: the
// limit has its own message.
DrawingCheck CheckHoleTable(const dxf::Drawing& drawing, std::span<const HoleRecord> table, const RadiusBounds& bounds,
                            const TableReading& reading);

// The operator's message for a check that is not clean, line by line as
// marked patterns; none for a clean one.
std::vector<MessageLine> DrawingCheckLines(const DrawingCheck& check);
// The same in the operator's language, lines joined by "\n"; empty for a clean one.
std::string DrawingCheckMessage(const DrawingCheck& check);

}  // namespace ks
