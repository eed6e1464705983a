#include "jobfiles/dxf_converter.h"

#include <algorithm>
#include <optional>
#include <span>

#include "jobfiles/drawing_stream.h"
#include "jobfiles/dxf_place.h"
#include "platform/os.h"
#include "platform/texts.h"
#include "platform/textnum.h"

namespace ks {
namespace {

constexpr const char* kDxfOpenError = KS_TEXT("jobfiles", "DXF文件打开出错");
constexpr const char* kFileOpenError = KS_TEXT("jobfiles", "文件打开出错");
constexpr const char* kFormatError = KS_TEXT("jobfiles", "DXF文件格式有误");
constexpr const char* kTooManyHoles = KS_TEXT("jobfiles", "孔的个数超出范围，建议重新绘图");
constexpr const char* kCreateFailed = KS_TEXT("jobfiles", "创建记录文件失败！");
constexpr const char* kFileMissing = KS_TEXT("jobfiles", "文件不存在");

std::tm CurrentLocalTime() { return LocalCalendarTime(std::time(nullptr)); }

// Hands the stream's windows to `feed`, which reads what it can of each and
// returns the offset from which it needs the bytes again, or nothing when
// it needs no more. False (errno set) when the file cannot be read.
template <class Feed>
bool Pump(DrawingStream& stream, Feed feed) {
    for (;;) {
        const DrawingWindow& w = stream.Window();
        const std::optional<size_t> keep = feed(w);
        if (!keep || w.last) return true;
        if (!stream.Advance(*keep)) return false;
    }
}

}  // namespace

DxfReaderKind DxfReaderKindOf(std::string_view text) {
    return IsWordAnyCase(text, "full") ? DxfReaderKind::Full : DxfReaderKind::Written;
}

DxfConverter::DxfConverter(MessageSink& sink) : m_sink(sink), m_localTime(CurrentLocalTime) {}

DxfConverter::~DxfConverter() {
    if (m_ncFile != nullptr) std::fclose(m_ncFile);
}

void DxfConverter::ConvertDxf() {
    ClearHoleTable();
    if (m_reader == DxfReaderKind::Full) {
        ReadDxfFull();
    } else {
        ReadDxfWritten();
    }
    OrderHoles();
    CreateNcFile();
    WriteNcProgram();
    m_holeCount = 0;
    if (!m_checkLines.empty()) m_sink.ShowMessageLines(m_checkLines);
    m_checkLines.clear();
}

void DxfConverter::ClearHoleTable() {
    m_holeCount = 0;
    m_writeCount = 0;
    m_ucsOriginX = 0;
    m_ucsOriginY = 0;
    m_lastAccepted = 0;
    m_numbers = WrittenNumbers{};
    m_circleXum = m_circleYum = m_circleRum = 0;
    m_holes.fill(HoleRecord{});
    m_compact.fill(HoleRecord{});
    m_index.Clear();
    m_writtenScan = WrittenScan{};
    m_checkLines.clear();
}

// A file that fails part way through is not read at all: no job is taken
// from part of a file.
void DxfConverter::ForgetTable() {
    m_holeCount = 0;
    m_writeCount = 0;
    m_holes.fill(HoleRecord{});
    m_index.Clear();
}

void DxfConverter::ReadDxfHeader() {
    DrawingStream stream(m_windowSize);
    WrittenHeaderPass pass(m_numbers);
    const WrittenNumbers numbers = m_numbers;
    const bool read = stream.Open(m_dxfPath) && Pump(stream, [&](const DrawingWindow& w) {
                          return pass.Feed(w) ? std::nullopt : std::optional<size_t>(pass.Resume());
                      });
    if (!read) {
        m_numbers = numbers;
        m_sink.ShowMessage(kDxfOpenError);
        return;
    }
    m_ucsOriginX = pass.Origin().x;
    m_ucsOriginY = pass.Origin().y;
}

void DxfConverter::ReadDxfCircles() {
    DrawingStream stream(m_windowSize);
    // Nothing can change the diameter texts while a pass runs.
    m_bounds = RadiusBoundsOf(m_diaMinText, m_diaMaxText);
    m_boundsFixed = true;
    WrittenOrigin origin;
    origin.x = m_ucsOriginX;
    origin.y = m_ucsOriginY;
    WrittenCirclePass pass(origin, m_numbers, [this](const WrittenCircle& c) { return AcceptWritten(c); });
    const bool read = stream.Open(m_dxfPath) && Pump(stream, [&](const DrawingWindow& w) {
                          return pass.Feed(w) ? std::nullopt : std::optional<size_t>(pass.Resume());
                      });
    m_boundsFixed = false;
    if (!read) {
        ForgetTable();
        m_sink.ShowMessage(kFileOpenError);
        m_writtenScan = WrittenScan{WrittenEnd::NoEntities, 0};
        return;
    }
    m_writtenScan = pass.Result();
    if (m_writtenScan.end == WrittenEnd::FormatError) m_sink.ShowMessage(kFormatError);
    if (m_writtenScan.end == WrittenEnd::Stopped) m_sink.ShowMessage(kTooManyHoles);
    m_writeCount = m_holeCount;
}

bool DxfConverter::AcceptWritten(const WrittenCircle& c) {
    m_circleXum = c.x;
    m_circleYum = c.y;
    m_circleRum = c.r;
    AcceptCircle();
    return !(m_lastAccepted == 1 && m_holeCount >= kConversionSlots);
}

// The header pass, then the circle pass from the start of the file once the
// origin and the drawing's unit are known (in a drawing, a few kilobytes
// in), and the full reader all the way, window by window; each window is
// read from the file once. The messages come in the written order after
// the reading: the written passes' own, then the check's.
void DxfConverter::ReadDxfWritten() {
    DrawingStream stream(m_windowSize);
    WrittenHeaderPass header(m_numbers);
    std::optional<WrittenCirclePass> circles;
    dxf::Drawing drawing;
    dxf::DrawingReader full(drawing);
    double scale = 1000.0;
    m_bounds = RadiusBoundsOf(m_diaMinText, m_diaMaxText);
    m_boundsFixed = true;
    const bool read = stream.Open(m_dxfPath) && Pump(stream, [&](const DrawingWindow& w) -> std::optional<size_t> {
        header.Feed(w);
        full.Feed(w);
        if (!circles && header.Done() && full.PastHeader()) {
            scale = MicrometresPerUnit(m_units, UnitOf(drawing));
            circles.emplace(header.Origin(), m_numbers, [this](const WrittenCircle& c) { return AcceptWritten(c); },
                            scale);
        }
        if (circles) circles->Feed(w);
        if (full.Done() && circles && circles->Done()) return std::nullopt;
        size_t keep = full.Done() ? w.End() : full.Resume();
        if (!header.Done()) keep = std::min(keep, header.Resume());
        if (!circles) keep = 0;  // the circle pass starts at the beginning
        if (circles && !circles->Done()) keep = std::min(keep, circles->Resume());
        return keep;
    });
    m_boundsFixed = false;
    if (!read) {
        ForgetTable();
        m_sink.ShowMessage(kDxfOpenError);
        m_sink.ShowMessage(kFileOpenError);
        return;
    }
    m_ucsOriginX = dxf::OriginMicrometres(header.Origin().drawnX, scale);
    m_ucsOriginY = dxf::OriginMicrometres(header.Origin().drawnY, scale);
    m_writtenScan = circles->Result();
    if (m_writtenScan.end == WrittenEnd::FormatError) m_sink.ShowMessage(kFormatError);
    if (m_writtenScan.end == WrittenEnd::Stopped) m_sink.ShowMessage(kTooManyHoles);
    m_writeCount = m_holeCount;

    TableReading reading{m_ucsOriginX, m_ucsOriginY, TableReading::Stop::None, m_writtenScan.offset, scale};
    if (m_writtenScan.end == WrittenEnd::FormatError) reading.stop = TableReading::Stop::FormatError;
    if (m_writtenScan.end == WrittenEnd::Stopped) reading.stop = TableReading::Stop::HoleLimit;
    CheckAgainstDrawing(drawing, reading);
}

void DxfConverter::ReadDxfFull() {
    DrawingStream stream(m_windowSize);
    dxf::Drawing drawing;
    dxf::DrawingReader reader(drawing);
    const bool read = stream.Open(m_dxfPath) && Pump(stream, [&](const DrawingWindow& w) {
                          reader.Feed(w);
                          return reader.Done() ? std::nullopt : std::optional<size_t>(reader.Resume());
                      });
    if (!read) {
        m_sink.ShowMessage(kDxfOpenError);
        m_writeCount = 0;
        return;
    }
    const DrawingUnit unit = UnitOf(drawing);
    const double scale = MicrometresPerUnit(m_units, unit);
    m_ucsOriginX = dxf::OriginMicrometres(drawing.ucsOrigin.x, scale);
    m_ucsOriginY = dxf::OriginMicrometres(drawing.ucsOrigin.y, scale);
    m_bounds = RadiusBoundsOf(m_diaMinText, m_diaMaxText);
    m_boundsFixed = true;
    const dxf::PlaceEnd end = dxf::PlaceModelCircles(drawing, [&](const dxf::PlacedCircle& c) {
        const dxf::PlacedMicrometres um = dxf::ToMicrometres(c, m_ucsOriginX, m_ucsOriginY, scale);
        m_circleXum = um.x;
        m_circleYum = um.y;
        m_circleRum = um.r;
        AcceptCircle();
        return !(m_lastAccepted == 1 && m_holeCount >= kConversionSlots);
    });
    m_boundsFixed = false;
    m_writeCount = m_holeCount;
    if (drawing.status == dxf::ReadStatus::NotDxf || drawing.status == dxf::ReadStatus::Damaged) {
        m_sink.ShowMessage(kFormatError);
    }
    // What the window or the size of the drawing kept out (after the hole
    // limit, which has its own message, nothing is counted), and the unit.
    DrawingCheck check;
    if (end == dxf::PlaceEnd::Stopped) {
        m_sink.ShowMessage(kTooManyHoles);
    } else {
        check = CheckHoleTable(drawing, std::span(m_holes).first(static_cast<size_t>(m_holeCount)),
                               RadiusBoundsOf(m_diaMinText, m_diaMaxText),
                               TableReading{m_ucsOriginX, m_ucsOriginY, TableReading::Stop::None, 0, scale});
    }
    check.unit = unit;
    check.converted = m_units == DxfUnits::Drawing;
    m_checkLines = DrawingCheckLines(check);
}

void DxfConverter::CheckAgainstDrawing(const dxf::Drawing& drawing, const TableReading& reading) {
    DrawingCheck check;
    // What is not a drawing at all gives nothing to compare with.
    if (drawing.status != dxf::ReadStatus::NotDxf) {
        check = CheckHoleTable(drawing, std::span(m_holes).first(static_cast<size_t>(m_holeCount)),
                               RadiusBoundsOf(m_diaMinText, m_diaMaxText), reading);
    }
    check.fault = drawing.fault;
    check.writtenReader = true;
    check.unit = UnitOf(drawing);
    check.converted = m_units == DxfUnits::Drawing;
    m_checkLines = DrawingCheckLines(check);
}

void DxfConverter::AcceptCircle() {
    if (!m_boundsFixed) m_bounds = RadiusBoundsOf(m_diaMinText, m_diaMaxText);
    m_lastAccepted = AcceptHole(m_holes, m_holeCount, m_index, m_bounds, m_circleXum, m_circleYum, m_circleRum) ? 1 : 0;
}

void DxfConverter::OrderHoles() {
    const size_t n = static_cast<size_t>(std::clamp(m_writeCount, 0, kConversionSlots));
    OrderHoleTable(std::span(m_holes).first(n), m_compact);
}

void DxfConverter::CreateNcFile() {
    m_writtenPath.clear();
    if (m_ncFile != nullptr) {
        std::fclose(m_ncFile);
        m_ncFile = nullptr;
    }
    if (!PrepareNcFolder(m_ncFolder)) {
        m_sink.ShowMessage(kCreateFailed);
        return;
    }
    const std::string path = FreeNcFileName(m_ncFolder, m_ncBaseName);
    m_ncFile = std::fopen(path.c_str(), "wb");
    if (m_ncFile == nullptr) {
        m_sink.ShowMessage(kCreateFailed);
        return;
    }
    if (!PathExists(path)) m_sink.ShowMessage(kFileMissing);
    m_writtenPath = path;
}

// Emptied entries and circles below a micrometre are not written.
int32_t DxfConverter::WrittenHoles() const {
    if (m_writtenPath.empty()) return 0;
    const size_t n = static_cast<size_t>(std::clamp(m_writeCount, 0, kConversionSlots));
    return static_cast<int32_t>(
        std::count_if(m_holes.begin(), m_holes.begin() + n, [](const HoleRecord& h) { return h.radius > 0; }));
}

void DxfConverter::WriteNcProgram() {
    if (m_ncFile == nullptr) return;
    const size_t n = static_cast<size_t>(std::clamp(m_writeCount, 0, kConversionSlots));
    const std::string out = FormatNcProgram(std::span(m_holes).first(n), m_localTime());
    const bool written = std::fwrite(out.data(), 1, out.size(), m_ncFile) == out.size();
    const bool closed = std::fclose(m_ncFile) == 0;
    m_ncFile = nullptr;
    if (!written || !closed) {
        // A cut-short program must not be taken for a job (a full disk).
        std::remove(m_writtenPath.c_str());
        m_writtenPath.clear();
        m_sink.ShowMessage(kCreateFailed);
    }
}

}  // namespace ks
