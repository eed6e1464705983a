#include "jobfiles/hole_table.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/textnum.h"

namespace ks {
namespace {

uint32_t HashPosition(int32_t x, int32_t y, int32_t r) {
    uint64_t h = static_cast<uint32_t>(x);
    h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(y);
    h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(r);
    h *= 0x9E3779B97F4A7C15ull;
    return static_cast<uint32_t>(h >> 32);
}

}  // namespace

int32_t WholeMicrometres(double micrometres, bool scaled) {
    if (scaled) {
        const double whole = std::nearbyint(micrometres);
        if (std::fabs(micrometres - whole) < 1e-6) micrometres = whole;
    }
    return TruncToInt32(micrometres);
}

int32_t RowKeyOf(int32_t y) { return y >= 0 ? 999 - y / 1000 : 1000 - y / 1000; }

RadiusBounds RadiusBoundsOf(std::string_view diaMinText, std::string_view diaMaxText) {
    return {AtofRule(diaMinText) * 500.0, AtofRule(diaMaxText) * 500.0};
}

bool RepeatIndex::Contains(const HoleTable& table, int32_t x, int32_t y, int32_t r) const {
    for (uint32_t cell = HashPosition(x, y, r) & (kCells - 1);; cell = (cell + 1) & (kCells - 1)) {
        const int32_t entry = m_cells[cell];
        if (entry < 0) return false;
        const HoleRecord& h = table[static_cast<size_t>(entry)];
        if (h.x == x && h.y == y && h.radius == r) return true;
    }
}

void RepeatIndex::Add(const HoleTable& table, int32_t index) {
    const HoleRecord& h = table[static_cast<size_t>(index)];
    uint32_t cell = HashPosition(h.x, h.y, h.radius) & (kCells - 1);
    while (m_cells[cell] >= 0) cell = (cell + 1) & (kCells - 1);
    m_cells[cell] = index;
}

bool AcceptHole(HoleTable& table, int32_t& count, RepeatIndex& index, const RadiusBounds& bounds,
                int32_t x, int32_t y, int32_t r) {
    if (!bounds.Contains(r) || !InsideWindow(x, y) || count < 0 || count >= kConversionSlots ||
        index.Contains(table, x, y, r)) {
        return false;
    }
    table[static_cast<size_t>(count)] = HoleRecord{x, y, r, RowKeyOf(y)};
    index.Add(table, count);
    ++count;
    return true;
}

namespace {

// Rows this far apart at the most are counted into place rather than
// sorted: the window holds 2001 of them.
constexpr int64_t kCountedRows = 4096;

// Stable by row key: counted through scratch when the keys lie close
// together, as the keys of holes in the window do.
void SortByRow(std::span<HoleRecord> holes, std::span<HoleRecord> scratch) {
    const auto byRow = [](const HoleRecord& a, const HoleRecord& b) { return a.rowKey < b.rowKey; };
    if (holes.empty()) return;
    const auto [low, high] = std::minmax_element(holes.begin(), holes.end(), byRow);
    const int32_t base = low->rowKey;
    const int64_t rows = int64_t{high->rowKey} - base + 1;
    if (rows > kCountedRows || scratch.size() < holes.size()) {
        std::stable_sort(holes.begin(), holes.end(), byRow);
        return;
    }
    std::vector<size_t> next(static_cast<size_t>(rows) + 1, 0);
    for (const HoleRecord& h : holes) ++next[static_cast<size_t>(h.rowKey - base) + 1];
    for (size_t i = 1; i < next.size(); ++i) next[i] += next[i - 1];
    for (const HoleRecord& h : holes) scratch[next[static_cast<size_t>(h.rowKey - base)]++] = h;
    std::copy(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(holes.size()), holes.begin());
}

}  // namespace

void OrderHoleTable(std::span<HoleRecord> holes, std::span<HoleRecord> scratch) {
    const auto first = holes.begin();
    const auto last = holes.end();
    // Stable throughout: ties keep the order of the drawing file.
    SortByRow(holes, scratch);
    bool leftToRight = true;
    for (auto row = first; row != last;) {
        auto rowEnd = row;
        while (rowEnd != last && rowEnd->rowKey == row->rowKey) ++rowEnd;
        if (leftToRight) {
            std::stable_sort(row, rowEnd, [](const HoleRecord& a, const HoleRecord& b) { return a.x < b.x; });
        } else {
            std::stable_sort(row, rowEnd, [](const HoleRecord& a, const HoleRecord& b) { return a.x > b.x; });
        }
        leftToRight = !leftToRight;
        row = rowEnd;
    }

    // Remove repeated positions: of neighbours at one centre the first in
    // the path stays, whatever their radii.
    const size_t n = holes.size();
    if (n == 0 || scratch.size() < n) return;
    scratch[0] = holes[0];
    size_t kept = 1;
    for (size_t i = 1; i < n; ++i) {
        if (holes[i].x == holes[i - 1].x && holes[i].y == holes[i - 1].y) continue;
        scratch[kept++] = holes[i];
    }
    std::copy(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(kept), holes.begin());
    for (size_t i = kept; i < n; ++i) holes[i].x = holes[i].y = holes[i].radius = 0;
}

}  // namespace ks
