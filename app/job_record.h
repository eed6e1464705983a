#pragma once
// The job record: one CSV file per job file, next to the settings file in
// a records/ folder, named after the job file (plate00.csv for plate00.NC).
// Beside each record a file of the same name ending in .job holds the job
// file's full path: that is how a record is found again for its job, and
// how a reader knows whose record it is. Another job file of the same base
// name (plate00.3B, plate00.NC of another folder) takes the next free name
// plate00-2.csv, plate00-3.csv, ...
// A line per event in a hole's life (drilled, visited, skipped) and in the
// run's (paused and why, reset, job end), appended and flushed to disk as
// it happens, never rewritten. Shops keep it as proof of what was drilled;
// rising drill times and Z feeds show electrode wear.
//
// Plain ASCII: every field is a number, a time or an English word, so any
// spreadsheet and CSV reader takes the file as it is, without guessing an
// encoding or needing a byte order mark. Lines end in CR LF.
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace ks::app {

class ShopObserver;

enum class RecordEvent { Drilled, Visited, Skipped, Paused, Reset, JobEnd };
enum class PauseCause { Button, PauseHole, ControllerRequest, LostLink, ArrivalCheck, PlaceChanged };

struct RecordLine {
    RecordEvent event = RecordEvent::Drilled;
    int32_t hole = 0;
    std::optional<int32_t> xUm, yUm;        // the hole's place
    std::optional<double> drillSeconds;     // command 1 to the finished bit
    std::optional<int32_t> zStartUm, zEndUm;  // Z when drilling started and when the hole finished
    std::optional<PauseCause> cause;
};

class JobRecord {
public:
    static constexpr const char* kHeader = "time,hole,x_mm,y_mm,drill_s,z_start_mm,z_end_mm,event,reason\r\n";

    // The record of the job file at jobPath, kept in <settingsFolder>/records.
    void SetJob(const std::string& settingsFolder, const std::string& jobPath);
    // The record file: chosen at the first line written (nothing is made for
    // a job that only was loaded), the plain name until then.
    const std::string& Path() const { return m_path; }

    // Appends one line stamped with the local time `when`. False when the
    // record could not be written (nothing is retried: the next event tries
    // again with its own line).
    bool Write(const RecordLine& line, std::time_t when);

    // One line as written, CR LF included.
    static std::string FormatLine(const std::string& time, const RecordLine& line);

    // Also told every line written; null tells no one.
    void SetObserver(ShopObserver* observer) { m_pObserver = observer; }

private:
    // Finds the record that names this job, or takes the first free name
    // (or a record of the plain name from before the .job files) and names
    // the job in it, durably, before the record's first line.
    bool ChooseFile();

    std::string m_folder;
    std::string m_job;   // the job file as its record names it
    std::string m_stem;
    std::string m_path;
    bool m_chosen = false;
    ShopObserver* m_pObserver = nullptr;
};

}  // namespace ks::app
