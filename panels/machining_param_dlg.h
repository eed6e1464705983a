#pragma once
// Machining parameter panel (template 160). Its request fields hand the
// segment parameters, depth limits and lift height to the main window,
// whose status tick sends them while its gate m_bParamPanelOpen is set and
// clears the flags. One instance lives for the whole run.
#include <cstdint>

#include "ui/dialog.h"

namespace ks::panels {

class CMachiningParamDlg : public ks::ui::Dialog {
public:
    CMachiningParamDlg();

    // Micrometres, sign as entered (a lift is stored as a negative number).
    int32_t m_nLiftHeight = 0;
    int32_t m_nDepthUpper = 0;
    int32_t m_nDepthLower = 0;
    // Segment parameters, as accepted by the panel.
    int32_t m_nPulseWidth = 0;     // 1..255
    int32_t m_nPulseInterval = 0;  // 4..255
    int32_t m_nPowerAmp = 0;       // 1..12
    int32_t m_nCapacitance = 0;    // 1..39
    int32_t m_nVoltage = 0;        // 1..3
    int32_t m_nMachSpeed = 0;      // 9..30
    // Raised by the panel, cleared by the main window before it sends.
    uint8_t m_bSegParamChanged = 0;
    uint8_t m_bDepthLimitChanged = 0;
    uint8_t m_bLiftHeightChanged = 0;
};

}  // namespace ks::panels
