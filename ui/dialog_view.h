#pragma once
// What a dialog's logic may ask of its window, by control id. Two windows
// implement it: the Qt widgets (ui/qt) and a headless fake for tests.
// Texts are UTF-8 bytes (operator texts) or path bytes; the window converts.
#include <cstdint>
#include <string>
#include <vector>

namespace ks::ui {

class Dialog;

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

// What the open-file dialog is asked to show. filter is one string of
// label and pattern pairs, each followed by '|', the list ending in an
// empty label: "label|pattern|label|pattern||" (patterns of one label
// separated by ';'). One string keeps the dialogs' filters plain constants.
struct OpenFileRequest {
    std::string filter;
    std::string startFolder;
};

struct OpenFileResult {
    std::string path;  // full path of the chosen file
    std::string name;  // file name with extension
};

enum ModalResult : int { kIdOk = 1, kIdCancel = 2 };

class DialogView {
public:
    virtual ~DialogView() = default;

    // Static, edit and button captions.
    virtual void SetItemText(int id, const std::string& text) = 0;
    virtual std::string GetItemText(int id) = 0;
    virtual void EnableItem(int id, bool enabled) = 0;
    // The text shown when the pointer rests on a control (empty: none).
    virtual void SetItemToolTip(int id, const std::string& text) = 0;

    // List box: rows by index from 0, in the order they were added.
    virtual void ListReset(int id) = 0;
    virtual int ListAddString(int id, const std::string& row) = 0;
    virtual void ListSetCurSel(int id, int index) = 0;  // out of range clears
    virtual int ListGetCurSel(int id) = 0;              // -1 when none
    virtual int ListGetCount(int id) = 0;

    // Combo box (items come from the template); -1 = no selection.
    virtual void ComboSetCurSel(int id, int index) = 0;
    virtual int ComboGetCurSel(int id) = 0;
    // Replaces the text of item `index`; its place and value stay. A window
    // that cannot change items keeps the template's texts.
    virtual void ComboSetItemText(int id, int index, const std::string& text) {
        (void)id, (void)index, (void)text;
    }

    // Radio buttons: checks `checked` and clears the others of first..last.
    virtual void CheckRadioButton(int first, int last, int checked) = 0;
    virtual bool IsButtonChecked(int id) = 0;

    // Picture buttons: show bitmap resource `bitmapId` and repaint.
    virtual void SetButtonPicture(int id, int bitmapId) = 0;

    // Whole window.
    virtual void SetWindowTitle(const std::string& title) = 0;
    virtual void MessageBox(const std::string& text) = 0;  // modal, OK only
    // The same with a title of its own and a warning sign, for a message
    // that says why something the operator asked for was not done. A window
    // layer without these shows the text as a plain message.
    virtual void WarningBox(const std::string& title, const std::string& text) {
        (void)title;
        MessageBox(text);
    }
    virtual void Invalidate(bool erase) = 0;
    virtual Rect WindowRect() = 0;                  // screen pixels
    virtual void MoveWindow(const Rect& rect) = 0;  // screen pixels
    virtual void EndDialog(int result) = 0;

    // Timers: (re)arms timer `timerId` with the period; OnTimer is called.
    virtual void SetTimer(int timerId, uint32_t periodMs) = 0;
    virtual void KillTimer(int timerId) = 0;

    // Runs another dialog modally over this one and returns its result.
    virtual int RunModal(Dialog& child) = 0;

    // Pickers; false when the operator cancels.
    virtual bool ChooseOpenFile(const OpenFileRequest& request, OpenFileResult* result) = 0;
    virtual bool ChooseFolder(const std::string& title, std::string* folder) = 0;
};

}  // namespace ks::ui
