#include "jobfiles/written_reader.h"

#include <string>
#include <vector>

#include "jobfiles/hole_table.h"
#include "jobfiles/word_scanner.h"
#include "platform/textnum.h"

namespace ks {
namespace {

// Key words of the two passes, each with a byte pair seldom met elsewhere
// in a drawing ("bC" is in no other AcDb marker, "DS" in no other word).
const std::vector<WordScanner::Key> kHeaderKeys{{"$UCSORG", 3}, {"ENDSEC", 2}};
const std::vector<WordScanner::Key> kSectionKeys{{"ENTITIES", 2}};
const std::vector<WordScanner::Key> kEntityKeys{{"AcDbCircle", 3}, {"ENDSEC", 2}};

// Reads a number word: the leading numeric part of the next word. A word
// that does not start with a number leaves `value` as it was. False when
// no word is left.
bool ReadNumber(WordScanner& in, double& value) {
    std::string_view word;
    if (!in.ReadWord(word)) return false;
    size_t consumed = 0;
    double v = AtofPrefix(word, &consumed);
    if (consumed > 0) value = v;
    return true;
}

// A window's words from an offset of the file on. A window ends after a
// line feed, so no word is cut at its end; words that a window does not
// finish are read again from the next.
WordScanner ScannerFrom(const DrawingWindow& w, size_t offset) {
    WordScanner in(w.bytes);
    in.Seek(offset - w.base);
    return in;
}

}  // namespace

bool WrittenHeaderPass::Feed(const DrawingWindow& w) {
    if (m_done) return true;
    WordScanner in = ScannerFrom(w, m_pos);
    for (;;) {
        const size_t before = w.base + in.Offset();
        const int key = in.SkipToKey(kHeaderKeys);
        if (key < 0) break;
        if (key == 1) {  // ENDSEC
            if (!m_found) m_origin = WrittenOrigin{};
            m_done = true;
            return true;
        }
        // $UCSORG 10 x 20 y: the codes are passed over unchecked, the Z
        // value is left to the scan. All four words, or read again later.
        const size_t keyEnd = w.base + in.Offset();
        std::string_view code;
        const bool whole = in.ReadWord(code) && in.ReadWord(code) && in.ReadWord(code) && in.ReadWord(code);
        if (!whole && !w.last) {
            m_pos = before;
            return false;
        }
        in = ScannerFrom(w, keyEnd);
        in.ReadWord(code);
        ReadNumber(in, m_numbers.x);
        m_origin.drawnX = m_numbers.x;
        m_origin.x = TruncToInt32(m_numbers.x * 1000.0);
        in.ReadWord(code);
        ReadNumber(in, m_numbers.y);
        m_origin.drawnY = m_numbers.y;
        m_origin.y = TruncToInt32(m_numbers.y * 1000.0);
        m_found = true;
    }
    m_pos = w.End();
    m_done = w.last;
    return m_done;
}

WrittenCirclePass::WrittenCirclePass(const WrittenOrigin& origin, WrittenNumbers& numbers,
                                     std::function<bool(const WrittenCircle&)> onCircle, double scale)
    : m_origin(origin), m_numbers(numbers), m_onCircle(std::move(onCircle)), m_scale(scale) {
    if (m_scale != 1000.0) {
        m_origin.x = Micrometres(origin.drawnX, 0);
        m_origin.y = Micrometres(origin.drawnY, 0);
    }
}

int32_t WrittenCirclePass::Micrometres(double value, int32_t origin) const {
    return WholeMicrometres(value * m_scale - origin, m_scale != 1000.0);
}

bool WrittenCirclePass::Feed(const DrawingWindow& w) {
    if (m_done) return true;
    WordScanner in = ScannerFrom(w, m_pos);
    const auto end = [&](WrittenEnd how) {
        m_result = WrittenScan{how, w.base + in.Offset()};
        m_done = true;
        return true;
    };
    if (!m_inEntities) {
        if (in.SkipToKey(kSectionKeys) != 0) {
            if (w.last) return end(WrittenEnd::NoEntities);
            m_pos = w.End();
            return false;
        }
        m_inEntities = true;
    }
    for (;;) {
        if (!m_inRecord) {
            const int key = in.SkipToKey(kEntityKeys);
            if (key != 0) {  // ENDSEC or the end of the bytes
                if (key == 1 || w.last) return end(WrittenEnd::SectionEnd);
                m_pos = w.End();
                return false;
            }
        }
        m_inRecord = false;
        const size_t start = w.base + in.Offset();
        // A record the window cuts is read again from its first word; each
        // number goes into its own slot from the same word again.
        switch (ReadRecord(in, w.last)) {
            case Record::Read: break;
            case Record::More:
                m_inRecord = true;
                m_pos = start;
                return false;
            case Record::Broken: return end(WrittenEnd::FormatError);
            case Record::Ended: return end(WrittenEnd::SectionEnd);
            case Record::Stopped: return end(WrittenEnd::Stopped);
        }
    }
}

// Circle record: 10 x 20 y 30 z 40 r, strictly in this order. A code
// missing at the end of the file breaks the record as well; a value missing
// there ends the pass without the circle. More: the window ends before the
// record and its extrusion scan do.
WrittenCirclePass::Record WrittenCirclePass::ReadRecord(WordScanner& in, bool last) {
    std::string_view word;
    const auto code = [&](std::string_view want) {
        if (in.ReadWord(word)) return word == want ? Record::Read : Record::Broken;
        return last ? Record::Broken : Record::More;
    };
    const auto number = [&](double& value) {
        if (ReadNumber(in, value)) return Record::Read;
        return last ? Record::Ended : Record::More;
    };
    WrittenCircle c;
    Record r = code("10");
    if (r == Record::Read) r = number(m_numbers.x);
    if (r != Record::Read) return r;
    c.x = Micrometres(m_numbers.x, m_origin.x);
    if ((r = code("20")) == Record::Read) r = number(m_numbers.y);
    if (r != Record::Read) return r;
    c.y = Micrometres(m_numbers.y, m_origin.y);
    in.ReadWord(word);
    in.ReadWord(word);
    if ((r = code("40")) == Record::Read) r = number(m_numbers.r);
    if (r != Record::Read) return r;
    c.r = Micrometres(m_numbers.r, 0);
    // Extrusion direction (0, 0, -1): the circle was drawn mirrored.
    for (int i = 0; i < 20; ++i) {
        if (!in.ReadWord(word)) {
            if (!last) return Record::More;
            break;
        }
        if (word == "230") {
            std::string_view value;
            if (!in.ReadWord(value) && !last) return Record::More;
            if (value == "-1.0") c.x = Micrometres(-m_numbers.x, m_origin.x);
        } else if (word == "CIRCLE") {
            break;
        }
    }
    return m_onCircle(c) ? Record::Read : Record::Stopped;
}

WrittenOrigin ReadWrittenOrigin(std::string_view bytes, WrittenNumbers& numbers) {
    WrittenHeaderPass pass(numbers);
    pass.Feed(DrawingWindow{bytes, 0, true});
    return pass.Origin();
}

WrittenScan ScanWrittenCircles(std::string_view bytes, WrittenOrigin origin, WrittenNumbers& numbers,
                               const std::function<bool(const WrittenCircle&)>& onCircle) {
    WrittenCirclePass pass(origin, numbers, onCircle);
    pass.Feed(DrawingWindow{bytes, 0, true});
    return pass.Result();
}

}  // namespace ks
