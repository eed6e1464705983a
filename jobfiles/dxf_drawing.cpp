#include "jobfiles/dxf_drawing.h"

#include <charconv>
#include <cmath>
#include <unordered_map>
#include <utility>

#include "jobfiles/dxf_pairs.h"
#include "platform/textnum.h"

namespace ks::dxf {
namespace {

// Whole values only, in the C locale: "1,5" or "12abc" are not numbers, and
// neither are inf and nan, which no drawing means as a coordinate.
bool ParseDouble(std::string_view text, double& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const bool minus = !text.empty() && text.front() == '-';
    if (ExactDecimal(text.substr(minus ? 1 : 0), out)) {
        if (minus) out = -out;
        return true;
    }
    double v = 0.0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return u;
}

// The values of code-0 pairs that passing over records stops at: what
// begins or ends a section, and the records that are kept.
bool StopsSkipping(std::string_view v) {
    switch (v.size()) {
        case 3: return v == "EOF" || v == "ARC";
        case 5: return v == "BLOCK";
        case 6: return v == "ENDSEC" || v == "ENDBLK" || v == "CIRCLE" || v == "INSERT";
        case 7: return v == "SECTION";
        default: return false;
    }
}

// A list of records that reaches the first size gets room for the second
// at once: pages never written are never taken, and growing step by step
// would copy all that was kept, over and over.
constexpr size_t kRecordsBeforeRoom = 1024;
constexpr size_t kRecordRoom = size_t{1} << 14;

constexpr std::string_view kBinarySentinel = "AutoCAD Binary DXF";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";  // some writers put it first

}  // namespace

// The reading as a machine that takes one pair at a time, so that it can
// stop at the end of any window and go on with the next. Every record runs
// from its code-0 pair to the next one.
class DrawingReader::Machine {
public:
    explicit Machine(Drawing& out) : m_out(out) { m_out = Drawing{}; }

    void Feed(const DrawingWindow& w) {
        if (m_at == At::Over) return;
        if (!m_started && !Start(w)) return;
        PairScanner in(w.bytes, w.base, m_pos, w.last);
        for (;;) {
            Pair pair;
            const PairScanner::Step step = Skipping() ? in.SkipTo(pair, &StopsSkipping) : in.Next(pair);
            m_pos = in.Offset();
            if (step == PairScanner::Step::More) return;
            if (step == PairScanner::Step::Broken) Damage(m_pos, in.BrokenAtEnd() ? Fault::EndsEarly : Fault::BadGroup);
            if (step != PairScanner::Step::Pair) {
                Finish(w.End());
                return;
            }
            Handle(pair);
            if (m_at == At::Over) {
                Finish(w.End());
                return;
            }
        }
    }

    bool Done() const { return m_at == At::Over; }
    size_t Resume() const { return m_pos; }
    bool PastHeader() const { return m_pastHeader; }

private:
    enum class At : uint8_t {
        Top,           // between sections
        SectionName,   // the pair after "0 SECTION"
        Header,
        OtherSection,  // passed over
        Records,       // the entity or the block section, between records
        BlockHead,     // the groups of a BLOCK record
        Record,        // a circle, arc or insert
        OtherRecord,   // passed over
        Over,
    };
    enum class Variable : uint8_t { None, UcsOrigin, InsUnits, Measurement };

    bool Skipping() const {
        return m_at == At::Top || m_at == At::OtherSection || m_at == At::Records || m_at == At::OtherRecord;
    }

    // The first bytes: a mark to pass over, or a binary drawing.
    bool Start(const DrawingWindow& w) {
        if (w.bytes.size() < kBinarySentinel.size() && !w.last) return false;
        m_started = true;
        if (w.bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) m_pos = kUtf8Mark.size();
        if (w.bytes.substr(m_pos, kBinarySentinel.size()) == kBinarySentinel) {
            m_out.fault = Fault::Binary;
            Finish(w.End());
            return false;
        }
        return true;
    }

    void Damage(size_t at, Fault fault) {
        if (m_out.fault != Fault::None) return;
        m_out.damageOffset = at;
        m_out.fault = fault;
    }

    void Handle(const Pair& p) {
        switch (m_at) {
            case At::Top:
                if (p.code != 0) break;
                if (p.value == "EOF") {
                    m_sawEof = true;
                    m_at = At::Over;
                } else if (p.value == "SECTION") {
                    m_sawSection = true;
                    m_at = At::SectionName;
                }
                break;
            case At::SectionName: {
                const std::string_view name = p.code == 2 ? p.value : std::string_view();
                m_variable = Variable::None;
                m_inBlocks = name == "BLOCKS";
                m_block = -1;
                m_at = name == "HEADER" ? At::Header : name == "ENTITIES" || m_inBlocks ? At::Records : At::OtherSection;
                if (name == "ENTITIES") m_pastHeader = true;
                break;
            }
            case At::Header: Header(p); break;
            case At::OtherSection: EndsSection(p); break;
            case At::Records: RecordStart(p); break;
            case At::BlockHead:
                if (p.code == 0) {
                    RecordStart(p);
                } else {
                    BlockField(p);
                }
                break;
            case At::Record:
                if (p.code == 0) {
                    RecordEnd();
                    if (m_at != At::Over) RecordStart(p);
                } else {
                    RecordField(p);
                }
                break;
            case At::OtherRecord: RecordStart(p); break;
            case At::Over: break;
        }
    }

    // A code-0 pair that ends the section, or the file: true when it does.
    bool EndsSection(const Pair& p) {
        if (p.code != 0) return false;
        if (p.value == "ENDSEC") {
            if (m_at == At::Header) m_pastHeader = true;
            m_at = At::Top;
            return true;
        }
        if (p.value == "EOF") {  // the section was never closed
            Damage(p.offset, Fault::BadGroup);
            m_at = At::Over;
            return true;
        }
        return false;
    }

    void Header(const Pair& p) {
        if (EndsSection(p)) return;
        if (p.code == 9) {
            m_variable = p.value == "$UCSORG"       ? Variable::UcsOrigin
                         : p.value == "$INSUNITS"   ? Variable::InsUnits
                         : p.value == "$MEASUREMENT" ? Variable::Measurement
                                                     : Variable::None;
        } else if (m_variable == Variable::UcsOrigin && (p.code == 10 || p.code == 20 || p.code == 30)) {
            Vec3& o = m_out.ucsOrigin;
            Number(p, p.code == 10 ? o.x : p.code == 20 ? o.y : o.z);
        } else if ((m_variable == Variable::InsUnits || m_variable == Variable::Measurement) && p.code == 70 &&
                   !m_pastHeader) {
            int32_t& target = m_variable == Variable::InsUnits ? m_out.insUnits : m_out.measurement;
            if (!ParseCode(p.value, target)) Damage(p.offset, Fault::BadGroup);
        }
    }

    // At a code-0 pair in the entity or the block section.
    void RecordStart(const Pair& p) {
        m_at = At::Records;
        if (p.code != 0 || EndsSection(p)) return;
        const std::string_view type = p.value;
        if (m_inBlocks && type == "BLOCK") {
            if (!Count()) return;
            m_out.blocks.push_back(Block{});
            m_block = static_cast<int32_t>(m_out.blocks.size() - 1);
            m_at = At::BlockHead;
        } else if (m_inBlocks && type == "ENDBLK") {
            m_block = -1;
            m_at = At::OtherRecord;
        } else if (type == "CIRCLE" || type == "ARC" || type == "INSERT") {
            m_entity = Entity{};
            m_entity.kind = type == "CIRCLE" ? EntityKind::Circle : type == "ARC" ? EntityKind::Arc : EntityKind::Insert;
            m_entity.offset = p.offset;
            m_blockName.clear();
            m_paperSpace = false;
            m_readable = true;
            m_afterMarker = -1;
            m_centreFirst = false;
            m_at = At::Record;
        } else {
            m_at = At::OtherRecord;
        }
    }

    void BlockField(const Pair& p) {
        Block& b = m_out.blocks.back();
        switch (p.code) {
            case 2: b.name = std::string(p.value); break;
            case 10: Number(p, b.base.x); break;
            case 20: Number(p, b.base.y); break;
            case 30: Number(p, b.base.z); break;
            default: break;
        }
    }

    // A group of a circle, arc or insert. A value that is not a number
    // makes the record unreadable: it would otherwise stand as 0.
    void RecordField(const Pair& p) {
        Entity& e = m_entity;
        const int32_t code = p.code;
        if (m_afterMarker >= 0) {
            if (m_afterMarker == 0) m_centreFirst = code == 10;
            if (m_afterMarker == 1) m_centreFirst = m_centreFirst && code == 20;
            if (m_afterMarker == 3 && m_centreFirst && code == 40) e.layout |= kScannerLayout;
            ++m_afterMarker;
        }
        double* target = nullptr;
        int32_t* count = nullptr;
        switch (code) {
            case 2: m_blockName = std::string(p.value); break;
            case 10: target = &e.point.x; break;
            case 20: target = &e.point.y; break;
            case 30: target = &e.point.z; break;
            case 40: target = &e.radius; break;
            case 41: target = &e.scale.x; break;
            case 42: target = &e.scale.y; break;
            case 43: target = &e.scale.z; break;
            case 44: target = &e.columnSpacing; break;
            case 45: target = &e.rowSpacing; break;
            case 50: if (e.kind == EntityKind::Insert) target = &e.rotation; break;
            case 70: count = &e.columns; break;
            case 71: count = &e.rows; break;
            case 210: target = &e.extrusion.x; break;
            case 220: target = &e.extrusion.y; break;
            case 230: target = &e.extrusion.z; break;
            case 67: {
                int32_t space = 0;
                if (ParseCode(p.value, space) && space != 0) m_paperSpace = true;
                break;
            }
            case 100:
                if (m_afterMarker < 0 && p.value == "AcDbCircle") {
                    m_afterMarker = 0;
                    e.layout |= kHasCircleMarker;
                    e.offset = p.offset;
                }
                break;
            default: break;
        }
        const bool bad = (target != nullptr && !ParseDouble(p.value, *target)) ||
                         (count != nullptr && e.kind == EntityKind::Insert && !ParseCode(p.value, *count));
        if (bad && m_readable) {
            Damage(p.offset, Fault::BadGroup);
            m_readable = false;
        }
    }

    // At the code-0 pair after a record. In a block the INSERT that places
    // it decides the space.
    void RecordEnd() {
        const bool keep = m_readable && (m_inBlocks ? m_block >= 0 && m_entity.kind != EntityKind::Arc : !m_paperSpace);
        if (!keep || !Count()) return;
        std::vector<Entity>& list = m_block >= 0 ? m_out.blocks[static_cast<size_t>(m_block)].entities : m_out.model;
        if (m_entity.kind == EntityKind::Insert) m_names.push_back({m_block, list.size(), std::move(m_blockName)});
        if (list.size() == kRecordsBeforeRoom) list.reserve(kRecordRoom);
        list.push_back(m_entity);
    }

    void Number(const Pair& p, double& target) {
        if (!ParseDouble(p.value, target)) Damage(p.offset, Fault::BadGroup);
    }

    // Counts one more record kept; false (and reading stops) past the limit.
    bool Count() {
        if (++m_records <= kMaxRecords) return true;
        m_tooLarge = true;
        m_at = At::Over;
        return false;
    }

    // The bytes ended, or reading stopped.
    void Finish(size_t end) {
        // Ending anywhere but between sections, or there without the end
        // mark, is a file cut short; a record the bytes end in is dropped.
        const bool cut = m_at != At::Over && (m_at != At::Top || (m_sawSection && !m_sawEof));
        if (cut) Damage(end, Fault::EndsEarly);
        m_at = At::Over;
        m_pastHeader = true;
        ResolveBlocks();
        if (!m_sawSection) {
            if (m_out.fault != Fault::Binary) m_out.fault = end == 0 ? Fault::Empty : Fault::NoSection;
            m_out.status = ReadStatus::NotDxf;
        } else if (m_tooLarge) {
            m_out.status = ReadStatus::TooLarge;
        } else {
            m_out.status = m_out.fault != Fault::None ? ReadStatus::Damaged : ReadStatus::Ok;
        }
    }

    // Names to indices, as CAD programs match them: without regard to case;
    // of two definitions of one name the first counts.
    void ResolveBlocks() {
        std::unordered_map<std::string, int32_t> index;
        for (size_t i = 0; i < m_out.blocks.size(); ++i) index.emplace(Upper(m_out.blocks[i].name), static_cast<int32_t>(i));
        for (const InsertName& n : m_names) {
            std::vector<Entity>& list = n.block >= 0 ? m_out.blocks[static_cast<size_t>(n.block)].entities : m_out.model;
            const auto found = index.find(Upper(n.name));
            list[n.entity].block = found == index.end() ? -1 : found->second;
        }
    }

    struct InsertName {
        int32_t block;  // where the INSERT stands: -1 model space
        size_t entity;
        std::string name;
    };

    Drawing& m_out;
    At m_at = At::Top;
    size_t m_pos = 0;
    bool m_started = false;
    bool m_sawSection = false;
    bool m_sawEof = false;
    bool m_pastHeader = false;
    bool m_tooLarge = false;
    bool m_inBlocks = false;
    int32_t m_block = -1;  // the block being defined
    Variable m_variable = Variable::None;
    // The record being read.
    Entity m_entity;
    std::string m_blockName;
    bool m_paperSpace = false;
    bool m_readable = true;
    int m_afterMarker = -1;  // groups seen since the circle marker
    bool m_centreFirst = false;
    std::vector<InsertName> m_names;
    size_t m_records = 0;
};

DrawingReader::DrawingReader(Drawing& out) : m_machine(std::make_unique<Machine>(out)) {}
DrawingReader::~DrawingReader() = default;
void DrawingReader::Feed(const DrawingWindow& window) { m_machine->Feed(window); }
bool DrawingReader::Done() const { return m_machine->Done(); }
size_t DrawingReader::Resume() const { return m_machine->Resume(); }
bool DrawingReader::PastHeader() const { return m_machine->PastHeader(); }

ReadStatus ReadDrawing(std::string_view bytes, Drawing& out) {
    DrawingReader reader(out);
    reader.Feed(DrawingWindow{bytes, 0, true});
    return out.status;
}

}  // namespace ks::dxf
