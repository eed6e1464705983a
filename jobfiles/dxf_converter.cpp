#include "jobfiles/dxf_converter.h"

#include <algorithm>
#include <span>

#include "jobfiles/dxf_place.h"
#include "jobfiles/word_scanner.h"
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

bool IsBlankChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

DxfReaderKind DxfReaderKindOf(std::string_view text) {
    while (!text.empty() && IsBlankChar(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlankChar(text.back())) text.remove_suffix(1);
    if (text.size() != 4) return DxfReaderKind::Written;
    for (size_t i = 0; i < 4; ++i) {
        if ((text[i] | 0x20) != "full"[i]) return DxfReaderKind::Written;
    }
    return DxfReaderKind::Full;
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
        ReadDxfHeader();
        ReadDxfCircles();
        TableReading reading{m_ucsOriginX, m_ucsOriginY, TableReading::Stop::None, m_writtenScan.offset};
        if (m_writtenScan.end == WrittenEnd::FormatError) reading.stop = TableReading::Stop::FormatError;
        if (m_writtenScan.end == WrittenEnd::Stopped) reading.stop = TableReading::Stop::HoleLimit;
        CheckAgainstDrawing(reading);
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

void DxfConverter::ReadDxfHeader() {
    FileBytes file;
    if (!file.Open(m_dxfPath)) {
        m_sink.ShowMessage(kDxfOpenError);
        return;
    }
    const WrittenOrigin origin = ReadWrittenOrigin(file.Bytes(), m_numbers);
    m_ucsOriginX = origin.x;
    m_ucsOriginY = origin.y;
}

void DxfConverter::ReadDxfCircles() {
    FileBytes file;
    if (!file.Open(m_dxfPath)) {
        m_sink.ShowMessage(kFileOpenError);
        m_writeCount = 0;
        m_writtenScan = WrittenScan{WrittenEnd::NoEntities, 0};
        return;
    }
    // Nothing can change the diameter texts while a pass runs.
    m_bounds = RadiusBoundsOf(m_diaMinText, m_diaMaxText);
    m_boundsFixed = true;
    m_writtenScan = ScanWrittenCircles(file.Bytes(), WrittenOrigin{m_ucsOriginX, m_ucsOriginY}, m_numbers,
                                       [this](const WrittenCircle& c) {
                                           m_circleXum = c.x;
                                           m_circleYum = c.y;
                                           m_circleRum = c.r;
                                           AcceptCircle();
                                           return !(m_lastAccepted == 1 && m_holeCount >= kConversionSlots);
                                       });
    if (m_writtenScan.end == WrittenEnd::FormatError) m_sink.ShowMessage(kFormatError);
    if (m_writtenScan.end == WrittenEnd::Stopped) m_sink.ShowMessage(kTooManyHoles);
    m_boundsFixed = false;
    m_writeCount = m_holeCount;
}

void DxfConverter::ReadDxfFull() {
    FileBytes file;
    if (!file.Open(m_dxfPath)) {
        m_sink.ShowMessage(kDxfOpenError);
        m_writeCount = 0;
        return;
    }
    dxf::Drawing drawing;
    const dxf::ReadStatus status = dxf::ReadDrawing(file.Bytes(), drawing);
    m_ucsOriginX = TruncToInt32(drawing.ucsOrigin.x * 1000.0);
    m_ucsOriginY = TruncToInt32(drawing.ucsOrigin.y * 1000.0);
    m_bounds = RadiusBoundsOf(m_diaMinText, m_diaMaxText);
    m_boundsFixed = true;
    const dxf::PlaceEnd end = dxf::PlaceModelCircles(drawing, [this](const dxf::PlacedCircle& c) {
        const dxf::PlacedMicrometres um = dxf::ToMicrometres(c, m_ucsOriginX, m_ucsOriginY);
        m_circleXum = um.x;
        m_circleYum = um.y;
        m_circleRum = um.r;
        AcceptCircle();
        return !(m_lastAccepted == 1 && m_holeCount >= kConversionSlots);
    });
    m_boundsFixed = false;
    m_writeCount = m_holeCount;
    if (status == dxf::ReadStatus::NotDxf || status == dxf::ReadStatus::Damaged) m_sink.ShowMessage(kFormatError);
    if (end == dxf::PlaceEnd::Stopped) {
        m_sink.ShowMessage(kTooManyHoles);
        return;
    }
    // What the window or the size of the drawing kept out.
    const DrawingCheck check = CheckHoleTable(drawing, std::span(m_holes).first(static_cast<size_t>(m_holeCount)),
                                              RadiusBoundsOf(m_diaMinText, m_diaMaxText),
                                              TableReading{m_ucsOriginX, m_ucsOriginY, TableReading::Stop::None, 0});
    m_checkLines = DrawingCheckLines(check);
}

void DxfConverter::CheckAgainstDrawing(const TableReading& reading) {
    FileBytes file;
    if (!file.Open(m_dxfPath)) return;
    dxf::Drawing drawing;
    if (dxf::ReadDrawing(file.Bytes(), drawing) == dxf::ReadStatus::NotDxf) return;
    const DrawingCheck check = CheckHoleTable(drawing, std::span(m_holes).first(static_cast<size_t>(m_holeCount)),
                                              RadiusBoundsOf(m_diaMinText, m_diaMaxText), reading);
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
