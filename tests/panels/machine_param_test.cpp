// Machine settings panel: what it reads from and writes to the settings
// file, and how the combos and radios show it.
#include "panels/machine_param_dlg.h"

#include <gtest/gtest.h>

#include "panel_test_support.h"
#include "platform/program_folder.h"
#include "res/ids.h"
#include "settings/keys.h"
#include "ui/testing/fake_view.h"

namespace ks::panels {
namespace {

namespace id = ks::res::machine;
namespace st = ks::settings;
using ks::ui::testing::FakeView;
using testing::ReadBytes;
using testing::WriteBytes;

class MachineParamTest : public ::testing::Test {
protected:
    MachineParamTest() {
        dlg.SetSettingsFolder(folder.Path());
        ini = folder.File("KSConfig.ini");
    }
    void Open() { ASSERT_TRUE(view.Open(dlg)); }
    std::string Key(std::string_view key) { return st::ReadSetting(ini, key, "<missing>"); }

    testing::TempFolder folder;
    std::string ini;
    CMachineParamDlg dlg;
    FakeView view;
};

TEST_F(MachineParamTest, MissingFileIsCreatedWithOnesAndShown) {
    Open();
    EXPECT_EQ(dlg.SettingsPath(), ini);
    EXPECT_EQ(ReadBytes(ini), "[FileParam Info]\r\nCom=1\r\nSpeed=1\r\nViewType=1\r\n");
    EXPECT_EQ(view.Combo(id::IDC_PORT), 0);
    EXPECT_EQ(view.Combo(id::IDC_SPEED), 0);
    EXPECT_TRUE(view.Checked(id::IDC_VIEW_HOLE));
    EXPECT_FALSE(view.Checked(id::IDC_VIEW_CENTRE));
    EXPECT_EQ(dlg.m_nViewType, 1);
}

TEST_F(MachineParamTest, ValuesOutsideTheItemsLeaveNoSelectionAndSaveAsZero) {
    WriteBytes(ini, "[FileParam Info]\r\nCom=9\r\nViewType=3\r\nHole=12\r\n");
    Open();
    EXPECT_EQ(view.Combo(id::IDC_PORT), -1);
    EXPECT_EQ(view.Combo(id::IDC_SPEED), -1);  // Speed missing reads as 0
    EXPECT_FALSE(view.Checked(id::IDC_VIEW_HOLE));
    EXPECT_FALSE(view.Checked(id::IDC_VIEW_CENTRE));
    view.Click(ks::res::IDOK);
    EXPECT_EQ(view.EndResult(), ks::ui::kIdOk);
    EXPECT_EQ(Key(st::key::Com), "0");
    EXPECT_EQ(Key(st::key::Speed), "0");
    EXPECT_EQ(Key(st::key::ViewType), "3");
    EXPECT_EQ(Key(st::key::Hole), "12");  // other keys untouched
}

TEST_F(MachineParamTest, ItemsFollowTheStoredLevelsAndTheAtoiRule) {
    WriteBytes(ini, "[FileParam Info]\r\nCom= 7x\r\nSpeed=5\r\nViewType=2\r\n");
    Open();
    EXPECT_EQ(view.Combo(id::IDC_PORT), 6);
    EXPECT_EQ(view.Combo(id::IDC_SPEED), 4);
    EXPECT_TRUE(view.Checked(id::IDC_VIEW_CENTRE));
    WriteBytes(ini, "[FileParam Info]\r\nCom=0\r\nSpeed=6\r\nViewType=abc\r\n");
    view.Open(dlg);
    EXPECT_EQ(view.Combo(id::IDC_PORT), -1);
    EXPECT_EQ(view.Combo(id::IDC_SPEED), -1);
    EXPECT_EQ(dlg.m_nViewType, 0);
}

TEST_F(MachineParamTest, PortItemsCarryTheSystemsNamesAndKeepTheirValues) {
    std::vector<ComPort> ports = {{2, "\\Device\\Serial1", ""},
                                  {3, "\\Device\\VCP0", "USB Serial Port (COM3)"},
                                  {7, "\\Device\\Silabser0", "CP210x UART Bridge"},
                                  {12, "\\Device\\VCP1", "USB Serial Port (COM12)"}};  // no item of its own
    dlg.SetPortNames([&] { return ports; });
    WriteBytes(ini, "[FileParam Info]\r\nCom=3\r\nSpeed=1\r\nViewType=1\r\n");
    Open();
    EXPECT_EQ(view.ComboItem(id::IDC_PORT, 0), "COM1");
    EXPECT_EQ(view.ComboItem(id::IDC_PORT, 1), "COM2");
    EXPECT_EQ(view.ComboItem(id::IDC_PORT, 2), "COM3  USB Serial Port");
    EXPECT_EQ(view.ComboItem(id::IDC_PORT, 6), "COM7  CP210x UART Bridge");
    EXPECT_EQ(view.ComboItem(id::IDC_PORT, 7), "");
    EXPECT_EQ(view.Combo(id::IDC_PORT), 2);
    // The adapter unplugged: its name goes at the next opening, the choice stays.
    ports.clear();
    view.Open(dlg);
    EXPECT_EQ(view.ComboItem(id::IDC_PORT, 2), "COM3");
    view.Click(ks::res::IDOK);
    EXPECT_EQ(Key(st::key::Com), "3");
}

TEST_F(MachineParamTest, RadioClickSavesAllThreeAtOnce) {
    Open();
    view.SelectCombo(id::IDC_PORT, 2);   // "COM3"
    view.SelectCombo(id::IDC_SPEED, 3);  // "4挡"
    view.Click(id::IDC_VIEW_CENTRE);
    EXPECT_FALSE(view.EndResult().has_value());
    EXPECT_EQ(Key(st::key::Com), "3");
    EXPECT_EQ(Key(st::key::Speed), "4");
    EXPECT_EQ(Key(st::key::ViewType), "2");
    EXPECT_TRUE(view.Checked(id::IDC_VIEW_CENTRE));
    view.Click(id::IDC_VIEW_HOLE);
    EXPECT_EQ(Key(st::key::ViewType), "1");
    EXPECT_TRUE(view.PressKey(ks::ui::kKeyEscape));
    EXPECT_TRUE(view.PressKey(ks::ui::kKeyEnter));
    EXPECT_FALSE(view.EndResult().has_value());
}

TEST_F(MachineParamTest, SaveRecreatesADeletedFileBeforeWriting) {
    Open();
    std::filesystem::remove(ini);
    view.SelectCombo(id::IDC_PORT, 1);
    view.Click(ks::res::IDOK);
    EXPECT_EQ(ReadBytes(ini), "[FileParam Info]\r\nCom=2\r\nSpeed=1\r\nViewType=1\r\n");
}

TEST_F(MachineParamTest, ReadsTheProgramFolderWhenNoFolderIsGiven) {
    ks::SetProgramFolder(folder.Path());
    CMachineParamDlg plain;
    FakeView v;
    v.Open(plain);
    EXPECT_EQ(plain.SettingsPath(), ini);
    EXPECT_TRUE(std::filesystem::exists(ini));
}

}  // namespace
}  // namespace ks::panels
