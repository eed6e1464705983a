#include "jobfiles/dxf_converter.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "jobfiles/word_scanner.h"
#include "platform/os.h"
#include "platform/textnum.h"

namespace ks {
namespace {

constexpr const char* kDxfOpenError = "DXF文件打开出错";
constexpr const char* kFileOpenError = "文件打开出错";
constexpr const char* kFormatError = "DXF文件格式有误";
constexpr const char* kTooManyHoles = "孔的个数超出范围，建议重新绘图";
constexpr const char* kCreateFailed = "创建记录文件失败！";
constexpr const char* kFileMissing = "文件不存在";

constexpr int32_t kCoordLimit = 1000000;

// Banner of an NC program. The Chinese words are GBK bytes: the file is a
// GBK text whatever the locale of the machine that writes it.
constexpr std::string_view kStarLine =
    "************************************************************\r\n";
// "********       穿孔机加工NC文件    Volmarek        *********"
constexpr std::string_view kTitleLine =
    "********       "
    "\xB4\xA9\xBF\xD7\xBB\xFA\xBC\xD3\xB9\xA4NC\xCE\xC4\xBC\xFE"
    "    Volmarek        *********\r\n";
constexpr std::string_view kTimeLead = "********    \xC9\xFA\xB3\xC9\xCA\xB1\xBC\xE4:";  // 生成时间:
constexpr std::string_view kYear = "\xC4\xEA";     // 年
constexpr std::string_view kMonth = "\xD4\xC2";    // 月
constexpr std::string_view kDay = "\xC8\xD5";      // 日
constexpr std::string_view kHour = "\xCA\xB1";     // 时
constexpr std::string_view kMinute = "\xB7\xD6";   // 分
constexpr std::string_view kSecond = "\xC3\xEB";   // 秒
constexpr std::string_view kTimeTail = "    *********\r\n";

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

std::string TwoDigits(int value) {
    std::string s = FormatInt(value);
    return s.size() < 2 ? "0" + s : s;
}

uint32_t HashPosition(int32_t x, int32_t y, int32_t r) {
    uint64_t h = static_cast<uint32_t>(x);
    h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(y);
    h = h * 0x9E3779B97F4A7C15ull ^ static_cast<uint32_t>(r);
    h *= 0x9E3779B97F4A7C15ull;
    return static_cast<uint32_t>(h >> 32);
}

std::tm CurrentLocalTime() { return LocalCalendarTime(std::time(nullptr)); }

}  // namespace

int32_t RowKeyOf(int32_t y) { return y >= 0 ? 999 - y / 1000 : 1000 - y / 1000; }

std::string NcBaseNameOf(const std::string& dxfPath) {
    const size_t slash = LastPathSeparator(dxfPath);
    const size_t dot = dxfPath.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    return dxfPath.substr(start, dot - start);
}

DxfConverter::DxfConverter(MessageSink& sink) : m_sink(sink), m_localTime(CurrentLocalTime) {
    m_index.fill(-1);
}

DxfConverter::~DxfConverter() {
    if (m_ncFile != nullptr) std::fclose(m_ncFile);
}

void DxfConverter::ConvertDxf() {
    ClearHoleTable();
    ReadDxfHeader();
    ReadDxfCircles();
    OrderHoles();
    CreateNcFile();
    WriteNcProgram();
    m_holeCount = 0;
}

void DxfConverter::ClearHoleTable() {
    m_holeCount = 0;
    m_writeCount = 0;
    m_ucsOriginX = 0;
    m_ucsOriginY = 0;
    m_lastAccepted = 0;
    m_circleX = m_circleY = m_circleR = 0.0;
    m_circleXum = m_circleYum = m_circleRum = 0;
    m_holes.fill(HoleRecord{});
    m_compact.fill(HoleRecord{});
    m_index.fill(-1);
}

void DxfConverter::ReadDxfHeader() {
    FileBytes file;
    if (!file.Open(m_dxfPath)) {
        m_sink.ShowMessage(kDxfOpenError);
        return;
    }
    WordScanner in(file.Bytes());
    bool found = false;
    for (;;) {
        const int key = in.SkipToKey(kHeaderKeys);
        if (key < 0) break;
        if (key == 1) {  // ENDSEC
            if (!found) m_ucsOriginX = m_ucsOriginY = 0;
            break;
        }
        // $UCSORG 10 x 20 y: the codes are passed over unchecked, the Z
        // value is left to the scan.
        std::string_view code;
        in.ReadWord(code);
        ReadNumber(in, m_circleX);
        m_ucsOriginX = TruncToInt32(m_circleX * 1000.0);
        in.ReadWord(code);
        ReadNumber(in, m_circleY);
        m_ucsOriginY = TruncToInt32(m_circleY * 1000.0);
        found = true;
    }
}

void DxfConverter::ReadDxfCircles() {
    FileBytes file;
    if (!file.Open(m_dxfPath)) {
        m_sink.ShowMessage(kFileOpenError);
        m_writeCount = 0;
        return;
    }
    // Nothing can change the diameter texts while a pass runs.
    m_minRadiusBound = AtofRule(m_diaMinText) * 500.0;
    m_maxRadiusBound = AtofRule(m_diaMaxText) * 500.0;
    m_boundsFixed = true;

    WordScanner in(file.Bytes());
    if (in.SkipToKey(kSectionKeys) == 0) {
        std::string_view word;
        for (;;) {
            if (in.SkipToKey(kEntityKeys) != 0) break;  // ENDSEC or end of file
            // Circle record: 10 x 20 y 30 z 40 r, strictly in this order.
            // A code missing at the end of the file breaks the record as
            // well; a value missing there ends the pass without the circle.
            if (!in.ReadWord(word) || word != "10") {
                m_sink.ShowMessage(kFormatError);
                break;
            }
            if (!ReadNumber(in, m_circleX)) break;
            m_circleXum = TruncToInt32(m_circleX * 1000.0 - m_ucsOriginX);
            if (!in.ReadWord(word) || word != "20") {
                m_sink.ShowMessage(kFormatError);
                break;
            }
            if (!ReadNumber(in, m_circleY)) break;
            m_circleYum = TruncToInt32(m_circleY * 1000.0 - m_ucsOriginY);
            in.ReadWord(word);
            in.ReadWord(word);
            if (!in.ReadWord(word) || word != "40") {
                m_sink.ShowMessage(kFormatError);
                break;
            }
            if (!ReadNumber(in, m_circleR)) break;
            m_circleRum = TruncToInt32(m_circleR * 1000.0);
            // Extrusion direction (0, 0, -1): the circle was drawn mirrored.
            for (int i = 0; i < 20; ++i) {
                if (!in.ReadWord(word)) break;
                if (word == "230") {
                    std::string_view value;
                    if (in.ReadWord(value) && value == "-1.0") {
                        m_circleXum = TruncToInt32(m_circleX * -1000.0 - m_ucsOriginX);
                    }
                } else if (word == "CIRCLE") {
                    break;
                }
            }
            AcceptCircle();
            if (m_lastAccepted == 1 && m_holeCount >= kConversionSlots) {
                m_sink.ShowMessage(kTooManyHoles);
                break;
            }
        }
    }
    m_boundsFixed = false;
    m_writeCount = m_holeCount;
}

bool DxfConverter::IsRepeated(int32_t x, int32_t y, int32_t r) const {
    for (uint32_t cell = HashPosition(x, y, r) & (kIndexCells - 1);; cell = (cell + 1) & (kIndexCells - 1)) {
        const int32_t entry = m_index[cell];
        if (entry < 0) return false;
        const HoleRecord& h = m_holes[static_cast<size_t>(entry)];
        if (h.x == x && h.y == y && h.radius == r) return true;
    }
}

void DxfConverter::RememberEntry(int index) {
    const HoleRecord& h = m_holes[static_cast<size_t>(index)];
    uint32_t cell = HashPosition(h.x, h.y, h.radius) & (kIndexCells - 1);
    while (m_index[cell] >= 0) cell = (cell + 1) & (kIndexCells - 1);
    m_index[cell] = index;
}

void DxfConverter::AcceptCircle() {
    if (!m_boundsFixed) {
        m_minRadiusBound = AtofRule(m_diaMinText) * 500.0;
        m_maxRadiusBound = AtofRule(m_diaMaxText) * 500.0;
    }
    const int32_t x = m_circleXum;
    const int32_t y = m_circleYum;
    const int32_t r = m_circleRum;
    const double radius = r;
    const bool sizeOk = m_minRadiusBound <= radius && radius <= m_maxRadiusBound;
    const bool placeOk = x > -kCoordLimit && x < kCoordLimit && y > -kCoordLimit && y < kCoordLimit;
    if (!sizeOk || !placeOk || m_holeCount >= kConversionSlots || IsRepeated(x, y, r)) {
        m_lastAccepted = 0;
        return;
    }
    m_holes[static_cast<size_t>(m_holeCount)] = HoleRecord{x, y, r, RowKeyOf(y)};
    RememberEntry(m_holeCount);
    ++m_holeCount;
    m_lastAccepted = 1;
}

void DxfConverter::OrderHoles() {
    const auto first = m_holes.begin();
    const auto last = first + std::clamp(m_writeCount, 0, kConversionSlots);
    // Stable sorts throughout: ties keep the order of the drawing file.
    std::stable_sort(first, last,
                     [](const HoleRecord& a, const HoleRecord& b) { return a.rowKey < b.rowKey; });
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
    const int n = static_cast<int>(last - first);
    m_compact[0] = m_holes[0];
    int kept = 1;
    for (int i = 1; i < n; ++i) {
        const HoleRecord& h = m_holes[static_cast<size_t>(i)];
        const HoleRecord& prev = m_holes[static_cast<size_t>(i - 1)];
        if (h.x == prev.x && h.y == prev.y) continue;
        m_compact[static_cast<size_t>(kept++)] = h;
    }
    std::copy(m_compact.begin(), m_compact.begin() + kept, m_holes.begin());
    for (int i = kept; i < n; ++i) {
        HoleRecord& h = m_holes[static_cast<size_t>(i)];
        h.x = h.y = h.radius = 0;
    }
}

void DxfConverter::CreateNcFile() {
    m_writtenPath.clear();
    if (m_ncFile != nullptr) {
        std::fclose(m_ncFile);
        m_ncFile = nullptr;
    }
    // Create the folder and every folder above it; most exist already.
    for (size_t i = 1; i < m_ncFolder.size(); ++i) {
        if (IsPathSeparator(m_ncFolder[i])) MakeFolder(m_ncFolder.substr(0, i + 1));
    }
    if (!m_ncFolder.empty()) MakeFolder(m_ncFolder);
    // A folder that cannot be entered must not send the program elsewhere.
    if (!IsEnterableFolder(m_ncFolder)) {
        m_sink.ShowMessage(kCreateFailed);
        return;
    }
    const std::string prefix = JoinPath(m_ncFolder, m_ncBaseName);

    std::string path;
    for (int k = 0; k <= 99; ++k) {
        path = prefix + TwoDigits(k) + ".NC";
        if (!PathExists(path)) break;
    }  // all taken: the last one, 99, is replaced
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
    const std::tm t = m_localTime();
    std::string out;
    out.reserve(400 + static_cast<size_t>(std::max(m_writeCount, 0)) * 48);
    out += kStarLine;
    out += kTitleLine;
    out += kTimeLead;
    out += FormatInt(t.tm_year + 1900L);
    out += kYear;
    out += TwoDigits(t.tm_mon + 1);
    out += kMonth;
    out += TwoDigits(t.tm_mday);
    out += kDay;
    out += TwoDigits(t.tm_hour);
    out += kHour;
    out += TwoDigits(t.tm_min);
    out += kMinute;
    out += TwoDigits(t.tm_sec);
    out += kSecond;
    out += kTimeTail;
    out += kStarLine;
    out += "START\r\n";
    const int n = std::clamp(m_writeCount, 0, kConversionSlots);
    for (int i = 0; i < n; ++i) {
        const HoleRecord& h = m_holes[static_cast<size_t>(i)];
        // Emptied entries, and circles below one micrometre, keep their number unused.
        if (h.radius <= 0) continue;
        out += 'N';
        out += FormatInt(i + 1);
        out += "  X";
        out += FormatInt(h.x);
        out += "  Y";
        out += FormatInt(h.y);
        out += "   R";
        out += FormatInt(h.radius);
        out += "\r\n";
    }
    out += "STOP";
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
