// Positioning and centring panel: press-and-hold jogging through the
// pre-filter, speed modes, and the zero, halving and set presets.
#include "panels/positioning_dlg.h"

#include <gtest/gtest.h>

#include "res/ids.h"
#include "ui/testing/fake_view.h"

namespace ks::panels {
namespace {

namespace id = ks::res::positioning;
using ks::ui::Message;
using ks::ui::testing::FakeView;

class PositioningTest : public ::testing::Test {
protected:
    void Open() { ASSERT_TRUE(view.Open(dlg)); }
    CPositioningDlg dlg;
    FakeView view;
};

TEST_F(PositioningTest, OpeningClearsRequestsFillsPositionsAndChoosesSlow) {
    dlg.m_bJogging = 1;
    dlg.m_bSetX = dlg.m_bSetY = dlg.m_bSetZ = 1;
    dlg.m_nCurX = 12345;
    dlg.m_nCurY = -7;
    dlg.m_nCurZ = 0;
    Open();
    EXPECT_EQ(dlg.m_bJogging, 0);
    EXPECT_EQ(dlg.m_bSetX + dlg.m_bSetY + dlg.m_bSetZ, 0);
    EXPECT_EQ(view.Text(id::IDC_X_VALUE), "12.345");
    EXPECT_EQ(view.Text(id::IDC_Y_VALUE), "-0.007");
    EXPECT_EQ(view.Text(id::IDC_Z_VALUE), "0.000");
    EXPECT_TRUE(view.Checked(id::IDC_MODE_SLOW));
    EXPECT_EQ(dlg.m_nSpeedMode, 2);
    EXPECT_EQ(dlg.m_bSpeedChanged, 1);
    EXPECT_FALSE(view.IsEnabled(id::IDC_Z_MINUS));
    EXPECT_FALSE(view.IsEnabled(id::IDC_Z_PLUS));
}

TEST_F(PositioningTest, EachJogButtonSetsItsAxisAndDirectionWhileHeld) {
    Open();
    using ks::panels::JogAxis;
    struct Case { int button; JogAxis axis; uint8_t positive; };
    const Case cases[] = {{id::IDC_X_PLUS, JogAxis::X, 1}, {id::IDC_X_MINUS, JogAxis::X, 0},
                          {id::IDC_Y_PLUS, JogAxis::Y, 1}, {id::IDC_Y_MINUS, JogAxis::Y, 0},
                          {id::IDC_C_PLUS, JogAxis::C, 1}, {id::IDC_C_MINUS, JogAxis::C, 0}};
    for (const Case& c : cases) {
        EXPECT_FALSE(view.Mouse(Message::LButtonDown, c.button));  // the button still gets it
        EXPECT_EQ(dlg.m_bJogging, 1) << c.button;
        EXPECT_EQ(dlg.m_nJogAxis, c.axis);
        EXPECT_EQ(dlg.m_bJogPositive, c.positive);
        EXPECT_FALSE(view.Mouse(Message::LButtonUp, c.button));
        EXPECT_EQ(dlg.m_bJogging, 0);
        EXPECT_EQ(dlg.m_nJogAxis, c.axis);  // release keeps axis and direction
        EXPECT_EQ(dlg.m_bJogPositive, c.positive);
    }
}

TEST_F(PositioningTest, OnlyTheLeftButtonOnAJogButtonJogs) {
    Open();
    view.Mouse(Message::LButtonDown, id::IDC_Y_MINUS);
    EXPECT_EQ(dlg.m_bJogging, 1);
    // Releasing elsewhere does not stop; releasing on a jog button does.
    view.Mouse(Message::LButtonUp, id::IDC_X_ZERO);
    EXPECT_EQ(dlg.m_bJogging, 1);
    view.Mouse(Message::LButtonUp, id::IDC_Y_MINUS);
    EXPECT_EQ(dlg.m_bJogging, 0);

    // Space on a focused jog button, a click, or the Z buttons move nothing.
    EXPECT_FALSE(view.PressKey(ks::ui::kKeySpace));
    EXPECT_FALSE(view.Click(id::IDC_X_PLUS));
    view.Mouse(Message::LButtonDown, id::IDC_Z_PLUS);
    view.Mouse(Message::LButtonDown, id::IDC_Z_MINUS);
    EXPECT_EQ(dlg.m_bJogging, 0);
    EXPECT_EQ(dlg.m_nJogAxis, ks::panels::JogAxis::Y);

    EXPECT_TRUE(view.PressKey(ks::ui::kKeyEscape));
    EXPECT_TRUE(view.PressKey(ks::ui::kKeyEnter));
    EXPECT_FALSE(view.EndResult().has_value());
}

TEST_F(PositioningTest, SpeedRadiosSetTheModeAndReopeningReturnsToSlow) {
    Open();
    const int modes[] = {id::IDC_MODE_STEP, id::IDC_MODE_SLOW, id::IDC_MODE_MEDIUM, id::IDC_MODE_FAST};
    for (int i = 0; i < 4; ++i) {
        dlg.m_bSpeedChanged = 0;
        view.Click(modes[i]);
        EXPECT_EQ(dlg.m_nSpeedMode, i + 1);
        EXPECT_EQ(dlg.m_bSpeedChanged, 1);
        EXPECT_TRUE(view.Checked(modes[i]));
    }
    EXPECT_FALSE(view.Checked(id::IDC_MODE_SLOW));
    view.Click(ks::res::IDOK);
    FakeView again;
    again.Open(dlg);
    EXPECT_EQ(dlg.m_nSpeedMode, 2);
    EXPECT_TRUE(again.Checked(id::IDC_MODE_SLOW));
    EXPECT_FALSE(again.Checked(id::IDC_MODE_FAST));
}

TEST_F(PositioningTest, ZeroAndHalvePresetTheAxisAndShowTheValue) {
    dlg.m_nCurX = 20001;
    dlg.m_nCurY = -125;
    dlg.m_nCurZ = -7;
    Open();
    view.Click(id::IDC_X_ZERO);
    EXPECT_EQ(view.Text(id::IDC_X_VALUE), "0");
    EXPECT_EQ(dlg.m_nSetX, 0);
    EXPECT_EQ(dlg.m_bSetX, 1);
    EXPECT_EQ(dlg.m_bSetY, 0);

    view.Click(id::IDC_Y_HALF);
    EXPECT_EQ(dlg.m_nSetY, -62);
    EXPECT_EQ(view.Text(id::IDC_Y_VALUE), "-0.062");
    EXPECT_EQ(dlg.m_bSetY, 1);
    view.Click(id::IDC_Z_HALF);
    EXPECT_EQ(dlg.m_nSetZ, -3);
    view.Click(id::IDC_X_HALF);  // from the current position, not the preset
    EXPECT_EQ(dlg.m_nSetX, 10000);
    EXPECT_EQ(view.Text(id::IDC_X_VALUE), "10.000");
}

TEST_F(PositioningTest, SetReadsTheTypedMillimetresAndLeavesTheText) {
    Open();
    view.Type(id::IDC_Z_VALUE, "abc");
    view.Click(id::IDC_Z_SET);
    EXPECT_EQ(dlg.m_nSetZ, 0);
    EXPECT_EQ(dlg.m_bSetZ, 1);
    EXPECT_EQ(view.Text(id::IDC_Z_VALUE), "abc");

    view.Type(id::IDC_X_VALUE, " -12.3456mm");
    view.Click(id::IDC_X_SET);
    EXPECT_EQ(dlg.m_nSetX, -12345);
    EXPECT_EQ(view.Text(id::IDC_X_VALUE), " -12.3456mm");
    view.Type(id::IDC_Y_VALUE, "-2147483");
    view.Click(id::IDC_Y_SET);
    EXPECT_EQ(dlg.m_nSetY, -2147483000);

    // Beyond the 32-bit register range nothing is preset.
    dlg.m_bSetX = 0;
    for (const char* text : {"2147484", "-1e10", "inf", "nan"}) {
        view.Type(id::IDC_X_VALUE, text);
        view.Click(id::IDC_X_SET);
        EXPECT_EQ(dlg.m_bSetX, 0) << text;
        EXPECT_EQ(dlg.m_nSetX, -12345);
    }
}

}  // namespace
}  // namespace ks::panels
