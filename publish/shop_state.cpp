#include "publish/shop_state.h"

#include <algorithm>
#include <array>
#include <vector>

#include "app/console_dlg.h"
#include "app/job_record.h"
#include "platform/os.h"
#include "platform/textnum.h"
#include "publish/shop_json.h"
#include "res/version.h"

namespace ks::publish {
namespace {

// The record's columns, as its header names them.
constexpr std::array<std::string_view, 9> kColumns = {"time",       "hole",     "x_mm",  "y_mm",  "drill_s",
                                                      "z_start_mm", "z_end_mm", "event", "reason"};

std::vector<std::string> CsvFields(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

std::string Millimetres(int32_t um) { return FormatFixed(um * 0.001, 3); }

std::string FileName(const std::string& path) {
    const size_t sep = LastPathSeparator(path);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

// Pauses that the operator chose; everything else stopped the job for him.
bool OperatorsPause(const std::string& cause) { return cause.empty() || cause == "button" || cause == "pause-hole"; }

}  // namespace

const char* ExecutionWord(Execution e) {
    switch (e) {
        case Execution::Ready: return "READY";
        case Execution::Active: return "ACTIVE";
        case Execution::FeedHold: return "FEED_HOLD";
        case Execution::Interrupted: return "INTERRUPTED";
    }
    return "READY";
}

ShopState ReadShopState(const app::CConsoleDlg& c, const std::string& lastPauseCause) {
    ShopState s;
    s.available = !c.Link().Down();
    // A pause leaves the hole current (and the start button resumes it);
    // an ended or reset job leaves none.
    const bool standsPartWay = c.m_bPauseReq != 0 && c.m_nCurHole > 0;
    if (c.RunUnderWay()) {
        s.execution = Execution::Active;
    } else if (standsPartWay) {
        s.execution = OperatorsPause(lastPauseCause) ? Execution::FeedHold : Execution::Interrupted;
        s.pauseReason = lastPauseCause;
    }
    s.holeCount = std::clamp(c.m_nHoleCount, 0, kHoleSlots - 1);
    if (s.holeCount > 0) s.job = FileName(c.m_strJobPath);
    s.hole = c.m_nCurHole;
    for (int32_t h = 1; h <= s.holeCount; ++h)
        if (c.m_Hole[static_cast<size_t>(h)].bDone != 0) ++s.holesDone;
    s.xUm = c.m_nPosX;
    s.yUm = c.m_nPosY;
    s.zUm = c.m_nPosZ;
    return s;
}

std::string StateJson(const ShopState& s, const std::string& machine, const std::string& utcTime) {
    JsonObject o;
    o.Text("machine", machine).Text("time", utcTime);
    o.Text("version", std::string(res::kVersion));
    o.Text("availability", s.available ? "AVAILABLE" : "UNAVAILABLE");
    o.Text("execution", ExecutionWord(s.execution));
    o.TextOrNull("job", s.job);
    o.Int("hole", s.hole).Int("hole_count", s.holeCount).Int("holes_done", s.holesDone);
    o.NumberOrNull("x_mm", Millimetres(s.xUm)).NumberOrNull("y_mm", Millimetres(s.yUm));
    o.NumberOrNull("z_mm", Millimetres(s.zUm));
    o.TextOrNull("pause_reason", s.pauseReason);
    if (s.commError == kMbOk) {
        o.Null("comm_error").Null("comm_error_text");
    } else {
        std::string text = ModbusResultText(s.commError);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        o.Text("comm_error", ModbusResultCode(s.commError)).Text("comm_error_text", text);
    }
    o.Int("records_dropped", static_cast<int64_t>(s.recordsDropped));
    return o.Close();
}

bool RecordEventOf(const std::string& csvLine, std::string* event, std::string* reason) {
    const std::vector<std::string> f = CsvFields(csvLine);
    if (f.size() != kColumns.size()) return false;
    *event = f[7];
    *reason = f[8];
    return true;
}

std::optional<std::string> RecordJson(const std::string& csvLine, const std::string& job, uint64_t seq) {
    const std::vector<std::string> f = CsvFields(csvLine);
    if (f.size() != kColumns.size()) return std::nullopt;
    JsonObject o;
    o.Text(kColumns[0], f[0]);
    for (size_t i = 1; i <= 6; ++i) {
        if (!f[i].empty() && !IsPlainNumber(f[i])) return std::nullopt;
        o.NumberOrNull(kColumns[i], f[i]);
    }
    o.Text(kColumns[7], f[7]).TextOrNull(kColumns[8], f[8]);
    o.TextOrNull("job", job).Int("seq", static_cast<int64_t>(seq));
    return o.Close();
}

std::string UtcTimeText(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(when.time_since_epoch()).count();
    int64_t days = ms / 86400000, rest = ms % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    // Civil date from days since 1970-01-01 (Howard Hinnant's algorithm).
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    auto two = [](int64_t v) { return std::string(v < 10 ? "0" : "") + FormatInt(v); };
    auto three = [](int64_t v) { return std::string(v < 100 ? (v < 10 ? "00" : "0") : "") + FormatInt(v); };
    return FormatInt(year) + "-" + two(month) + "-" + two(day) + "T" + two(rest / 3600000) + ":" +
           two(rest / 60000 % 60) + ":" + two(rest / 1000 % 60) + "." + three(rest % 1000) + "Z";
}

}  // namespace ks::publish
