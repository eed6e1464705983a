#include "jobfiles/written_reader.h"

#include <string>
#include <vector>

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

}  // namespace

WrittenOrigin ReadWrittenOrigin(std::string_view bytes, WrittenNumbers& numbers) {
    WrittenOrigin origin;
    WordScanner in(bytes);
    bool found = false;
    for (;;) {
        const int key = in.SkipToKey(kHeaderKeys);
        if (key < 0) break;
        if (key == 1) {  // ENDSEC
            if (!found) origin = WrittenOrigin{};
            break;
        }
        // $UCSORG 10 x 20 y: the codes are passed over unchecked, the Z
        // value is left to the scan.
        std::string_view code;
        in.ReadWord(code);
        ReadNumber(in, numbers.x);
        origin.x = TruncToInt32(numbers.x * 1000.0);
        in.ReadWord(code);
        ReadNumber(in, numbers.y);
        origin.y = TruncToInt32(numbers.y * 1000.0);
        found = true;
    }
    return origin;
}

WrittenScan ScanWrittenCircles(std::string_view bytes, WrittenOrigin origin, WrittenNumbers& numbers,
                               const std::function<bool(const WrittenCircle&)>& onCircle) {
    WordScanner in(bytes);
    auto ended = [&in](WrittenEnd end) { return WrittenScan{end, in.Offset()}; };
    if (in.SkipToKey(kSectionKeys) != 0) return ended(WrittenEnd::NoEntities);
    std::string_view word;
    for (;;) {
        if (in.SkipToKey(kEntityKeys) != 0) return ended(WrittenEnd::SectionEnd);  // ENDSEC or end of file
        // Circle record: 10 x 20 y 30 z 40 r, strictly in this order. A code
        // missing at the end of the file breaks the record as well; a value
        // missing there ends the pass without the circle.
        WrittenCircle c;
        if (!in.ReadWord(word) || word != "10") return ended(WrittenEnd::FormatError);
        if (!ReadNumber(in, numbers.x)) return ended(WrittenEnd::SectionEnd);
        c.x = TruncToInt32(numbers.x * 1000.0 - origin.x);
        if (!in.ReadWord(word) || word != "20") return ended(WrittenEnd::FormatError);
        if (!ReadNumber(in, numbers.y)) return ended(WrittenEnd::SectionEnd);
        c.y = TruncToInt32(numbers.y * 1000.0 - origin.y);
        in.ReadWord(word);
        in.ReadWord(word);
        if (!in.ReadWord(word) || word != "40") return ended(WrittenEnd::FormatError);
        if (!ReadNumber(in, numbers.r)) return ended(WrittenEnd::SectionEnd);
        c.r = TruncToInt32(numbers.r * 1000.0);
        // Extrusion direction (0, 0, -1): the circle was drawn mirrored.
        for (int i = 0; i < 20; ++i) {
            if (!in.ReadWord(word)) break;
            if (word == "230") {
                std::string_view value;
                if (in.ReadWord(value) && value == "-1.0") c.x = TruncToInt32(numbers.x * -1000.0 - origin.x);
            } else if (word == "CIRCLE") {
                break;
            }
        }
        if (!onCircle(c)) return ended(WrittenEnd::Stopped);
    }
}

}  // namespace ks
