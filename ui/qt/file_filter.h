#pragma once
// The open-file dialog's filter as the logic gives it ("label|pattern|...||")
// in the form QFileDialog takes ("label (patterns);;...").
#include <QString>
#include <string>

namespace ks::ui::qt {

// Patterns are matched without regard to case, as on the machine's original
// platform: "*.NC" also lists "part.nc". "*.*" means every file.
QString QtFileFilter(const std::string& mfcFilter);

}  // namespace ks::ui::qt
