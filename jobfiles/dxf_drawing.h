#pragma once
// A DXF drawing read the way the format defines it: group code and value on
// lines of their own, sections, entity records whose groups may come in any
// order and leave out the optional ones, both the older layout and the one
// with subclass markers, block definitions and the INSERTs that place them.
// Kept is what a hole program needs (circles, arcs, inserts, blocks, the UCS
// origin); every other record is passed over.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jobfiles/drawing_stream.h"

namespace ks::dxf {

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

enum class EntityKind : uint8_t { Circle, Arc, Insert };

// How a circle record is laid out, which is what a word scanner depends on.
inline constexpr uint8_t kHasCircleMarker = 1;  // a "100" "AcDbCircle" group
inline constexpr uint8_t kScannerLayout = 2;    // after it: 10, 20, any one group, 40

struct Entity {
    EntityKind kind = EntityKind::Circle;
    uint8_t layout = 0;                // circles and arcs
    Vec3 point;                        // centre, or insertion point; object coordinates
    double radius = 0.0;
    Vec3 extrusion{0.0, 0.0, 1.0};
    int32_t block = -1;                // INSERT: index into Drawing::blocks, -1 when undefined
    Vec3 scale{1.0, 1.0, 1.0};
    double rotation = 0.0;             // degrees
    int32_t columns = 1;
    int32_t rows = 1;
    double columnSpacing = 0.0;
    double rowSpacing = 0.0;
    // Where the record is in the file: at its circle marker when it has
    // one (what a word scanner reaches), else at its start.
    size_t offset = 0;
};

struct Block {
    std::string name;
    Vec3 base;
    std::vector<Entity> entities;  // circles and inserts, in file order
};

enum class ReadStatus {
    Ok,
    NotDxf,    // no section at all (or a binary DXF): nothing read
    Damaged,   // the format breaks somewhere; what came before it is kept
    TooLarge,  // more records than kMaxRecords; the first ones are kept
};

// What is wrong with the file, when something is (the first fault found).
enum class Fault : uint8_t {
    None,
    Empty,      // no bytes at all
    Binary,     // a binary DXF
    NoSection,  // bytes, but no section of a drawing
    EndsEarly,  // the bytes end inside a section or a record, or before "0 EOF"
    BadGroup,   // a code that is no number, a value that should be one, "EOF" inside a section
};

// Circles, arcs, inserts and blocks kept at the most, whatever the file's size.
inline constexpr size_t kMaxRecords = 1000000;

struct Drawing {
    Vec3 ucsOrigin;             // "$UCSORG" of the header section
    // "$INSUNITS" and "$MEASUREMENT" of a header before the entity section;
    // -1 when it has none.
    int32_t insUnits = -1;
    int32_t measurement = -1;
    std::vector<Entity> model;  // model space records of the entity section, in file order
    std::vector<Block> blocks;
    ReadStatus status = ReadStatus::NotDxf;
    Fault fault = Fault::None;
    size_t damageOffset = 0;    // where the first fault is
};

// Reads a drawing window by window (drawing_stream.h), pair by pair; the
// records that nothing keeps are passed over without being read. Never
// throws; any bytes end in one of the statuses above.
class DrawingReader {
public:
    explicit DrawingReader(Drawing& out);
    ~DrawingReader();
    DrawingReader(const DrawingReader&) = delete;
    DrawingReader& operator=(const DrawingReader&) = delete;

    // Reads on from Resume() to the end of the window (which must hold
    // that offset); the last window finishes the drawing.
    void Feed(const DrawingWindow& window);
    bool Done() const;
    // Where reading goes on: the bytes from here on are still needed.
    size_t Resume() const;
    // The header's units are known: its section is over, the entity
    // section has begun, or the drawing is read.
    bool PastHeader() const;

private:
    class Machine;
    std::unique_ptr<Machine> m_machine;
};

// The whole drawing from its bytes, as one window.
ReadStatus ReadDrawing(std::string_view bytes, Drawing& out);

}  // namespace ks::dxf
