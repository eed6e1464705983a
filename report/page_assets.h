#pragma once
// What every job report carries inside it, built into the program
// (report/CMakeLists.txt): the page's own script and style, and the
// charting library vendored at build time (report/page/chart-library.txt).
#include <string_view>

namespace ks::report::assets {

extern const std::string_view kChartLibrary;      // Apache ECharts, minified
extern const std::string_view kChartLibraryName;  // "echarts 6.1.0"
extern const std::string_view kPageScript;        // report/page/report.js
extern const std::string_view kPageStyle;         // report/page/report.css

}  // namespace ks::report::assets
