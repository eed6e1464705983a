#pragma once
// What the console program is made of besides its window, on every system:
// the panels that live as long as the program, and what the operator is
// told when the start-up stopped for want of OpenGL.
#include <optional>

#include "panels/machine_param_dlg.h"
#include "panels/machining_param_dlg.h"
#include "panels/positioning_dlg.h"
#include "platform/language.h"

namespace ks::console {

// The three panels that keep their values from program start to exit.
struct ProgramPanels {
    panels::CPositioningDlg positioning;
    panels::CMachiningParamDlg machining;
    panels::CMachineParamDlg machine;
};

// What the operator is told when the hole map has no OpenGL context: the
// window then stays up without settings, link or timer.
extern const char* const kNoOpenGlText;

// What the command line asks before any window is made: --version and
// --help are answered on standard output (exit status 0), a --lang that
// names no language is refused on standard error (64). Otherwise nothing,
// and *language is the operator's language.
std::optional<int> AnswerCommandLine(int argc, char** argv, const char* help, Language* language);

}  // namespace ks::console
