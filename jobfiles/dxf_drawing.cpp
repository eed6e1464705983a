#include "jobfiles/dxf_drawing.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <utility>

namespace ks::dxf {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Whole values only, in the C locale: "1,5" or "12abc" are not numbers, and
// neither are inf and nan, which no drawing means as a coordinate.
bool ParseDouble(std::string_view text, double& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double v = 0.0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

bool ParseInt(std::string_view text, int32_t& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int32_t v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
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

// The pairs of an ASCII drawing: a line with the group code, a line with
// the value (CR LF or LF).
class Groups {
public:
    explicit Groups(std::string_view bytes)
        : m_begin(bytes.data()), m_p(bytes.data()), m_end(bytes.data() + bytes.size()) {}

    // Moves to the next pair. False at the end of the bytes, and for good
    // at a code line that is not a number or a code without its value
    // (Broken(): nothing after such a line can be paired reliably).
    bool Next() {
        if (m_broken || m_p >= m_end) return false;
        offset = static_cast<size_t>(m_p - m_begin);
        const std::string_view codeText = Trim(Line());
        int32_t c = 0;
        if (!ParseInt(codeText, c) || m_p >= m_end) {
            m_broken = true;
            return false;
        }
        code = c;
        value = Trim(Line());
        return true;
    }
    bool Broken() const { return m_broken; }

    int32_t code = 0;
    std::string_view value;
    size_t offset = 0;  // of the code line

private:
    std::string_view Line() {
        const void* nl = std::memchr(m_p, '\n', static_cast<size_t>(m_end - m_p));
        const char* stop = nl != nullptr ? static_cast<const char*>(nl) : m_end;
        const std::string_view line(m_p, static_cast<size_t>(stop - m_p));
        m_p = nl != nullptr ? stop + 1 : m_end;
        return line;
    }

    const char* m_begin;
    const char* m_p;
    const char* m_end;
    bool m_broken = false;
};

enum class SectionEnd { Endsec, Stop };

class Reader {
public:
    Reader(std::string_view bytes, Drawing& out) : m_in(bytes), m_out(out) {}

    ReadStatus Run() {
        bool more = m_in.Next();
        while (more && !m_stop) {
            if (m_in.code == 0 && m_in.value == "EOF") break;
            if (m_in.code == 0 && m_in.value == "SECTION") {
                m_sawSection = true;
                more = Section();
            } else {
                more = m_in.Next();
            }
        }
        if (m_in.Broken()) Damage(m_in.offset);
        ResolveBlocks();
        if (!m_sawSection) return ReadStatus::NotDxf;
        if (m_tooLarge) return ReadStatus::TooLarge;
        return m_damaged ? ReadStatus::Damaged : ReadStatus::Ok;
    }

private:
    void Damage(size_t at) {
        if (!m_damaged) m_out.damageOffset = at;
        m_damaged = true;
    }

    // On "0 SECTION": the name, the body, and the pair after its ENDSEC.
    bool Section() {
        if (!m_in.Next()) {
            Damage(m_in.offset);
            return false;
        }
        const std::string_view name = m_in.code == 2 ? m_in.value : std::string_view();
        if (name == "HEADER") {
            if (Header() == SectionEnd::Stop) return false;
        } else if (name == "ENTITIES" || name == "BLOCKS") {
            if (Records(name == "BLOCKS") == SectionEnd::Stop) return false;
        } else if (Skip() == SectionEnd::Stop) {
            return false;
        }
        return m_in.Next();
    }

    // A code-0 pair that ends the section, or the file: true when it does.
    bool EndsSection(SectionEnd& end) {
        if (m_in.code != 0) return false;
        if (m_in.value == "ENDSEC") {
            end = SectionEnd::Endsec;
            return true;
        }
        if (m_in.value == "EOF") {  // the section was never closed
            Damage(m_in.offset);
            end = SectionEnd::Stop;
            return true;
        }
        return false;
    }

    SectionEnd Truncated() {
        Damage(m_in.offset);
        return SectionEnd::Stop;
    }

    SectionEnd Skip() {
        SectionEnd end{};
        while (m_in.Next()) {
            if (EndsSection(end)) return end;
        }
        return Truncated();
    }

    SectionEnd Header() {
        SectionEnd end{};
        bool ucs = false;
        while (m_in.Next()) {
            if (EndsSection(end)) return end;
            if (m_in.code == 9) {
                ucs = m_in.value == "$UCSORG";
            } else if (ucs && (m_in.code == 10 || m_in.code == 20 || m_in.code == 30)) {
                Vec3& o = m_out.ucsOrigin;
                Number(m_in.code == 10 ? o.x : m_in.code == 20 ? o.y : o.z);
            }
        }
        return Truncated();
    }

    // The records of the entity or the block section. Every record runs
    // from its code-0 pair to the next one.
    SectionEnd Records(bool blocks) {
        SectionEnd end{};
        int32_t block = -1;  // the block being defined
        bool more = m_in.Next();
        while (more) {
            if (m_in.code != 0) {  // pairs before the first record
                more = m_in.Next();
                continue;
            }
            if (EndsSection(end)) return end;
            const std::string_view type = m_in.value;
            const size_t start = m_in.offset;
            if (blocks && type == "BLOCK") {
                if (!Count()) return SectionEnd::Stop;
                m_out.blocks.push_back(Block{});
                block = static_cast<int32_t>(m_out.blocks.size() - 1);
                more = BlockHead(m_out.blocks.back());
            } else if (blocks && type == "ENDBLK") {
                block = -1;
                more = SkipRecord();
            } else if (type == "CIRCLE" || type == "ARC" || type == "INSERT") {
                Entity e;
                e.kind = type == "CIRCLE" ? EntityKind::Circle : type == "ARC" ? EntityKind::Arc : EntityKind::Insert;
                e.offset = start;
                std::string name;
                bool paperSpace = false;
                bool readable = true;
                more = Record(e, name, paperSpace, readable);
                // In a block the INSERT that places it decides the space. A
                // record the bytes end in may have lost groups or digits.
                const bool keep = more && readable && (blocks ? block >= 0 && e.kind != EntityKind::Arc : !paperSpace);
                if (keep) Keep(std::move(e), std::move(name), block);
                if (m_stop) return SectionEnd::Stop;
            } else {
                more = SkipRecord();
            }
        }
        return Truncated();
    }

    bool SkipRecord() {
        while (m_in.Next()) {
            if (m_in.code == 0) return true;
        }
        return false;
    }

    bool BlockHead(Block& b) {
        while (m_in.Next()) {
            switch (m_in.code) {
                case 0: return true;
                case 2: b.name = std::string(m_in.value); break;
                case 10: Number(b.base.x); break;
                case 20: Number(b.base.y); break;
                case 30: Number(b.base.z); break;
                default: break;
            }
        }
        return false;
    }

    // The groups of a circle, arc or insert record, up to the next record
    // (true when there is one). A value that is not a number makes the
    // record unreadable: it would otherwise stand as 0.
    bool Record(Entity& e, std::string& blockName, bool& paperSpace, bool& readable) {
        int afterMarker = -1;  // groups seen since the circle marker
        bool centreFirst = false;
        bool next = false;
        while ((next = m_in.Next())) {
            const int32_t code = m_in.code;
            if (code == 0) break;
            if (afterMarker >= 0) {
                if (afterMarker == 0) centreFirst = code == 10;
                if (afterMarker == 1) centreFirst = centreFirst && code == 20;
                if (afterMarker == 3 && centreFirst && code == 40) e.layout |= kScannerLayout;
                ++afterMarker;
            }
            double* target = nullptr;
            int32_t* count = nullptr;
            switch (code) {
                case 2: blockName = std::string(m_in.value); break;
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
                    if (ParseInt(m_in.value, space) && space != 0) paperSpace = true;
                    break;
                }
                case 100:
                    if (afterMarker < 0 && m_in.value == "AcDbCircle") {
                        afterMarker = 0;
                        e.layout |= kHasCircleMarker;
                        e.offset = m_in.offset;
                    }
                    break;
                default: break;
            }
            const bool bad = (target != nullptr && !ParseDouble(m_in.value, *target)) ||
                             (count != nullptr && e.kind == EntityKind::Insert && !ParseInt(m_in.value, *count));
            if (bad && readable) {
                Damage(m_in.offset);
                readable = false;
            }
        }
        return next;
    }

    void Number(double& target) {
        if (!ParseDouble(m_in.value, target)) Damage(m_in.offset);
    }

    // Counts one more record kept; false (and reading stops) past the limit.
    bool Count() {
        if (++m_records <= kMaxRecords) return true;
        m_tooLarge = true;
        m_stop = true;
        return false;
    }

    void Keep(Entity&& e, std::string&& blockName, int32_t block) {
        if (!Count()) return;
        std::vector<Entity>& list = block >= 0 ? m_out.blocks[static_cast<size_t>(block)].entities : m_out.model;
        if (e.kind == EntityKind::Insert) {
            m_names.push_back({block, list.size(), std::move(blockName)});
        }
        list.push_back(std::move(e));
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

    Groups m_in;
    Drawing& m_out;
    std::vector<InsertName> m_names;
    size_t m_records = 0;
    bool m_sawSection = false;
    bool m_damaged = false;
    bool m_tooLarge = false;
    bool m_stop = false;
};

}  // namespace

ReadStatus ReadDrawing(std::string_view bytes, Drawing& out) {
    out = Drawing{};
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);  // a UTF-8 mark some writers put first
    if (bytes.substr(0, 18) == "AutoCAD Binary DXF") {
        out.status = ReadStatus::NotDxf;
        return out.status;
    }
    Reader reader(bytes, out);
    out.status = reader.Run();
    return out.status;
}

}  // namespace ks::dxf
