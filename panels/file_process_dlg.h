#pragma once
// File processing panel (template 103): turns a DXF drawing into an NC hole
// program and names the job file the console runs. Its six fields live in
// the settings file: read on opening, written by "退出", the only way out
// (Esc and Enter are swallowed). A fresh object for every opening; the
// launcher re-reads the settings and reloads the job when it has closed.
#include <memory>
#include <string>

#include "jobfiles/dxf_converter.h"
#include "panels/panel_dlg.h"

namespace ks::panels {

class CFileProcessDlg : public CPanelDlg, private ks::MessageSink {
public:
    // mainWindow: the main window's rectangle, for the panel's place;
    // settingsFolder: where KSConfig.ini lives (the program's folder).
    CFileProcessDlg(const ks::ui::Rect& mainWindow, std::string settingsFolder);
    explicit CFileProcessDlg(const ks::ui::Rect& mainWindow);
    ~CFileProcessDlg() override;

    bool OnInitDialog() override;
    bool PreTranslateMessage(const ks::ui::Message& msg) override;
    std::optional<ks::ui::ControlStyle> OnCtlColor(int controlId, ks::ui::CtlColorKind kind) override;

    void LoadPanelSettings();
    void SavePanelSettings();
    void OnChooseDxf();      // 1001
    void OnGenerateNc();     // 1003
    void OnChooseJobFile();  // 1004
    void OnExit();           // 1011

    // The conversion tables and the run of the drawing-to-NC conversion.
    ks::DxfConverter& Converter() { return *m_converter; }

    std::string m_dxfFolder;   // folder of the chosen drawing, trailing separator
    std::string m_dxfPath;     // box 1006
    std::string m_diaMinText;  // box 1007, mm
    std::string m_diaMaxText;  // box 1008, mm
    std::string m_ncFolder;    // box 1009
    std::string m_jobPath;     // box 1010
    std::string m_ncBaseName;
    std::string m_settingsPath;

private:
    void ShowMessage(const std::string& text) override;
    // The drawing check's lines: its first line is the box's title.
    void ShowMessageLines(const std::vector<ks::MessageLine>& lines) override;
    // What the conversion wrote, under the output folder.
    void ShowConversionResult();

    std::string m_settingsFolder;
    int m_nMessages = 0;  // shown by the conversion that runs
    std::unique_ptr<ks::DxfConverter> m_converter;  // large tables: kept off the stack
};

}  // namespace ks::panels
