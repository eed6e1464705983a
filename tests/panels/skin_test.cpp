// The panel skin: every panel's place over the main window, and which
// controls get black text on the panel colour.
#include <gtest/gtest.h>

#include "panel_test_support.h"
#include "panels/file_process_dlg.h"
#include "panels/machine_param_dlg.h"
#include "panels/machining_param_dlg.h"
#include "panels/positioning_dlg.h"
#include "panels/system_info_dlg.h"
#include "platform/program_folder.h"
#include "res/ids.h"
#include "res/version.h"
#include "ui/testing/fake_view.h"

namespace ks::panels {
namespace {

using ks::ui::CtlColorKind;
using ks::ui::Rect;
using ks::ui::Rgb;
using ks::ui::testing::FakeView;

void ExpectPlaced(FakeView& view, const Rect& main) {
    ASSERT_FALSE(view.Moves().empty());
    const Rect r = view.Moves().back();
    EXPECT_EQ(r.left, main.left + 4);
    EXPECT_EQ(r.top, main.top + 52);
    EXPECT_EQ(r.width, 736);
    EXPECT_EQ(r.height, 620);
}

TEST(PanelSkinTest, EveryPanelOpensAtTheMainWindowsCurrentCorner) {
    testing::TempFolder folder;
    CMachiningParamDlg machining;
    CPositioningDlg positioning;
    CMachineParamDlg machine;
    machine.SetSettingsFolder(folder.Path());
    for (const Rect main : {Rect{0, 0, 1024, 768}, Rect{-300, 900, 400, 200}}) {
        for (CPanelDlg* panel : std::initializer_list<CPanelDlg*>{&machining, &positioning, &machine}) {
            FakeView view;
            view.SetWindowRectForTest({1, 1, 50, 50});  // the panel's own rect must not matter
            panel->SetMainWindowRect(main);
            view.Open(*panel);
            ExpectPlaced(view, main);
        }
        CFileProcessDlg file(main, folder.Path());
        CSystemInfoDlg info(main);
        FakeView v1, v2;
        v1.Open(file);
        v2.Open(info);
        ExpectPlaced(v1, main);
        ExpectPlaced(v2, main);
    }
}

TEST(PanelSkinTest, SystemInformationClosesWithOkEnterAndEsc) {
    CSystemInfoDlg info(Rect{0, 0, 800, 600});
    FakeView view;
    view.Open(info);
    EXPECT_FALSE(view.PressKey(ks::ui::kKeyEscape));  // left to the framework's cancel
    EXPECT_FALSE(view.PressKey(ks::ui::kKeyEnter));
    view.Click(ks::res::IDOK);
    EXPECT_EQ(view.EndResult(), ks::ui::kIdOk);
    EXPECT_FALSE(info.OnCtlColor(0, CtlColorKind::Dialog).has_value());  // the picture stays
}

TEST(PanelSkinTest, SystemInformationNamesVersionAndFolders) {
    // The folder the console was given, else the platform's settings folder.
    CSystemInfoDlg given(Rect{0, 0, 800, 600}, "/home/op/.config/kestrane");
    FakeView view;
    view.Open(given);
    const std::string text = view.Text(ks::res::sysinfo::IDC_INFO_TEXT);
    EXPECT_EQ(text, "版本：" + std::string(ks::res::kVersion) + "\n程序文件夹：" + ks::ProgramFolder() +
                        "\n设置文件夹：/home/op/.config/kestrane");
    ks::SetSettingsFolder("/srv/ks");
    CSystemInfoDlg platform(Rect{0, 0, 800, 600});
    FakeView view2;
    view2.Open(platform);
    ks::SetSettingsFolder(std::nullopt);
    EXPECT_NE(view2.Text(ks::res::sysinfo::IDC_INFO_TEXT).find("\n设置文件夹：/srv/ks"), std::string::npos);
    // Dark text on the notice picture's own ground.
    auto style = given.OnCtlColor(ks::res::sysinfo::IDC_INFO_TEXT, CtlColorKind::Static);
    ASSERT_TRUE(style.has_value());
    EXPECT_EQ(style->text, (Rgb{0, 0, 0}));
    EXPECT_EQ(style->background, kPanelColour);
}

// Black, transparent text on RGB(172,186,202) in the given font.
void ExpectLabel(ks::ui::Dialog& d, int id, const std::string& face, int points) {
    auto s = d.OnCtlColor(id, CtlColorKind::Static);
    ASSERT_TRUE(s.has_value()) << id;
    EXPECT_EQ(s->text, (Rgb{0, 0, 0}));
    EXPECT_EQ(s->background, (Rgb{172, 186, 202}));
    EXPECT_TRUE(s->transparentText);
    EXPECT_EQ(s->fontFace, face);
    EXPECT_EQ(s->fontPoints, points);
}

TEST(PanelSkinTest, OnlyTheListedLabelsAreColoured) {
    CMachiningParamDlg machining;
    for (int id = 1066; id <= 1078; ++id) ExpectLabel(machining, id, "", 0);
    for (int id : {1024, 1025, 1027, 1059, 1065, 1079}) EXPECT_FALSE(machining.OnCtlColor(id, CtlColorKind::Edit)) << id;

    CPositioningDlg positioning;
    for (int id : {1015, 1021, 1023, 1054, 1055, 1056, 1057}) ExpectLabel(positioning, id, "", 0);
    for (int id : {1013, 1038, 1046, 1058}) EXPECT_FALSE(positioning.OnCtlColor(id, CtlColorKind::Button)) << id;

    CMachineParamDlg machine;
    for (int id : {1014, 1015, 1021, 1054, 1055}) ExpectLabel(machine, id, "宋体", 10);
    for (int id : {1035, 1041}) EXPECT_FALSE(machine.OnCtlColor(id, CtlColorKind::Edit)) << id;

    for (ks::ui::Dialog* d : std::initializer_list<ks::ui::Dialog*>{&machining, &positioning, &machine}) {
        auto ground = d->OnCtlColor(0, CtlColorKind::Dialog);
        ASSERT_TRUE(ground.has_value());
        EXPECT_EQ(ground->background, (Rgb{172, 186, 202}));
    }

    testing::TempFolder folder;
    CFileProcessDlg file(Rect{}, folder.Path());
    ExpectLabel(file, 1014, "宋体", 12);
    ExpectLabel(file, 1015, "宋体", 12);
    for (int id : {1006, 1007, 1011}) EXPECT_FALSE(file.OnCtlColor(id, CtlColorKind::Edit)) << id;
    EXPECT_FALSE(file.OnCtlColor(0, CtlColorKind::Dialog).has_value());  // bitmap 155 stays
}

}  // namespace
}  // namespace ks::panels
