#pragma once
// A dialog's window: real widgets built from its res/ template, routing the
// operator's clicks, keys, wheel and timers to the dialog's logic, and doing
// what the logic asks through DialogView. The only class of ui/qt the dialogs'
// owners need; how the widgets are made (control_factory.h), styled
// (dialog_styling.h) and how events become logic calls (event_translation.h)
// stay behind it.
#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "res/ids.h"
#include "res/templates.h"
#include "ui/dialog.h"
#include "ui/dialog_view.h"

class QMenu;
class QTimer;

namespace ks::view {
class MapSurface;
}

namespace ks::ui::qt {

class HoleMapWidget;
struct Controls;
class DialogStyler;
class EventTranslator;

class DialogWindow : public QDialog, public DialogView {
public:
    // Builds the widgets of `logic`'s template. A panel is placed over
    // `parent` by the panel skin.
    explicit DialogWindow(Dialog& logic, QWidget* parent = nullptr);
    ~DialogWindow() override;

    // Attaches the logic, runs OnInitDialog, shows the window modally and
    // returns the EndDialog result.
    int RunModal();
    // The same start without a modal loop (the window stays open).
    bool Open();
    // What OnInitDialog answered.
    bool InitResult() const { return m_initResult; }

    const res::DialogTemplate& Template() const { return *m_template; }
    QWidget* Control(int id) const;
    // The hole map frame (1053), or null for templates without one.
    HoleMapWidget* MapWidget() const;
    view::MapSurface* MapSurface() const;

    // The window menu (right click on the window's own area): the about and
    // job report commands where the template has them; null when there is
    // nothing to offer.
    QMenu* WindowMenu();

    // Asks the logic for every control's colours again and applies them.
    void RefreshStyles();

    // Makes the logic's waits (serial time-outs, retry pauses) keep the
    // program's windows painting and answering the window manager: events
    // other than user input are processed in short slices, and no window
    // calls its logic until the wait is over. Once per program.
    static void InstallWaitHook();

    // Tests and tools may take message boxes instead of showing them.
    using MessageHook = std::function<void(const std::string& text)>;
    void SetMessageHook(MessageHook hook) { m_messageHook = std::move(hook); }
    // Runs once for every child window RunModal opens, after its start.
    using ChildHook = std::function<void(DialogWindow& child)>;
    void SetChildHook(ChildHook hook) { m_childHook = std::move(hook); }

    // DialogView
    void SetItemText(int id, const std::string& text) override;
    std::string GetItemText(int id) override;
    void EnableItem(int id, bool enabled) override;
    void SetItemToolTip(int id, const std::string& text) override;
    void ListReset(int id) override;
    int ListAddString(int id, const std::string& row) override;
    void ListSetCurSel(int id, int index) override;
    int ListGetCurSel(int id) override;
    int ListGetCount(int id) override;
    void ComboSetCurSel(int id, int index) override;
    int ComboGetCurSel(int id) override;
    void ComboSetItemText(int id, int index, const std::string& text) override;
    void CheckRadioButton(int first, int last, int checked) override;
    bool IsButtonChecked(int id) override;
    void SetButtonPicture(int id, int bitmapId) override;
    void SetWindowTitle(const std::string& title) override;
    void MessageBox(const std::string& text) override;
    void WarningBox(const std::string& title, const std::string& text) override;
    void Invalidate(bool erase) override;
    Rect WindowRect() override;
    void MoveWindow(const Rect& rect) override;
    void EndDialog(int result) override;
    void SetTimer(int timerId, uint32_t periodMs) override;
    void KillTimer(int timerId) override;
    int RunModal(Dialog& child) override;
    bool ChooseOpenFile(const OpenFileRequest& request, OpenFileResult* result) override;
    bool ChooseFolder(const std::string& title, std::string* folder) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void reject() override;
    void accept() override;

private:
    // Calls the logic now, or, during a wait, as soon as the wait is over.
    void CallLogic(std::function<void()> call);
    void ApplyStyle(int id);
    void Start();
    void Finish();
    void PlaceOverParent();
    void SchedulePaint();

    Dialog& m_logic;
    const res::DialogTemplate* m_template;
    std::unique_ptr<Controls> m_controls;
    std::unique_ptr<DialogStyler> m_styler;
    std::unique_ptr<EventTranslator> m_events;
    std::map<int, QTimer*> m_timers;
    // Bytes last given to each text control with the text they became: a
    // path that is not valid UTF-8 must come back as the same bytes.
    std::map<int, std::pair<QString, std::string>> m_givenText;
    QMenu* m_windowMenu = nullptr;
    bool m_initResult = false;
    bool m_started = false;
    bool m_paintPending = false;
    bool m_wasMinimised = false;
    bool m_ended = false;
    MessageHook m_messageHook;
    ChildHook m_childHook;
};

}  // namespace ks::ui::qt
