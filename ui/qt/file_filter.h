#pragma once
// The open-file dialog's filter as the logic gives it ("label|pattern|...||")
// in the form QFileDialog takes ("label (patterns);;...").
#include <QString>
#include <string>

namespace ks::ui::qt {

// Patterns are matched without regard to case: job files come from machines
// and tools that write names in either case, and "*.NC" must also list
// "part.nc". "*.*" means every file.
QString QtFileFilter(const std::string& filter);

}  // namespace ks::ui::qt
