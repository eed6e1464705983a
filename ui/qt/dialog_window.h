#pragma once
// A dialog's window: real widgets built from its res/ template, routing the
// operator's clicks, keys, wheel and timers to the dialog's logic, and doing
// what the logic asks through DialogView.
#include <QDialog>
#include <QFontMetrics>
#include <QHash>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "res/ids.h"
#include "res/templates.h"
#include "ui/dialog.h"
#include "ui/dialog_view.h"

class QButtonGroup;
class QMenu;
class QTimer;

namespace ks::view {
class MapSurface;
}

namespace ks::ui::qt {

class HoleMapWidget;
class PictureButton;

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
    HoleMapWidget* MapWidget() const { return m_map; }
    view::MapSurface* MapSurface() const;

    // The window menu (right click on the window's own area): the about
    // command where the template has it; null when there is nothing to offer.
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
    void CheckRadioButton(int first, int last, int checked) override;
    bool IsButtonChecked(int id) override;
    void SetButtonPicture(int id, int bitmapId) override;
    void SetWindowTitle(const std::string& title) override;
    void MessageBox(const std::string& text) override;
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
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void reject() override;
    void accept() override;

private:
    // Calls the logic now, or, during a wait, as soon as the wait is over.
    void CallLogic(std::function<void()> call);
    void Build();
    QWidget* MakeControl(const res::ControlTemplate& c);
    void ApplyStyle(int id);
    void Start();
    void Finish();
    bool HandleKey(QObject* watched, QKeyEvent* key);
    bool IsOwnWidget(QObject* object) const;
    int DefaultButtonId() const;
    void PlaceOverParent();
    void SchedulePaint();
    std::string ShownText(QWidget* w) const;

    Dialog& m_logic;
    const res::DialogTemplate* m_template;
    std::map<int, QWidget*> m_controls;
    std::map<QObject*, int> m_idOf;
    std::map<int, const res::ControlTemplate*> m_controlTemplates;
    std::map<int, QTimer*> m_timers;
    // Bytes last given to each text control with the text they became: a
    // path that is not valid UTF-8 must come back as the same bytes.
    std::map<int, std::pair<QString, std::string>> m_givenText;
    // Each list box's face as styled and its widest row, from which the
    // size it is drawn in is fitted to its width.
    struct ListFit {
        QFont design;
        QString widest;
        int width = 0;
        // A job fills the hole list with 15,000 rows that differ mostly in
        // their digits. Where the face draws every digit alike, whatever
        // stands beside it, a row is as wide as any other of its shape
        // (its digits all made 0), and only the first of each shape is
        // measured.
        QFont measured;                               // the face all below are for
        std::optional<QFontMetrics> metrics;
        std::optional<bool> digitsAlike;              // between digits
        std::map<char16_t, bool> digitsAlikeBeside;   // beside this other character
        QHash<QString, int> widthOfShape;
    };
    int RowWidth(ListFit& fit, const QString& row);
    bool DigitsAlikeBeside(ListFit& fit, QChar other);
    std::map<int, ListFit> m_listFit;
    std::map<int, QButtonGroup*> m_radioGroup;  // radio id -> its group
    HoleMapWidget* m_map = nullptr;
    QMenu* m_windowMenu = nullptr;
    QPixmap m_background;
    QColor m_fill;
    bool m_hasFill = false;
    bool m_initResult = false;
    bool m_started = false;
    bool m_paintPending = false;
    bool m_wasMinimised = false;
    bool m_ended = false;
    MessageHook m_messageHook;
    ChildHook m_childHook;
};

}  // namespace ks::ui::qt
