#include "app/job_record.h"

#include <filesystem>
#include <system_error>

#include "app/shop_observer.h"
#include "platform/append_file.h"
#include "platform/local_time.h"
#include "platform/textnum.h"

namespace ks::app {
namespace {

const char* EventName(RecordEvent e) {
    switch (e) {
        case RecordEvent::Drilled: return "drilled";
        case RecordEvent::Visited: return "visited";
        case RecordEvent::Skipped: return "skipped";
        case RecordEvent::Paused: return "paused";
        case RecordEvent::Reset: return "reset";
        case RecordEvent::JobEnd: return "job-end";
    }
    return "";
}

const char* CauseName(PauseCause c) {
    switch (c) {
        case PauseCause::Button: return "button";
        case PauseCause::PauseHole: return "pause-hole";
        case PauseCause::ControllerRequest: return "controller-request";
        case PauseCause::LostLink: return "lost-link";
        case PauseCause::ArrivalCheck: return "arrival-check";
    }
    return "";
}

std::string Millimetres(const std::optional<int32_t>& um) {
    return um ? FormatFixed(*um * 0.001, 3) : std::string();
}

// The base name of the job file without its extension; either separator.
std::string JobStem(const std::string& jobPath) {
    const size_t slash = jobPath.find_last_of("/\\");
    std::string name = slash == std::string::npos ? jobPath : jobPath.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name.empty() ? std::string("job") : name;
}

}  // namespace

void JobRecord::SetJob(const std::string& settingsFolder, const std::string& jobPath) {
    m_folder = (std::filesystem::path(settingsFolder) / "records").string();
    m_path = (std::filesystem::path(m_folder) / (JobStem(jobPath) + ".csv")).string();
}

std::string JobRecord::FormatLine(const std::string& time, const RecordLine& l) {
    std::string s = time + "," + FormatInt(l.hole) + "," + Millimetres(l.xUm) + "," + Millimetres(l.yUm) + ",";
    if (l.drillSeconds) s += FormatFixed(*l.drillSeconds, 1);
    s += "," + Millimetres(l.zStartUm) + "," + Millimetres(l.zEndUm) + "," + EventName(l.event) + ",";
    if (l.cause) s += CauseName(*l.cause);
    return s + "\r\n";
}

bool JobRecord::Write(const RecordLine& line, std::time_t when) {
    if (m_path.empty()) return true;  // no job: nothing to keep
    // Only records/ itself: a settings folder that went away (a pulled
    // stick) is not made again behind the operator's back.
    std::error_code ec;
    std::filesystem::create_directory(m_folder, ec);
    int error = 0;
    const std::string text = FormatLine(LocalTimeIso8601(when), line);
    const bool written = AppendDurably(m_path, kHeader, text, &error);
    if (m_pObserver != nullptr) m_pObserver->OnRecordLine(text);
    return written;
}

}  // namespace ks::app
