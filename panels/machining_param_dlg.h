#pragma once
// Machining parameter panel (template 160). Its request fields hand the
// segment parameters, depth limits and lift height to the main window,
// whose status tick sends them while its gate m_bParamPanelOpen is set and
// clears the flags. One instance lives for the whole run.
//
// The panel only checks entries against their ranges, stores what it
// accepts and raises the group's flag; closing it (OK, Enter, Esc) commits
// nothing. The six segment values go to the controller as one group, so a
// step or send is accepted only when every value of the group lies in its
// range; the main window keeps the last group sent and hands it back at
// start. The segment-number column has no behaviour and is disabled.
#include <cstdint>

#include "panels/panel_dlg.h"

namespace ks::panels {

class CMachiningParamDlg : public CPanelDlg {
public:
    CMachiningParamDlg();

    bool OnInitDialog() override;
    std::optional<ks::ui::ControlStyle> OnCtlColor(int controlId, ks::ui::CtlColorKind kind) override;

    // Button handlers.
    void OnStep(int column, int delta);  // a "+" (1) or "-" (-1) of a column
    void OnSendSegment();                // 1025
    void OnSendLiftHeight();             // 1007
    void OnSendDepthLimits();            // 1065

    // Every segment value lies in its range: the group may be sent.
    bool SegmentComplete() const;
    // The segment values last sent, in column order; one outside its range
    // stays unset (0).
    void RestoreSegment(const int32_t (&values)[6]);
    // Lengths last sent, in micrometres; false (nothing kept) outside +-999999.
    static bool LengthInRange(int64_t micrometres);

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

private:
    // Stores `values` (one per column, in order) and raises the group's
    // flag when each lies in its column's range; otherwise stores nothing
    // and names every value outside its range, with the ranges, in one
    // message.
    void AcceptSegment(const int64_t (&values)[6]);
    const int32_t& Field(int column) const { return const_cast<CMachiningParamDlg*>(this)->Field(column); }
    // Reads a length edit as micrometres; false when out of +-999999.
    bool ReadLength(int editId, int32_t* micrometres, double* typed);
    int32_t& Field(int column);
};

}  // namespace ks::panels
