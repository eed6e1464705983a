#include "jobfiles/dxf_check.h"

#include <algorithm>
#include <string_view>
#include <tuple>
#include <vector>

#include "jobfiles/dxf_place.h"
#include "platform/texts.h"

namespace ks {
namespace {

// Every word of the check's message, in one place; "%1" stands for a count.
constexpr const char* kTitle = KS_TEXT("jobfiles", "图纸核对：NC文件与图纸中的圆不一致，加工前请核对图纸");
constexpr const char* kMissedHead = KS_TEXT("jobfiles", "未写入的圆：%1个");
constexpr std::array<const char*, kMissReasons> kMissedLines = {
    KS_TEXT("jobfiles", "　旧版DXF格式（无子类标记）：%1个"),
    KS_TEXT("jobfiles", "　缺少可选组码或组码顺序不同：%1个"),
    KS_TEXT("jobfiles", "　在块中（经块参照插入）：%1个"),
    KS_TEXT("jobfiles", "　圆心超出±1000mm：%1个"),
    KS_TEXT("jobfiles", "　格式错误之后未读：%1个"),
    KS_TEXT("jobfiles", "　其他原因：%1个"),
};
constexpr const char* kAddedHead = KS_TEXT("jobfiles", "多写入的孔：%1个");
constexpr std::array<const char*, kAddReasons> kAddedLines = {
    KS_TEXT("jobfiles", "　圆弧被当作孔：%1个"),
    KS_TEXT("jobfiles", "　其他：%1个"),
};
constexpr const char* kFullReader =
    KS_TEXT("jobfiles", "完整读取器可读入图纸中全部的圆：在设置文件中设DxfReader=full（命令行：--reader full）");
constexpr const char* kTooLarge = KS_TEXT("jobfiles", "图纸中的圆超过%1个（含块中的），其余未读入");
constexpr const char* kFaultTitle = KS_TEXT("jobfiles", "图纸核对：图纸文件有误，NC文件中的孔可能不全");
// By dxf::Fault, from Empty on.
constexpr std::array<const char*, 5> kFaultLines = {
    KS_TEXT("jobfiles", "图纸文件为空（0字节）"),
    KS_TEXT("jobfiles", "二进制DXF文件：请在CAD软件中另存为ASCII格式的DXF"),
    KS_TEXT("jobfiles", "文件不是DXF图纸（没有DXF的段）"),
    KS_TEXT("jobfiles", "图纸文件不完整：在结束标记（EOF）之前中断"),
    KS_TEXT("jobfiles", "DXF文件格式有误"),
};
constexpr const char* kUnitTitle = KS_TEXT("jobfiles", "图纸核对：图纸的单位不是毫米，请核对孔的位置和尺寸");
constexpr const char* kUnitKept = KS_TEXT("jobfiles", "图纸单位：%1（1%1=%2mm），坐标按毫米读入，未换算");
constexpr const char* kUnitConverted = KS_TEXT("jobfiles", "图纸单位：%1（1%1=%2mm），坐标已换算为毫米");

struct Triple {
    int32_t x, y, r;
    bool operator<(const Triple& o) const { return std::tie(x, y, r) < std::tie(o.x, o.y, o.r); }
    bool operator==(const Triple& o) const { return x == o.x && y == o.y && r == o.r; }
};

constexpr int kFound = -1;
constexpr int kUncounted = -2;

struct Seen {
    Triple t;
    int reason;  // a MissReason, kFound or kUncounted
};

int Classify(const dxf::PlacedCircle& c, const Triple& t, const TableReading& reading) {
    using Stop = TableReading::Stop;
    if (!InsideWindow(t.x, t.y)) return static_cast<int>(MissReason::OutsideWindow);
    if (c.inBlock) return static_cast<int>(MissReason::InBlock);
    if (!(c.layout & dxf::kHasCircleMarker)) return static_cast<int>(MissReason::OlderLayout);
    if (reading.stop != Stop::None && c.offset > reading.stopOffset) {
        return reading.stop == Stop::FormatError ? static_cast<int>(MissReason::AfterFormatError) : kUncounted;
    }
    if (!(c.layout & dxf::kScannerLayout)) return static_cast<int>(MissReason::OtherLayout);
    return static_cast<int>(MissReason::Other);
}

// Arcs as a word scanner takes them: centre in object coordinates, the
// X mirrored or not.
std::vector<Triple> ArcsAsCircles(const dxf::Drawing& drawing, const TableReading& reading) {
    std::vector<Triple> arcs;
    for (const dxf::Entity& e : drawing.model) {
        if (e.kind != dxf::EntityKind::Arc) continue;
        const bool scaled = reading.scale != 1000.0;
        const int32_t y = WholeMicrometres(e.point.y * reading.scale - reading.originY, scaled);
        const int32_t r = WholeMicrometres(e.radius * reading.scale, scaled);
        arcs.push_back({WholeMicrometres(e.point.x * reading.scale - reading.originX, scaled), y, r});
        arcs.push_back({WholeMicrometres(-e.point.x * reading.scale - reading.originX, scaled), y, r});
    }
    std::sort(arcs.begin(), arcs.end());
    return arcs;
}

}  // namespace

namespace {

bool CountsClean(const DrawingCheck& c) {
    const auto zero = [](int32_t n) { return n == 0; };
    return !c.tooLarge && std::all_of(c.missed.begin(), c.missed.end(), zero) &&
           std::all_of(c.added.begin(), c.added.end(), zero);
}

}  // namespace

bool DrawingCheck::Clean() const { return CountsClean(*this) && fault == dxf::Fault::None && unit.Millimetres(); }

DrawingCheck CheckHoleTable(const dxf::Drawing& drawing, std::span<const HoleRecord> table, const RadiusBounds& bounds,
                            const TableReading& reading) {
    DrawingCheck out;
    std::vector<Triple> written;
    written.reserve(table.size());
    for (const HoleRecord& h : table) {
        if (h.radius > 0) written.push_back({h.x, h.y, h.radius});
    }

    const int32_t ox = dxf::OriginMicrometres(drawing.ucsOrigin.x, reading.scale);
    const int32_t oy = dxf::OriginMicrometres(drawing.ucsOrigin.y, reading.scale);
    std::vector<Seen> seen;
    seen.reserve(written.size());
    const dxf::PlaceEnd end = dxf::PlaceModelCircles(drawing, [&](const dxf::PlacedCircle& c) {
        const dxf::PlacedMicrometres um = dxf::ToMicrometres(c, ox, oy, reading.scale);
        if (um.r <= 0 || !bounds.Contains(um.r)) return true;
        const Triple t{um.x, um.y, um.r};
        seen.push_back({t, Classify(c, t, reading)});
        return true;
    });
    out.tooLarge = end == dxf::PlaceEnd::TooMany || drawing.status == dxf::ReadStatus::TooLarge;
    // Mostly the table holds the drawing's circles one for one, in the
    // drawing's order: then nothing is missing and nothing added.
    const auto sameCircle = [](const Seen& s, const Triple& t) { return s.t == t; };
    if (std::equal(seen.begin(), seen.end(), written.begin(), written.end(), sameCircle)) return out;

    std::sort(written.begin(), written.end());
    for (Seen& s : seen) {
        if (std::binary_search(written.begin(), written.end(), s.t)) s.reason = kFound;
    }

    // Each position once, with the reason of its first record.
    std::stable_sort(seen.begin(), seen.end(), [](const Seen& a, const Seen& b) { return a.t < b.t; });
    for (size_t i = 0; i < seen.size(); ++i) {
        if (i > 0 && seen[i].t == seen[i - 1].t) continue;
        if (seen[i].reason >= 0) ++out.missed[static_cast<size_t>(seen[i].reason)];
    }
    // A part of the drawing that was not read cannot tell what is extra,
    // nor can a record that the bytes end in, which the full reader drops.
    if (out.tooLarge || drawing.fault == dxf::Fault::EndsEarly) return out;
    const std::vector<Triple> arcs = ArcsAsCircles(drawing, reading);
    const auto before = [](const Seen& s, const Triple& t) { return s.t < t; };
    for (const Triple& w : written) {
        const auto at = std::lower_bound(seen.begin(), seen.end(), w, before);
        if (at != seen.end() && at->t == w) continue;
        const bool arc = std::binary_search(arcs.begin(), arcs.end(), w);
        ++out.added[static_cast<size_t>(arc ? AddReason::Arc : AddReason::Other)];
    }
    return out;
}

std::vector<MessageLine> DrawingCheckLines(const DrawingCheck& check) {
    std::vector<MessageLine> lines;
    if (check.Clean()) return lines;
    const bool fault = check.fault != dxf::Fault::None;
    lines.push_back({fault ? kFaultTitle : !CountsClean(check) ? kTitle : kUnitTitle, {}});
    if (fault) lines.push_back({kFaultLines[static_cast<size_t>(check.fault) - static_cast<size_t>(dxf::Fault::Empty)], {}});
    const auto section = [&lines](const char* head, std::span<const char* const> reasons,
                                  std::span<const int32_t> counts) {
        int64_t total = 0;
        for (int32_t n : counts) total += n;
        if (total == 0) return;
        lines.push_back({head, total});
        for (size_t i = 0; i < counts.size(); ++i) {
            if (counts[i] > 0) lines.push_back({reasons[i], counts[i]});
        }
    };
    section(kMissedHead, kMissedLines, check.missed);
    section(kAddedHead, kAddedLines, check.added);
    if (check.tooLarge) lines.push_back({kTooLarge, static_cast<int64_t>(dxf::kMaxPlacements)});
    if (check.writtenReader && !CountsClean(check)) lines.push_back({kFullReader, {}});
    if (!check.unit.Millimetres()) {
        lines.push_back({check.converted ? kUnitConverted : kUnitKept, {}, check.unit.name, check.unit.FactorText()});
    }
    return lines;
}

std::string DrawingCheckMessage(const DrawingCheck& check) { return ComposeMessage(DrawingCheckLines(check)); }

}  // namespace ks
