#pragma once
// What the console program is made of besides its window, on every system:
// the panels that live as long as the program, and what the operator is
// told when the start-up stopped for want of OpenGL.
#include "panels/machine_param_dlg.h"
#include "panels/machining_param_dlg.h"
#include "panels/positioning_dlg.h"

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

}  // namespace ks::console
