// Machining parameter panel: ranges, messages and flags of the step and
// send buttons, and what an opening shows.
#include "panels/machining_param_dlg.h"

#include <gtest/gtest.h>

#include "res/ids.h"
#include "ui/testing/fake_view.h"

namespace ks::panels {
namespace {

namespace id = ks::res::machining;
using ks::ui::testing::FakeView;
using Messages = std::vector<std::string>;

class MachiningParamTest : public ::testing::Test {
protected:
    void Open() { ASSERT_TRUE(view.Open(dlg)); }
    CMachiningParamDlg dlg;
    FakeView view;
};

// A group with a value outside its range is never raised: one box, titled,
// names every such value with its range.
TEST_F(MachiningParamTest, FirstOpeningShowsZerosAndSendRefusesTheGroupInOneMessage) {
    Open();
    for (int edit : {id::IDC_PULSE_WIDTH, id::IDC_PULSE_INTERVAL, id::IDC_POWER, id::IDC_CAP, id::IDC_VOLT,
                     id::IDC_SPEED})
        EXPECT_EQ(view.Text(edit), "0") << edit;
    EXPECT_EQ(view.Text(id::IDC_LIFT), "0.000");
    EXPECT_EQ(view.Text(id::IDC_DEPTH_UPPER), "0.000");
    view.Click(id::IDC_SEG_SEND);
    EXPECT_EQ(view.WarningTitles(), Messages{"加工参数未发送"});
    EXPECT_EQ(view.TakeMessages(),
              Messages{"加工参数未发送\n六个加工参数作为一组发送，每个都须在范围内。以下参数尚未设定或超出范围：\n"
                       "脉宽：1～255（现为0）\n脉间：4～255（现为0）\n功放：1～12（现为0）\n电容：1～39（现为0）\n"
                       "电压：1～3（现为0）\n速度：9～30（现为0）"});
    EXPECT_EQ(dlg.m_bSegParamChanged, 0);
    EXPECT_FALSE(dlg.SegmentComplete());
}

TEST_F(MachiningParamTest, StepButtonsStopAtTheRangeEndsAndKeepTheText) {
    Open();
    struct Case { int edit, button; const char* text; const char* message; };
    const Case refused[] = {
        {id::IDC_PULSE_WIDTH, id::IDC_WIDTH_PLUS, "255", "您输入的脉宽值有误"},
        {id::IDC_PULSE_INTERVAL, id::IDC_INTERVAL_MINUS, "4", "您输入的脉间值有误"},
        {id::IDC_POWER, id::IDC_POWER_PLUS, "12", "您输入的功放值有误"},
        {id::IDC_CAP, id::IDC_CAP_PLUS, "39", "您输入的电容值有误"},
        {id::IDC_VOLT, id::IDC_VOLT_MINUS, "1", "您输入的电压值有误"},
        {id::IDC_VOLT, id::IDC_VOLT_PLUS, "3", "您输入的电压值有误"},
        {id::IDC_SPEED, id::IDC_SPEED_MINUS, "9", "您输入的加工速度值有误"},
        {id::IDC_SPEED, id::IDC_SPEED_PLUS, "30", "您输入的加工速度值有误"},
        {id::IDC_PULSE_WIDTH, id::IDC_WIDTH_PLUS, "2147483647", "您输入的脉宽值有误"},
    };
    for (const Case& c : refused) {
        view.Type(c.edit, c.text);
        view.Click(c.button);
        EXPECT_EQ(view.TakeMessages(), Messages{c.message}) << c.text;
        EXPECT_EQ(view.Text(c.edit), c.text);
    }
    EXPECT_EQ(dlg.m_bSegParamChanged, 0);
    EXPECT_EQ(dlg.m_nPulseWidth, 0);
}

// A step sends the group with the other values as last accepted: refused
// while any of them is unset, then one step changes one value.
TEST_F(MachiningParamTest, AStepSendsOnlyACompleteGroup) {
    Open();
    view.Type(id::IDC_CAP, "abc");
    view.Click(id::IDC_CAP_PLUS);
    ASSERT_EQ(view.WarningTitles().size(), 1u);
    const std::string message = view.TakeMessages().at(0);
    EXPECT_EQ(message.find("电容："), std::string::npos) << message;  // the stepped value is in range
    EXPECT_NE(message.find("速度：9～30（现为0）"), std::string::npos) << message;
    EXPECT_EQ(dlg.m_nCapacitance, 0);
    EXPECT_EQ(view.Text(id::IDC_CAP), "abc");
    EXPECT_EQ(dlg.m_bSegParamChanged, 0);

    const char* typed[] = {" 12x", "4", "12", "39", "3", "30"};
    const int edits[] = {id::IDC_PULSE_WIDTH, id::IDC_PULSE_INTERVAL, id::IDC_POWER, id::IDC_CAP, id::IDC_VOLT, id::IDC_SPEED};
    for (int i = 0; i < 6; ++i) view.Type(edits[i], typed[i]);
    view.Click(id::IDC_SEG_SEND);
    EXPECT_TRUE(view.TakeMessages().empty());
    EXPECT_EQ(view.Text(id::IDC_PULSE_WIDTH), "12");
    EXPECT_EQ(dlg.m_bSegParamChanged, 1);
    dlg.m_bSegParamChanged = 0;  // as the main window's tick does

    view.Type(id::IDC_SPEED, "10");
    view.Click(id::IDC_SPEED_MINUS);
    EXPECT_EQ(dlg.m_nMachSpeed, 9);
    EXPECT_EQ(dlg.m_nPulseWidth, 12);
    EXPECT_EQ(dlg.m_bSegParamChanged, 1);
    EXPECT_TRUE(view.Messages().empty());
}

// One value out of range holds back the whole group, and the fields keep
// what was accepted last.
TEST_F(MachiningParamTest, SegmentSendIsAllOrNothing) {
    Open();
    const char* typed[] = {"12", "3", "12", "40", "3", "30"};
    const int edits[] = {id::IDC_PULSE_WIDTH, id::IDC_PULSE_INTERVAL, id::IDC_POWER, id::IDC_CAP, id::IDC_VOLT, id::IDC_SPEED};
    for (int i = 0; i < 6; ++i) view.Type(edits[i], typed[i]);
    view.Click(id::IDC_SEG_SEND);
    const Messages shown = view.TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("脉间：4～255（现为3）\n电容：1～39（现为40）"), std::string::npos) << shown[0];
    EXPECT_EQ(shown[0].find("脉宽"), std::string::npos);
    EXPECT_EQ(dlg.m_nPulseWidth, 0);
    EXPECT_EQ(view.Text(id::IDC_CAP), "40");
    EXPECT_EQ(dlg.m_bSegParamChanged, 0);
}

TEST_F(MachiningParamTest, LiftHeightIsStoredNegativeWithinAThousandMillimetres) {
    Open();
    view.Type(id::IDC_LIFT, "999.9999");
    view.Click(id::IDC_LIFT_SEND);
    EXPECT_EQ(dlg.m_nLiftHeight, -999999);
    EXPECT_EQ(dlg.m_bLiftHeightChanged, 1);

    dlg.m_bLiftHeightChanged = 0;
    for (const char* text : {"1000", "-1000", "1e300", "nan"}) {
        view.Type(id::IDC_LIFT, text);
        view.Click(id::IDC_LIFT_SEND);
        EXPECT_EQ(view.TakeMessages(), Messages{"您输入的抬刀高度值有误"}) << text;
        EXPECT_EQ(view.Text(id::IDC_LIFT), text);
    }
    EXPECT_EQ(dlg.m_nLiftHeight, -999999);
    EXPECT_EQ(dlg.m_bLiftHeightChanged, 0);

    view.Type(id::IDC_LIFT, "-0.25");
    view.Click(id::IDC_LIFT_SEND);
    EXPECT_EQ(dlg.m_nLiftHeight, -250);
    EXPECT_EQ(view.Text(id::IDC_LIFT), "-0.250");  // as typed, sign included
    view.Type(id::IDC_LIFT, "0.0009");
    view.Click(id::IDC_LIFT_SEND);
    EXPECT_EQ(dlg.m_nLiftHeight, 0);
    EXPECT_EQ(view.Text(id::IDC_LIFT), "0.001");
}

TEST_F(MachiningParamTest, ReopeningShowsStoredValuesAndMakesALiftNegative) {
    dlg.m_nLiftHeight = 250;  // a positive lift can only come from outside
    dlg.m_nDepthUpper = -1500;
    dlg.m_nDepthLower = 2;
    dlg.m_nPulseWidth = 17;
    Open();
    EXPECT_EQ(dlg.m_nLiftHeight, -250);
    EXPECT_EQ(view.Text(id::IDC_LIFT), "0.250");
    EXPECT_EQ(view.Text(id::IDC_DEPTH_UPPER), "-1.500");
    EXPECT_EQ(view.Text(id::IDC_DEPTH_LOWER), "0.002");
    EXPECT_EQ(view.Text(id::IDC_PULSE_WIDTH), "17");
    // The segment-number column has no behaviour and shows it.
    EXPECT_EQ(view.Text(id::IDC_SEG_NO), "");
    for (int c : {id::IDC_SEG_NO, id::IDC_SEG_PLUS, id::IDC_SEG_MINUS}) EXPECT_FALSE(view.IsEnabled(c)) << c;
    EXPECT_FALSE(view.Click(id::IDC_SEG_PLUS));
}

TEST_F(MachiningParamTest, DepthLimitsAreCheckedEachOnItsOwn) {
    Open();
    view.Type(id::IDC_DEPTH_UPPER, "1000");
    view.Type(id::IDC_DEPTH_LOWER, "-12.5");
    view.Click(id::IDC_DEPTH_SEND);
    EXPECT_EQ(view.TakeMessages(), Messages{"您输入的定深上限位值有误"});
    EXPECT_EQ(dlg.m_nDepthUpper, 0);
    EXPECT_EQ(dlg.m_nDepthLower, -12500);
    EXPECT_EQ(view.Text(id::IDC_DEPTH_LOWER), "-12.500");
    EXPECT_EQ(dlg.m_bDepthLimitChanged, 1);

    dlg.m_bDepthLimitChanged = 0;
    view.Type(id::IDC_DEPTH_UPPER, "-999.999");
    view.Type(id::IDC_DEPTH_LOWER, "-1000");
    view.Click(id::IDC_DEPTH_SEND);
    EXPECT_EQ(view.TakeMessages(), Messages{"您输入的定深下限位值有误"});
    EXPECT_EQ(dlg.m_nDepthUpper, -999999);
    EXPECT_EQ(dlg.m_nDepthLower, -12500);
    EXPECT_EQ(dlg.m_bDepthLimitChanged, 1);

    dlg.m_bDepthLimitChanged = 0;
    view.Type(id::IDC_DEPTH_UPPER, "x");
    view.Type(id::IDC_DEPTH_LOWER, "1e9");
    view.Click(id::IDC_DEPTH_SEND);  // "x" reads as 0 and is a valid limit
    EXPECT_EQ(view.TakeMessages(), Messages{"您输入的定深下限位值有误"});
    EXPECT_EQ(dlg.m_nDepthUpper, 0);
    EXPECT_EQ(view.Text(id::IDC_DEPTH_UPPER), "0.000");
}

TEST_F(MachiningParamTest, ClosingCommitsNothingAndKeysAreLeftToTheFramework) {
    Open();
    view.Type(id::IDC_PULSE_WIDTH, "20");
    view.Type(id::IDC_LIFT, "3");
    EXPECT_FALSE(view.PressKey(ks::ui::kKeyEnter));
    EXPECT_FALSE(view.PressKey(ks::ui::kKeyEscape));
    view.Click(ks::res::IDCANCEL);
    EXPECT_EQ(view.EndResult(), ks::ui::kIdCancel);
    EXPECT_EQ(dlg.m_nPulseWidth, 0);
    EXPECT_EQ(dlg.m_nLiftHeight, 0);
    EXPECT_EQ(dlg.m_bSegParamChanged | dlg.m_bLiftHeightChanged | dlg.m_bDepthLimitChanged, 0);
    view.Open(dlg);
    EXPECT_EQ(view.Text(id::IDC_PULSE_WIDTH), "0");
}

}  // namespace
}  // namespace ks::panels
