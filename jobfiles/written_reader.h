#pragma once
// The written DXF reader: a word scanner, not a DXF parser. Its two passes
// over the drawing's bytes: the header pass takes the UCS origin, the entity
// pass finds every circle record by its subclass marker, in the layout one
// family of writers uses. Plain functions; the converter holds the state.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace ks {

// The numbers as the scanner read them last (mm). A number word that is not
// a number leaves the one before it in place, and that holds across the two
// passes: a circle's broken X takes the last number the header pass read.
struct WrittenNumbers {
    double x = 0.0;
    double y = 0.0;
    double r = 0.0;
};

struct WrittenOrigin {
    int32_t x = 0;  // micrometres
    int32_t y = 0;
};

// Header pass: "$UCSORG" and the two numbers after it (each behind a word
// taken for its group code) up to the first "ENDSEC"; (0, 0) without one.
WrittenOrigin ReadWrittenOrigin(std::string_view bytes, WrittenNumbers& numbers);

// A circle record as converted: whole micrometres, origin subtracted, X
// mirrored when the extrusion scan met "230" "-1.0".
struct WrittenCircle {
    int32_t x = 0;
    int32_t y = 0;
    int32_t r = 0;
};

enum class WrittenEnd {
    NoEntities,   // no "ENTITIES" word
    SectionEnd,   // "ENDSEC", or the end of the bytes
    FormatError,  // a record broke the 10 / 20 / 40 order
    Stopped,      // the caller asked to stop
};

struct WrittenScan {
    WrittenEnd end = WrittenEnd::NoEntities;
    size_t offset = 0;  // bytes consumed when the pass ended
};

// Entity pass. onCircle sees every record read whole and returns false to
// end the pass there.
WrittenScan ScanWrittenCircles(std::string_view bytes, WrittenOrigin origin, WrittenNumbers& numbers,
                               const std::function<bool(const WrittenCircle&)>& onCircle);

}  // namespace ks
