#include "app/job_record.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/shop_observer.h"
#include "platform/append_file.h"
#include "platform/local_time.h"
#include "platform/os.h"
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
        case PauseCause::PlaceChanged: return "position-changed";
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

// The job file as a full path without links or dot folders, so that the
// same file named another way (relative, through a link) finds its record.
std::string JobIdentity(const std::string& jobPath) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::weakly_canonical(jobPath, ec);
    return ec || full.empty() ? jobPath : full.string();
}

std::string ReadJobName(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string name;
    std::getline(in, name);
    if (!name.empty() && name.back() == '\r') name.pop_back();
    return name;
}

}  // namespace

void JobRecord::SetJob(const std::string& settingsFolder, const std::string& jobPath) {
    m_folder = (std::filesystem::path(settingsFolder) / "records").string();
    m_job = jobPath.empty() ? std::string() : JobIdentity(jobPath);
    m_stem = JobStem(jobPath);
    m_path = (std::filesystem::path(m_folder) / (m_stem + ".csv")).string();
    m_chosen = false;
}

bool JobRecord::ChooseFile() {
    constexpr int kNamesTried = 1000;
    for (int n = 1; n <= kNamesTried; ++n) {
        const std::string name = n == 1 ? m_stem : m_stem + "-" + std::to_string(n);
        const std::filesystem::path base = std::filesystem::path(m_folder) / name;
        const std::string csv = base.string() + ".csv", job = base.string() + ".job";
        std::error_code ec;
        const bool csvThere = std::filesystem::exists(csv, ec), jobThere = std::filesystem::exists(job, ec);
        if (jobThere && ReadJobName(job) != m_job) continue;  // another job's record
        if (!jobThere) {
            // Free, or a record of the plain name written before the .job
            // files, which then was this base name's: taken over.
            if (csvThere && n > 1) continue;
            if (!ReplaceFileDurably(job, m_job + "\r\n")) {
                m_path = csv;
                return false;
            }
        }
        m_path = csv;
        m_chosen = true;
        return true;
    }
    return false;
}

std::string JobRecord::FormatLine(const std::string& time, const RecordLine& l) {
    std::string s = time + "," + FormatInt(l.hole) + "," + Millimetres(l.xUm) + "," + Millimetres(l.yUm) + ",";
    if (l.drillSeconds) s += FormatFixed(*l.drillSeconds, 1);
    s += "," + Millimetres(l.zStartUm) + "," + Millimetres(l.zEndUm) + "," + EventName(l.event) + ",";
    if (l.cause) s += CauseName(*l.cause);
    return s + "\r\n";
}

bool JobRecord::Write(const RecordLine& line, std::time_t when) {
    if (m_job.empty()) return true;  // no job: nothing to keep
    // Only records/ itself: a settings folder that went away (a pulled
    // stick) is not made again behind the operator's back.
    std::error_code ec;
    if (std::filesystem::create_directory(m_folder, ec)) SyncFolderOf(m_folder);
    if (!m_chosen && !ChooseFile()) return false;
    int error = 0;
    const std::string text = FormatLine(LocalTimeIso8601(when), line);
    const bool written = AppendDurably(m_path, kHeader, text, &error);
    if (m_pObserver != nullptr) m_pObserver->OnRecordLine(text);
    return written;
}

}  // namespace ks::app
