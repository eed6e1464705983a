#include "panels/file_process_dlg.h"

#include <algorithm>

#include "panels/panel_texts.h"
#include "platform/textnum.h"
#include "platform/texts.h"
#include "platform/program_folder.h"
#include "res/ids.h"
#include "settings/keys.h"

namespace ks::panels {
namespace {

namespace id = ks::res::fileproc;
namespace st = ks::settings;

}  // namespace

CFileProcessDlg::CFileProcessDlg(const ks::ui::Rect& mainWindow, std::string settingsFolder)
    : CPanelDlg(ks::res::IDD_FILE_PROCESS),
      m_settingsFolder(std::move(settingsFolder)),
      m_converter(std::make_unique<ks::DxfConverter>(static_cast<ks::MessageSink&>(*this))) {
    SetMainWindowRect(mainWindow);
    MapCommand(id::IDC_CHOOSE_DXF, [this] { OnChooseDxf(); });
    MapCommand(id::IDC_GENERATE_NC, [this] { OnGenerateNc(); });
    MapCommand(id::IDC_CHOOSE_JOB, [this] { OnChooseJobFile(); });
    MapCommand(id::IDC_EXIT, [this] { OnExit(); });
}

CFileProcessDlg::CFileProcessDlg(const ks::ui::Rect& mainWindow)
    : CFileProcessDlg(mainWindow, ProgramFolder()) {}

CFileProcessDlg::~CFileProcessDlg() = default;

void CFileProcessDlg::ShowMessage(const std::string& text) {
    ++m_nMessages;
    if (IsAttached()) View().MessageBox(Tr("jobfiles", text.c_str()));
}

void CFileProcessDlg::ShowMessageLines(const std::vector<ks::MessageLine>& lines) {
    ++m_nMessages;
    if (!IsAttached() || lines.empty()) return;
    const std::vector<ks::MessageLine> body(lines.begin() + 1, lines.end());
    View().WarningBox(ks::ComposeMessage({lines.front()}), ks::ComposeMessage(body));
}

// The operator sees which program to choose as the job, and a conversion
// that found nothing in the range is not mistaken for one that worked.
void CFileProcessDlg::ShowConversionResult() {
    const ks::DxfConverter& c = *m_converter;
    std::string text;
    if (!c.WrittenPath().empty()) {
        text = Fill(PanelText(c.WrittenHoles() > 0 ? kTextConverted : kTextConvertedEmpty),
                    {c.WrittenPath(), FormatInt(c.WrittenHoles())});
    }
    View().SetItemText(id::IDC_CONVERT_RESULT, text);
    // Said only when nothing else was: a drawing that did not open or is
    // damaged has said so already.
    if (!c.WrittenPath().empty() && c.WrittenHoles() == 0 && m_nMessages == 0) {
        View().WarningBox(PanelText(kTextNoCircleTitle),
                          Fill(PanelText(kTextNoCircle), {m_diaMinText, m_diaMaxText, c.WrittenPath()}));
    }
}

bool CFileProcessDlg::OnInitDialog() {
    PlaceOverMainWindow();
    m_dxfPath.clear();
    m_diaMinText.clear();
    m_diaMaxText.clear();
    m_ncFolder.clear();
    m_jobPath.clear();
    m_ncBaseName.clear();
    m_converter->ClearHoleTable();
    m_settingsPath = st::SettingsPathIn(m_settingsFolder);
    LoadPanelSettings();
    return true;
}

void CFileProcessDlg::LoadPanelSettings() {
    st::CreateIfMissing(m_settingsPath, st::FilePanelDefaults());
    m_dxfFolder = st::ReadSetting(m_settingsPath, st::key::OpenDXFAbsolutePath, st::missing::OpenDXFAbsolutePath);
    m_dxfPath = st::ReadSetting(m_settingsPath, st::key::OpenDXFPath, st::missing::OpenDXFPath);
    m_diaMinText = st::ReadSetting(m_settingsPath, st::key::DiameterMin, st::missing::DiameterMin);
    m_diaMaxText = st::ReadSetting(m_settingsPath, st::key::DiameterMax, st::missing::DiameterMax);
    m_ncFolder = st::ReadSetting(m_settingsPath, st::key::SaveNCPath, st::missing::SaveNCPath);
    m_jobPath = st::ReadSetting(m_settingsPath, st::key::DirNCPath, st::missing::PanelDirNCPath);

    ks::ui::DialogView& v = View();
    v.SetItemText(id::IDC_DXF_PATH, m_dxfPath);
    v.SetItemText(id::IDC_DIA_MIN, m_diaMinText);
    v.SetItemText(id::IDC_DIA_MAX, m_diaMaxText);
    v.SetItemText(id::IDC_NC_FOLDER, m_ncFolder);
    v.SetItemText(id::IDC_JOB_PATH, m_jobPath);
}

void CFileProcessDlg::SavePanelSettings() {
    st::CreateIfMissing(m_settingsPath, st::FilePanelDefaults());
    ks::ui::DialogView& v = View();
    // What stands in the boxes, typed or chosen, is what is kept.
    m_dxfPath = v.GetItemText(id::IDC_DXF_PATH);
    m_diaMinText = v.GetItemText(id::IDC_DIA_MIN);
    m_diaMaxText = v.GetItemText(id::IDC_DIA_MAX);
    m_ncFolder = v.GetItemText(id::IDC_NC_FOLDER);
    m_jobPath = v.GetItemText(id::IDC_JOB_PATH);
    st::WriteSetting(m_settingsPath, st::key::OpenDXFAbsolutePath, m_dxfFolder);
    st::WriteSetting(m_settingsPath, st::key::OpenDXFPath, m_dxfPath);
    st::WriteSetting(m_settingsPath, st::key::DiameterMin, m_diaMinText);
    st::WriteSetting(m_settingsPath, st::key::DiameterMax, m_diaMaxText);
    st::WriteSetting(m_settingsPath, st::key::SaveNCPath, m_ncFolder);
    st::WriteSetting(m_settingsPath, st::key::DirNCPath, m_jobPath);
}

// The pickers are told their start folder; the process's current folder is
// left alone. A folder key that was never written holds the text that stands
// for a missing key, which a picker would show as a file name: such a
// folder is no folder.
void CFileProcessDlg::OnChooseDxf() {
    ks::ui::OpenFileResult chosen;
    const std::string start = st::NamesAFile(m_dxfFolder) ? m_dxfFolder : std::string();
    if (!View().ChooseOpenFile({PanelText(kTextDxfFilter), start}, &chosen)) chosen = {};
    m_dxfPath = chosen.path;
    const size_t nameLength = std::min(chosen.name.size(), chosen.path.size());
    m_dxfFolder = chosen.path.substr(0, chosen.path.size() - nameLength);
    View().SetItemText(id::IDC_DXF_PATH, m_dxfPath);
}

void CFileProcessDlg::OnGenerateNc() {
    std::string folder;
    if (!View().ChooseFolder(PanelText(kTextOutputFolder), &folder) || folder.empty()) return;
    m_ncFolder = folder;
    View().SetItemText(id::IDC_NC_FOLDER, m_ncFolder);
    m_ncBaseName = ks::NcBaseNameOf(m_dxfPath);

    // The diameter boxes as they stand now; the drawing as loaded or chosen.
    m_diaMinText = View().GetItemText(id::IDC_DIA_MIN);
    m_diaMaxText = View().GetItemText(id::IDC_DIA_MAX);
    ks::DxfConverter& c = *m_converter;
    c.m_dxfPath = m_dxfPath;
    c.m_diaMinText = m_diaMinText;
    c.m_diaMaxText = m_diaMaxText;
    c.m_ncFolder = m_ncFolder;
    c.m_ncBaseName = m_ncBaseName;
    c.m_reader = ks::DxfReaderKindOf(st::ReadSetting(m_settingsPath, st::key::DxfReader, ""));
    c.m_units = ks::DxfUnitsOf(st::ReadSetting(m_settingsPath, st::key::DxfUnits, ""));
    m_nMessages = 0;
    c.ConvertDxf();
    ShowConversionResult();
}

void CFileProcessDlg::OnChooseJobFile() {
    ks::ui::OpenFileResult chosen;
    const std::string start = st::NamesAFile(m_ncFolder) ? m_ncFolder : std::string();
    if (View().ChooseOpenFile({PanelText(kTextJobFilter), start}, &chosen)) m_jobPath = chosen.path;
    View().SetItemText(id::IDC_JOB_PATH, m_jobPath);
}

void CFileProcessDlg::OnExit() {
    SavePanelSettings();
    OnOK();
}

bool CFileProcessDlg::PreTranslateMessage(const ks::ui::Message& msg) { return IsEscOrEnter(msg); }

std::optional<ks::ui::ControlStyle> CFileProcessDlg::OnCtlColor(int controlId, ks::ui::CtlColorKind kind) {
    // The panel's own ground is the template's picture (bitmap 155).
    if (kind == ks::ui::CtlColorKind::Dialog) return std::nullopt;
    if (controlId == id::IDC_MM_MIN || controlId == id::IDC_MM_MAX) return LabelStyle("宋体", 12);
    return std::nullopt;
}

}  // namespace ks::panels
