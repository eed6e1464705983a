#include "jobfiles/nc_program.h"

#include <string_view>

#include "platform/os.h"
#include "platform/textnum.h"

namespace ks {
namespace {

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

std::string TwoDigits(int value) {
    std::string s = FormatInt(value);
    return s.size() < 2 ? "0" + s : s;
}

}  // namespace

std::string FormatNcProgram(std::span<const HoleRecord> holes, const std::tm& t) {
    std::string out;
    out.reserve(400 + holes.size() * 48);
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
    for (size_t i = 0; i < holes.size(); ++i) {
        const HoleRecord& h = holes[i];
        // Emptied entries, and circles below one micrometre, keep their number unused.
        if (h.radius <= 0) continue;
        out += 'N';
        out += FormatInt(static_cast<int64_t>(i) + 1);
        out += "  X";
        out += FormatInt(h.x);
        out += "  Y";
        out += FormatInt(h.y);
        out += "   R";
        out += FormatInt(h.radius);
        out += "\r\n";
    }
    out += "STOP";
    return out;
}

std::string NcBaseNameOf(const std::string& dxfPath) {
    const size_t slash = LastPathSeparator(dxfPath);
    const size_t dot = dxfPath.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    return dxfPath.substr(start, dot - start);
}

bool PrepareNcFolder(const std::string& folder) {
    for (size_t i = 1; i < folder.size(); ++i) {
        if (IsPathSeparator(folder[i])) MakeFolder(folder.substr(0, i + 1));
    }
    if (!folder.empty()) MakeFolder(folder);
    // A folder that cannot be entered must not send the program elsewhere.
    return IsEnterableFolder(folder);
}

std::string FreeNcFileName(const std::string& folder, const std::string& baseName) {
    // Concatenated, never formatted: a percent sign is part of the name.
    const std::string prefix = JoinPath(folder, baseName);
    std::string path;
    for (int k = 0; k <= 99; ++k) {
        path = prefix + TwoDigits(k) + ".NC";
        if (!PathExists(path)) break;
    }
    return path;
}

}  // namespace ks
