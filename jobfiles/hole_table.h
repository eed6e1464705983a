#pragma once
// The conversion's hole table as plain data, and the two steps that work on
// it whatever reader filled it: the filter that appends a circle (diameter
// range, the +-1000 mm window, repetition, the 10001 limit) and the
// serpentine ordering with the removal of repeated positions.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace ks {

struct HoleRecord {
    int32_t x = 0;       // centre X in micrometres (origin shift, mirroring applied)
    int32_t y = 0;       // centre Y in micrometres (origin shift applied)
    int32_t radius = 0;  // micrometres
    int32_t rowKey = 0;  // 1 mm band of y; smaller = further up
};

inline constexpr int kConversionSlots = 10001;
using HoleTable = std::array<HoleRecord, kConversionSlots>;

// Centres must lie strictly inside +-1000 mm.
inline constexpr int32_t kCoordLimit = 1000000;
inline bool InsideWindow(int32_t x, int32_t y) {
    return x > -kCoordLimit && x < kCoordLimit && y > -kCoordLimit && y < kCoordLimit;
}

// A length in micrometres as the table holds it: truncated toward zero.
// One that went through a scale (a block's, a conversion of units) is first
// taken as the whole micrometre it lies within 1e-6 um of, so that rounding
// noise does not move a hole drawn on the micrometre (0.3 mm x 1.5 is
// 0.45 mm, not 0.449999...).
int32_t WholeMicrometres(double micrometres, bool scaled);

// Row band of a Y value: 999 for [0, 1) mm, 998 for [1, 2) mm, 1000 for
// (-1, 0) mm, 1001 for (-2, -1] mm, ...
int32_t RowKeyOf(int32_t y);

// The diameter range as bounds on the radius in micrometres: the two
// diameter texts (mm, read by the atof rule) times 500. Both included.
struct RadiusBounds {
    double min = 0.0;
    double max = 0.0;
    bool Contains(int32_t radius) const { return min <= radius && radius <= max; }
};
RadiusBounds RadiusBoundsOf(std::string_view diaMinText, std::string_view diaMaxText);

// The table's entries by (x, y, radius), for the repetition test: an
// open-addressed index of fixed size (twice the table) into the table.
class RepeatIndex {
public:
    RepeatIndex() { Clear(); }
    void Clear() { m_cells.fill(-1); }
    bool Contains(const HoleTable& table, int32_t x, int32_t y, int32_t r) const;
    void Add(const HoleTable& table, int32_t index);

private:
    static constexpr uint32_t kCells = 32768;
    std::array<int32_t, kCells> m_cells{};
};

// Appends (x, y, r) at table[count] when the radius is in bounds, the centre
// inside the window, the table not full and no entry holds the same three
// values; true when it was appended.
bool AcceptHole(HoleTable& table, int32_t& count, RepeatIndex& index, const RadiusBounds& bounds,
                int32_t x, int32_t y, int32_t r);

// Orders holes into the serpentine path (stable: ties keep the drawing's
// order), then keeps of each run of neighbours at one centre only the first,
// copying through scratch (at least as long as holes); the emptied entries
// at the end keep only their row key.
void OrderHoleTable(std::span<HoleRecord> holes, std::span<HoleRecord> scratch);

}  // namespace ks
