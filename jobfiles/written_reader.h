#pragma once
// The written DXF reader: a word scanner, not a DXF parser. Its two passes
// over the drawing's bytes: the header pass takes the UCS origin, the entity
// pass finds every circle record by its subclass marker, in the layout one
// family of writers uses. Each pass reads a drawing window by window
// (drawing_stream.h), so that it can go through the file beside the full
// reader; the converter holds the state the passes share.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

#include "jobfiles/drawing_stream.h"

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
    // The numbers they were taken from, in drawing units.
    double drawnX = 0.0;
    double drawnY = 0.0;
};

// Header pass: "$UCSORG" and the two numbers after it (each behind a word
// taken for its group code) up to the first "ENDSEC"; (0, 0) without one.
class WrittenHeaderPass {
public:
    explicit WrittenHeaderPass(WrittenNumbers& numbers) : m_numbers(numbers) {}
    // Reads the window from Resume() on; true once the pass is over.
    bool Feed(const DrawingWindow& window);
    bool Done() const { return m_done; }
    size_t Resume() const { return m_pos; }
    const WrittenOrigin& Origin() const { return m_origin; }

private:
    WrittenNumbers& m_numbers;
    WrittenOrigin m_origin;
    bool m_found = false;
    bool m_done = false;
    size_t m_pos = 0;
};

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
// end the pass there. Values in drawing units become micrometres times
// `scale` / 1000: 1000 takes them as millimetres, as the reader always did;
// any other scale converts, and a value within 1e-6 um of a whole
// micrometre counts as that micrometre.
class WrittenCirclePass {
public:
    WrittenCirclePass(const WrittenOrigin& origin, WrittenNumbers& numbers,
                      std::function<bool(const WrittenCircle&)> onCircle, double scale = 1000.0);
    bool Feed(const DrawingWindow& window);
    bool Done() const { return m_done; }
    size_t Resume() const { return m_pos; }
    const WrittenScan& Result() const { return m_result; }

private:
    enum class Record { Read, More, Broken, Ended, Stopped };
    Record ReadRecord(class WordScanner& in, bool last);
    int32_t Micrometres(double value, int32_t origin) const;

    WrittenOrigin m_origin;
    WrittenNumbers& m_numbers;
    std::function<bool(const WrittenCircle&)> m_onCircle;
    double m_scale;
    bool m_inEntities = false;
    bool m_inRecord = false;  // the last window ended inside a record
    bool m_done = false;
    size_t m_pos = 0;
    WrittenScan m_result;
};

// The passes over all of a drawing's bytes at once.
WrittenOrigin ReadWrittenOrigin(std::string_view bytes, WrittenNumbers& numbers);
WrittenScan ScanWrittenCircles(std::string_view bytes, WrittenOrigin origin, WrittenNumbers& numbers,
                               const std::function<bool(const WrittenCircle&)>& onCircle);

}  // namespace ks
