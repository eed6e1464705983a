#include "ui/testing/fake_view.h"

#include <gtest/gtest.h>

namespace ks::ui::testing {
namespace {

// A small dialog: an edit copied into a label on button 10, a child dialog
// on button 11 whose result is shown, Esc swallowed.
class Child : public Dialog {
public:
    Child() : Dialog(77) { MapCommand(5, [this] { View().EndDialog(View().GetItemText(6) == "yes" ? kIdOk : 9); }); }
    bool OnInitDialog() override {
        View().SetItemText(6, "start");
        inits++;
        return true;
    }
    int inits = 0;
};

class Parent : public Dialog {
public:
    Parent() : Dialog(50) {
        MapCommand(10, [this] { View().SetItemText(20, View().GetItemText(21)); });
        MapCommand(11, [this] { View().SetItemText(22, std::to_string(View().RunModal(child))); });
    }
    bool PreTranslateMessage(const Message& m) override {
        return m.kind == Message::KeyDown && m.key == kKeyEscape;
    }
    void OnTimer(int id) override { View().SetTimer(id, 60); }
    Child child;
};

TEST(FakeViewTest, ClicksTypingAndKeysReachTheDialog) {
    Parent dlg;
    FakeView view;
    ASSERT_TRUE(view.Open(dlg));
    view.Type(21, "abc");
    EXPECT_TRUE(view.Click(10));
    EXPECT_EQ(view.Text(20), "abc");
    EXPECT_FALSE(view.Click(99));           // nothing mapped
    EXPECT_TRUE(view.Click(kIdCancel));     // default OnCancel ends the dialog
    EXPECT_EQ(view.EndResult(), kIdCancel);
    EXPECT_TRUE(view.PressKey(kKeyEscape));
    EXPECT_FALSE(view.PressKey(kKeyEnter));
    view.FireTimer(1);
    EXPECT_EQ(view.TimerPeriod(1), 60u);
    ASSERT_EQ(view.TimerCalls().size(), 1u);
}

TEST(FakeViewTest, ModalScriptsPlayTheOperatorInTheChild) {
    Parent dlg;
    FakeView view;
    view.Open(dlg);
    view.QueueModal([](FakeView& child, Dialog&) {
        EXPECT_EQ(child.Text(6), "start");  // OnInitDialog ran first
        child.Type(6, "yes");
        child.Click(5);
    });
    view.QueueModal([](FakeView& child, Dialog&) { child.Click(5); });
    view.Click(11);
    EXPECT_EQ(view.Text(22), "1");
    view.Click(11);
    EXPECT_EQ(view.Text(22), "9");
    view.Click(11);  // no script left: the operator closes it
    EXPECT_EQ(view.Text(22), "2");
    EXPECT_EQ(view.ModalRuns(), (std::vector<int>{77, 77, 77}));
    EXPECT_EQ(dlg.child.inits, 3);
    EXPECT_FALSE(dlg.child.IsAttached());
}

TEST(FakeViewTest, PickersAnswerInOrderThenCancel) {
    FakeView view;
    view.QueueOpenFile(OpenFileResult{"/d/a.dxf", "a.dxf"});
    view.QueueOpenFile(std::nullopt);
    OpenFileResult r;
    EXPECT_TRUE(view.ChooseOpenFile({"DXF|*.dxf||", "/d"}, &r));
    EXPECT_EQ(r.name, "a.dxf");
    EXPECT_FALSE(view.ChooseOpenFile({}, &r));
    EXPECT_FALSE(view.ChooseOpenFile({}, &r));
    EXPECT_EQ(view.OpenFileRequests().front().startFolder, "/d");
    // A list selection out of range clears it, as LB_SETCURSEL does.
    view.ListAddString(1, "a");
    view.ListSetCurSel(1, 0);
    view.ListSetCurSel(1, 5);
    EXPECT_EQ(view.ListGetCurSel(1), -1);
}

}  // namespace
}  // namespace ks::ui::testing
