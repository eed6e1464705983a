// The job report from the main window's menu: the current job's record
// summed up as one HTML page beside it (records/<job>.html next to
// records/<job>.csv) and handed to the desktop's browser. A run under way
// goes on; the operator is told when there is nothing to report or the
// page cannot be written or shown.
#include "app/console_dlg.h"
#include "platform/file_read.h"
#include "platform/open_document.h"
#include "platform/os.h"
#include "platform/texts.h"
#include "report/report_html.h"

namespace ks::app {
namespace {

const char* const kTextNoJob = KS_TEXT("console", "没有加工文件，无法生成加工报告");
const char* const kTextNoRecord = KS_TEXT("console", "还没有加工记录：%1");
const char* const kTextReportNotWritten = KS_TEXT("console", "加工报告无法写入：%1");
const char* const kTextReportNotShown = KS_TEXT("console", "无法打开浏览器，加工报告已写入：%1");

std::string Text(const char* source, const std::string& path) { return Fill(Tr("console", source), {path}); }

}  // namespace

void CConsoleDlg::OnJobReport() {
    const std::string& record = m_record.Path();
    if (record.empty()) {
        View().MessageBox(Tr("console", kTextNoJob));
        return;
    }
    FileContents bytes;
    if (!ReadWholeFile(record, bytes, nullptr)) {
        View().MessageBox(Text(kTextNoRecord, record));
        return;
    }
    const report::JobSummary summary =
        report::Summarize(report::ReadRecord(bytes.View()), report::JobNameOf(m_strJobPath));
    const std::string page = report::ReportPathFor(record);
    if (!ReplaceFileDurably(page, report::MakeReportHtml(summary))) {
        View().MessageBox(Text(kTextReportNotWritten, page));
        return;
    }
    if (!OpenWithDesktop(page)) View().MessageBox(Text(kTextReportNotShown, page));
}

}  // namespace ks::app
