#include "res/templates.h"

#include <gtest/gtest.h>

#include <set>

#include "res/ids.h"
#include "res/version.h"

namespace ks::res {
namespace {

bool Inside(const DlgRect& inner, const DlgRect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

bool Overlap(const DlgRect& a, const DlgRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

TEST(Templates, EveryTemplateIsPresentAndWellFormed) {
    for (int id : {IDD_ABOUTBOX, IDD_CONSOLE, IDD_FILE_PROCESS, IDD_SYSTEM_INFO, IDD_MACHINING_PARAM, IDD_POSITIONING,
                   IDD_MACHINE_PARAM}) {
        const DialogTemplate* t = FindTemplate(id);
        ASSERT_NE(t, nullptr) << id;
        std::set<int> ids;
        const DlgRect whole{0, 0, t->width, t->height};
        for (const auto& c : t->controls) {
            if (c.id > 0) {
                EXPECT_TRUE(ids.insert(c.id).second) << id << ": duplicate " << c.id;
            }
            // Combo rectangles include their drop-down list.
            if (c.kind != ControlKind::ComboBox) {
                EXPECT_TRUE(Inside(c.rect, whole)) << id << ": " << c.id;
            }
            EXPECT_GT(c.rect.width, 0);
            EXPECT_GT(c.rect.height, 0);
        }
        // Apart from group boxes (which frame others) and combos, controls must
        // not cover each other, or a click would land on the wrong one.
        for (size_t i = 0; i < t->controls.size(); ++i) {
            for (size_t j = i + 1; j < t->controls.size(); ++j) {
                const auto& a = t->controls[i];
                const auto& b = t->controls[j];
                if (a.kind == ControlKind::GroupBox || b.kind == ControlKind::GroupBox) continue;
                if (a.kind == ControlKind::ComboBox || b.kind == ControlKind::ComboBox) continue;
                EXPECT_FALSE(Overlap(a.rect, b.rect)) << id << ": " << a.id << " / " << b.id;
            }
        }
    }
    EXPECT_EQ(FindTemplate(101), nullptr);
}

TEST(Templates, PanelsShareTheSkin) {
    for (int id : {IDD_SYSTEM_INFO, IDD_MACHINING_PARAM, IDD_POSITIONING, IDD_MACHINE_PARAM}) {
        const DialogTemplate& t = *FindTemplate(id);
        EXPECT_TRUE(t.panel);
        EXPECT_EQ(t.width, 368);
        EXPECT_EQ(t.height, 314);
        const ControlTemplate* ok = t.Find(IDOK);
        ASSERT_NE(ok, nullptr) << id;
        EXPECT_EQ(ok->text, "确定");
        EXPECT_TRUE(ok->style & kDefault);
        EXPECT_EQ(ok->rect.x, 302);
        EXPECT_EQ(ok->rect.y, 283);
        // The template fills the panel's client area exactly.
        const PixelRect all = ToPixels(t, {0, 0, t.width, t.height});
        EXPECT_EQ(all.width, kPanelWidth - 2);
        EXPECT_EQ(all.height, kPanelHeight - 2);
    }
    // Below the notice picture: the text with the version and the folders.
    EXPECT_EQ(FindTemplate(IDD_SYSTEM_INFO)->controls.size(), 2u);
    ASSERT_NE(FindTemplate(IDD_SYSTEM_INFO)->Find(sysinfo::IDC_INFO_TEXT), nullptr);
    EXPECT_EQ(FindTemplate(IDD_SYSTEM_INFO)->backgroundBitmap, IDB_SYSTEM_NOTICE);
    EXPECT_EQ(FindTemplate(IDD_MACHINE_PARAM)->backgroundRgb, 0xACBACA);
    EXPECT_TRUE(FindTemplate(IDD_FILE_PROCESS)->panel);
    EXPECT_EQ(FindTemplate(IDD_FILE_PROCESS)->backgroundBitmap, IDB_FILE_PANEL);
}

TEST(Templates, MainWindowGeometryInPixels) {
    const DialogTemplate& t = *FindTemplate(IDD_CONSOLE);
    EXPECT_EQ(t.clientWidth, 1020);
    EXPECT_EQ(t.clientHeight, 700);
    EXPECT_FALSE(t.windowStyle & kThinBorder);
    EXPECT_TRUE(t.windowStyle & kMinimiseBox);
    const PixelRect map = ToPixels(t, t.Find(console::IDC_MAP)->rect);
    EXPECT_EQ(map.x, 3);
    EXPECT_EQ(map.y, 30);
    EXPECT_EQ(map.width, 735);
    EXPECT_EQ(map.height, 617);
    // The three status labels tile the top edge without gaps.
    const PixelRect comm = ToPixels(t, t.Find(console::IDC_COMM_LABEL)->rect);
    const PixelRect line = ToPixels(t, t.Find(console::IDC_STATUS_LINE)->rect);
    const PixelRect rate = ToPixels(t, t.Find(console::IDC_RATE_LABEL)->rect);
    EXPECT_EQ(comm.x + comm.width, line.x);
    EXPECT_EQ(line.x + line.width, rate.x);
    // Only the main window offers the about command in its window menu.
    EXPECT_TRUE(t.aboutItem);
    EXPECT_FALSE(FindTemplate(IDD_ABOUTBOX)->aboutItem);
    // The about box names the version the build was made as.
    EXPECT_EQ(FindTemplate(IDD_ABOUTBOX)->controls.at(1).text,
              "Kestrane 小孔机控制台 " + std::string(kVersion) + " 版");
    EXPECT_EQ(LoadString(IDS_ABOUTBOX), "关于 Kestrane(&A)...");
    EXPECT_EQ(LoadString(999), "");
}

TEST(Templates, PictureButtonsHaveTheirPictures) {
    const DialogTemplate& t = *FindTemplate(IDD_CONSOLE);
    const std::pair<int, int> expected[] = {
        {console::IDC_PUMP, 185},   {console::IDC_HEAD, 180},    {console::IDC_HF, 186},
        {console::IDC_DRILL, 181},  {console::IDC_FILE_PROCESS, 191}, {console::IDC_MACHINING_PARAM, 192},
        {console::IDC_POSITIONING, 193}, {console::IDC_MACHINE_PARAM, 194}, {console::IDC_SYSTEM_INFO, 195},
        {console::IDC_RESET, 196},  {console::IDC_START, 198},   {console::IDC_SYNC, 219},
        {console::IDC_ABORT, 200},  {console::IDC_SKIP_HOLE, 201}, {console::IDC_SET_PAUSE_HOLE, 202},
        {console::IDC_PREV_HOLE, 205}, {console::IDC_NEXT_HOLE, 204}, {console::IDC_LOCK, 206},
        {console::IDC_PAUSE, 209},
    };
    int pictureButtons = 0;
    for (const auto& c : t.controls) pictureButtons += c.kind == ControlKind::PictureButton;
    EXPECT_EQ(pictureButtons, 19);
    for (auto [button, bitmap] : expected) {
        const ControlTemplate* c = t.Find(button);
        ASSERT_NE(c, nullptr) << button;
        EXPECT_EQ(c->kind, ControlKind::PictureButton);
        EXPECT_EQ(c->bitmap, bitmap) << button;
        const PictureInfo* p = FindPicture(bitmap);
        ASSERT_NE(p, nullptr) << bitmap;
        EXPECT_FALSE(p->caption.empty());
        // The picture sized button must stay inside the window.
        const PixelRect r = ToPixels(t, c->rect);
        EXPECT_LE(r.x + p->width, t.clientWidth) << button;
        EXPECT_LE(r.y + p->height, t.clientHeight + 1) << button;
    }
    EXPECT_EQ(FindPicture(IDB_BACKGROUND)->width, 1020);
    EXPECT_EQ(FindPicture(IDB_BACKGROUND)->height, 710);
    EXPECT_EQ(FindPicture(IDB_ABORT)->height, 32);
    EXPECT_EQ(FindPicture(IDB_SYSTEM_NOTICE)->width, 734);
    EXPECT_EQ(FindPicture(IDB_FILE_PANEL)->height, 643);
}

TEST(Templates, SwappedPicturesPairUp) {
    std::set<int> buttons;
    for (const auto& s : PictureSwaps()) {
        const PictureInfo* on = FindPicture(s.onBitmap);
        const PictureInfo* off = FindPicture(s.offBitmap);
        ASSERT_NE(on, nullptr);
        ASSERT_NE(off, nullptr);
        EXPECT_EQ(on->tone, PictureTone::On);
        EXPECT_EQ(off->tone, PictureTone::Off);
        EXPECT_EQ(on->width, off->width);
        EXPECT_EQ(on->height, off->height);
        EXPECT_EQ(on->caption, off->caption);
        buttons.insert(s.buttonId);
        // The button starts with one of its two pictures.
        const int initial = FindTemplate(IDD_CONSOLE)->Find(s.buttonId)->bitmap;
        EXPECT_TRUE(initial == s.onBitmap || initial == s.offBitmap);
    }
    EXPECT_EQ(buttons.size(), 6u);
    EXPECT_EQ(FindPicture(IDB_HEAD_ON)->tone, PictureTone::On);
    EXPECT_EQ(FindPicture(IDB_DRILL_OFF)->tone, PictureTone::Off);
}

TEST(Templates, MachineSettingsCombosAndRadios) {
    const DialogTemplate& t = *FindTemplate(IDD_MACHINE_PARAM);
    const ControlTemplate* port = t.Find(machine::IDC_PORT);
    ASSERT_EQ(port->items.size(), 7u);
    EXPECT_EQ(port->items.front(), "COM1");
    EXPECT_EQ(port->items.back(), "COM7");
    EXPECT_FALSE(port->style & kSorted);
    const ControlTemplate* speed = t.Find(machine::IDC_SPEED);
    EXPECT_EQ(speed->items, (std::vector<std::string>{"1挡", "2挡", "3挡", "4挡", "5挡"}));
    EXPECT_TRUE(speed->style & kSorted);
    EXPECT_TRUE(speed->style & kDropDown);
    EXPECT_EQ(t.Find(machine::IDC_VIEW_HOLE)->kind, ControlKind::Radio);
    EXPECT_EQ(t.Find(machine::IDC_VIEW_CENTRE)->text, "中心点居中");
}

TEST(Templates, FileProcessingRectanglesAsGiven) {
    const DialogTemplate& t = *FindTemplate(IDD_FILE_PROCESS);
    EXPECT_EQ(t.width, 422);
    EXPECT_EQ(t.height, 361);
    const ControlTemplate* path = t.Find(fileproc::IDC_DXF_PATH);
    EXPECT_EQ(path->rect.x, 109);
    EXPECT_EQ(path->rect.width, 289);
    EXPECT_TRUE(path->style & kMultiLine);
    EXPECT_EQ(t.Find(fileproc::IDC_EXIT)->text, "退出");
    EXPECT_EQ(t.Find(fileproc::IDC_CHOOSE_JOB)->text, "指定当前加工文件");
    int edits = 0;
    for (const auto& c : t.controls) edits += c.kind == ControlKind::Edit;
    EXPECT_EQ(edits, 5);
}

}  // namespace
}  // namespace ks::res

namespace ks::res {
namespace {

// The about panel's guidance follows what the console does: a failed link
// comes back by itself, a new job starts at hole 1, a finished one after 复位.
TEST(SystemNotice, GuidanceMatchesTheConsole) {
    const std::vector<std::string> lines = SystemNoticeLines();
    const auto line = [&](const std::string& words) {
        for (const std::string& l : lines)
            if (l.find(words) != std::string::npos) return l;
        return std::string();
    };
    const std::string link = line("通信中断");
    ASSERT_FALSE(link.empty());
    EXPECT_NE(link.find("无需重新启动"), std::string::npos) << link;
    EXPECT_EQ(link.find("再重新启动"), std::string::npos) << link;
    EXPECT_FALSE(line("新指定的加工文件从第1孔开始").empty());
    EXPECT_FALSE(line("加工完成后按“复位”").empty());
}

}  // namespace
}  // namespace ks::res
