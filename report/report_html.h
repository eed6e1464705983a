#pragma once
// The job report as one HTML file that needs nothing beside it and no
// network: the summary, what was found and the tables as HTML; the plots
// drawn in the browser by the charting library the file carries inside it
// (Apache ECharts, vendored from the npm registry at build time), from the
// figures it carries as JSON. Texts in the program's language (ks::Tr).
#include <string>

#include "report/job_summary.h"

namespace ks::report {

std::string MakeReportHtml(const JobSummary& s);

// The figures the plots are drawn from, as the page reads them (JSON).
std::string PageData(const JobSummary& s);

// Where a record's report goes: beside it, with .html for its extension
// (records/plate00.csv -> records/plate00.html).
std::string ReportPathFor(const std::string& recordPath);

// The charting library inside every report, as "name version".
std::string ChartLibraryName();

}  // namespace ks::report
