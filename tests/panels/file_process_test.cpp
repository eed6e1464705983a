// File processing panel: its six settings, the pickers, and the conversion
// it starts.
#include "panels/file_process_dlg.h"

#include <gtest/gtest.h>

#include "jobfiles/job_loader.h"
#include "panel_test_support.h"
#include "res/ids.h"
#include "settings/keys.h"
#include "tests/jobfiles/test_support.h"
#include "ui/testing/fake_view.h"

namespace ks::panels {
namespace {

namespace id = ks::res::fileproc;
namespace st = ks::settings;
using ks::ui::OpenFileResult;
using ks::ui::testing::FakeView;
using testing::ReadBytes;
using testing::WriteBytes;
using Messages = std::vector<std::string>;

// A drawing with circles of diameter 1 mm at (1, 2) and 2 mm at (5, 2).
const char* kPlate =
    "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n"
    "  0\r\nCIRCLE\r\n100\r\nAcDbCircle\r\n 10\r\n1\r\n 20\r\n2\r\n 30\r\n0\r\n 40\r\n0.5\r\n"
    "  0\r\nCIRCLE\r\n100\r\nAcDbCircle\r\n 10\r\n5\r\n 20\r\n2\r\n 30\r\n0\r\n 40\r\n1\r\n"
    "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";

// The same plate with its second hole a block placed by an INSERT.
const char* kPlateWithBlock =
    "  0\r\nSECTION\r\n  2\r\nBLOCKS\r\n  0\r\nBLOCK\r\n  2\r\nPIN\r\n 10\r\n0\r\n 20\r\n0\r\n"
    "  0\r\nCIRCLE\r\n100\r\nAcDbCircle\r\n 10\r\n0\r\n 20\r\n0\r\n 30\r\n0\r\n 40\r\n0.5\r\n"
    "  0\r\nENDBLK\r\n  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n"
    "  0\r\nCIRCLE\r\n100\r\nAcDbCircle\r\n 10\r\n1\r\n 20\r\n2\r\n 30\r\n0\r\n 40\r\n0.5\r\n"
    "  0\r\nINSERT\r\n  2\r\nPIN\r\n 10\r\n5\r\n 20\r\n2\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n";

class NullSink : public ks::MessageSink {
public:
    void ShowMessage(const std::string&) override {}
};

class FileProcessTest : public ::testing::Test {
protected:
    FileProcessTest() : dlg(ks::ui::Rect{10, 20, 1024, 768}, folder.Path()), ini(folder.File("KSConfig.ini")) {}
    void Open() { ASSERT_TRUE(view.Open(dlg)); }
    std::string Key(std::string_view key) { return st::ReadSetting(ini, key, "<missing>"); }
    int32_t HolesIn(const std::string& path) {
        auto holes = std::make_unique<ks::HoleSlots>();
        int32_t count = 0;
        NullSink sink;
        ks::LoadNcJob(path, *holes, count, sink);
        return count;
    }

    testing::TempFolder folder;
    CFileProcessDlg dlg;
    std::string ini;
    FakeView view;
};

TEST_F(FileProcessTest, FirstStartCreatesSixZeroKeysAndShowsThem) {
    Open();
    EXPECT_EQ(ReadBytes(ini),
              "[FileParam Info]\r\nOpenDXFAbsolutePath=0\r\nOpenDXFPath=0\r\nDiameterMin=0\r\n"
              "DiameterMax=0\r\nSaveNCPath=0\r\nDirNCPath=0\r\n");
    for (int box : {id::IDC_DXF_PATH, id::IDC_DIA_MIN, id::IDC_DIA_MAX, id::IDC_NC_FOLDER, id::IDC_JOB_PATH})
        EXPECT_EQ(view.Text(box), "0") << box;
    EXPECT_EQ(dlg.m_dxfFolder, "0");
    EXPECT_EQ(dlg.m_settingsPath, ini);
}

TEST_F(FileProcessTest, MissingKeysShowTheirTextsAndAnExistingFileIsNotFilledIn) {
    WriteBytes(ini, "[FileParam Info]\r\nDiameterMax=2.5\r\nCom=3\r\n");
    Open();
    EXPECT_EQ(dlg.m_dxfFolder, "没找到选择的dxf文件");
    EXPECT_EQ(view.Text(id::IDC_DXF_PATH), "没找到选择dxf文件");
    EXPECT_EQ(view.Text(id::IDC_DIA_MIN), "没找到直径最小值");
    EXPECT_EQ(view.Text(id::IDC_DIA_MAX), "2.5");
    EXPECT_EQ(view.Text(id::IDC_NC_FOLDER), "没找到生成NC加工文件");
    EXPECT_EQ(view.Text(id::IDC_JOB_PATH), "没找到指定当前NC或3B加工文件");
    EXPECT_EQ(Key(st::key::DirNCPath), "<missing>");
}

TEST_F(FileProcessTest, ChoosingADrawingSetsPathAndFolderAndCancelEmptiesThem) {
    WriteBytes(ini, "[FileParam Info]\r\nOpenDXFAbsolutePath=/parts/old/\r\n");
    Open();
    view.QueueOpenFile(OpenFileResult{"/parts/plate.dxf", "plate.dxf"});
    view.Click(id::IDC_CHOOSE_DXF);
    ASSERT_EQ(view.OpenFileRequests().size(), 1u);
    EXPECT_EQ(view.OpenFileRequests()[0].filter, "加工文件(*.dxf)|*.dxf|所有文件(*.*)|*.*||");
    EXPECT_EQ(view.OpenFileRequests()[0].startFolder, "/parts/old/");
    EXPECT_EQ(dlg.m_dxfPath, "/parts/plate.dxf");
    EXPECT_EQ(dlg.m_dxfFolder, "/parts/");
    EXPECT_EQ(view.Text(id::IDC_DXF_PATH), "/parts/plate.dxf");

    view.QueueOpenFile(std::nullopt);
    view.Click(id::IDC_CHOOSE_DXF);
    EXPECT_EQ(view.OpenFileRequests()[1].startFolder, "/parts/");
    EXPECT_EQ(dlg.m_dxfPath, "");
    EXPECT_EQ(dlg.m_dxfFolder, "");
    EXPECT_EQ(view.Text(id::IDC_DXF_PATH), "");
}

TEST_F(FileProcessTest, GenerateConvertsWithTheDiameterBoxesAsTheyStand) {
    WriteBytes(folder.File("plate.dxf"), kPlate);
    Open();
    view.QueueOpenFile(OpenFileResult{folder.File("plate.dxf"), "plate.dxf"});
    view.Click(id::IDC_CHOOSE_DXF);
    view.Type(id::IDC_DIA_MIN, "0.5");
    view.Type(id::IDC_DIA_MAX, "1.5");
    const std::string out = folder.File("out");
    view.QueueFolder(out);
    view.Click(id::IDC_GENERATE_NC);
    EXPECT_EQ(view.FolderTitles(), Messages{"请选择要保存文件的文件夹"});
    EXPECT_EQ(view.Text(id::IDC_NC_FOLDER), out);
    EXPECT_EQ(dlg.m_ncBaseName, "plate");
    EXPECT_TRUE(view.Messages().empty());
    EXPECT_EQ(HolesIn(out + "/plate00.NC"), 1);  // the 2 mm circle is outside

    view.Type(id::IDC_DIA_MAX, "2");
    view.QueueFolder(out);
    view.Click(id::IDC_GENERATE_NC);
    EXPECT_EQ(HolesIn(out + "/plate01.NC"), 2);
}

// The operator sees the program to choose as the job, and a range that
// caught no circle is said in a box of its own.
TEST_F(FileProcessTest, GenerateShowsTheProgramAndItsHolesAndWarnsOfNoCircle) {
    WriteBytes(folder.File("plate.dxf"), kPlate);
    Open();
    dlg.m_dxfPath = folder.File("plate.dxf");
    view.Type(id::IDC_DIA_MIN, "0.5");
    view.Type(id::IDC_DIA_MAX, "2");
    const std::string out = folder.File("out");
    view.QueueFolder(out);
    view.Click(id::IDC_GENERATE_NC);
    EXPECT_EQ(view.Text(id::IDC_CONVERT_RESULT), "已生成：" + out + "/plate00.NC（2个孔）");
    EXPECT_TRUE(view.Messages().empty());

    view.Type(id::IDC_DIA_MIN, "5");
    view.Type(id::IDC_DIA_MAX, "9");
    view.QueueFolder(out);
    view.Click(id::IDC_GENERATE_NC);
    EXPECT_EQ(view.Text(id::IDC_CONVERT_RESULT), "已生成：" + out + "/plate01.NC（没有孔）");
    ASSERT_EQ(view.WarningTitles(), Messages{"范围内没有圆"});
    EXPECT_NE(view.Messages().back().find("5～9mm"), std::string::npos) << view.Messages().back();
}

// A folder key never written holds the text that stands for it; a picker
// given it as its start would show that text as a file name.
TEST_F(FileProcessTest, PickersStartNowhereRatherThanInAMissingKeysText) {
    WriteBytes(ini, "[FileParam Info]\r\nDiameterMax=2.5\r\n");
    Open();
    view.Click(id::IDC_CHOOSE_DXF);
    view.Click(id::IDC_CHOOSE_JOB);
    ASSERT_EQ(view.OpenFileRequests().size(), 2u);
    EXPECT_EQ(view.OpenFileRequests()[0].startFolder, "");
    EXPECT_EQ(view.OpenFileRequests()[1].startFolder, "");
}

TEST_F(FileProcessTest, DxfReaderSettingChoosesTheFullReaderElseTheCheckSaysWhatWasMissed) {
    WriteBytes(folder.File("plate.dxf"), kPlateWithBlock);
    Open();
    view.QueueOpenFile(OpenFileResult{folder.File("plate.dxf"), "plate.dxf"});
    view.Click(id::IDC_CHOOSE_DXF);
    view.Type(id::IDC_DIA_MIN, "0.5");
    view.Type(id::IDC_DIA_MAX, "2");
    const std::string out = folder.File("out");
    view.QueueFolder(out);
    view.Click(id::IDC_GENERATE_NC);
    ks::DrawingCheck inBlock;
    inBlock.missed[static_cast<size_t>(ks::MissReason::InBlock)] = 1;
    inBlock.writtenReader = true;
    // Titled by its first line, with the full reader named as the remedy.
    EXPECT_EQ(view.TakeMessages(), Messages{ks::DrawingCheckMessage(inBlock)});
    EXPECT_EQ(view.WarningTitles(), Messages{"图纸核对：NC文件与图纸中的圆不一致，加工前请核对图纸"});
    EXPECT_NE(ks::DrawingCheckMessage(inBlock).find("DxfReader=full"), std::string::npos);
    EXPECT_EQ(HolesIn(out + "/plate00.NC"), 1);

    // Set by hand while the panel is open; read at each conversion.
    st::WriteSetting(ini, st::key::DxfReader, "full");
    view.QueueFolder(out);
    view.Click(id::IDC_GENERATE_NC);
    EXPECT_TRUE(view.TakeMessages().empty());
    EXPECT_EQ(HolesIn(out + "/plate01.NC"), 2);
}

TEST_F(FileProcessTest, DamagedOrUnreadableDrawingsAreSaidAfterTheWrittenMessages) {
    Open();
    view.Type(id::IDC_DIA_MIN, "0.5");
    view.Type(id::IDC_DIA_MAX, "2");
    for (const ks::test::BadDrawing& bad : ks::test::BadDrawings()) {
        const std::string out = folder.File(std::string("out ") + bad.what);
        WriteBytes(folder.File("bad.dxf"), bad.bytes);
        view.Type(id::IDC_DXF_PATH, folder.File("bad.dxf"));
        dlg.m_dxfPath = folder.File("bad.dxf");
        view.QueueFolder(out);
        view.Click(id::IDC_GENERATE_NC);
        ks::DrawingCheck check;
        check.fault = bad.fault;
        Messages expected{ks::DrawingCheckMessage(check)};
        if (bad.formatError) expected.insert(expected.begin(), "DXF文件格式有误");
        EXPECT_EQ(view.TakeMessages(), expected) << bad.what;
        EXPECT_EQ(HolesIn(out + "/bad00.NC"), bad.holes) << bad.what;
    }
}

// Read at each conversion, never written, as DxfReader.
TEST_F(FileProcessTest, DxfUnitsSettingConvertsByTheDrawingsUnit) {
    namespace t = ks::test;
    WriteBytes(folder.File("cm.dxf"), t::Drawing(t::Circle("1", "2", "0.05"), t::Header("  9\r\n$INSUNITS\r\n 70\r\n5\r\n")));
    Open();
    dlg.m_dxfPath = folder.File("cm.dxf");
    view.Type(id::IDC_DIA_MIN, "0");
    view.Type(id::IDC_DIA_MAX, "100");
    const std::string title = "图纸核对：图纸的单位不是毫米，请核对孔的位置和尺寸\n";
    view.QueueFolder(folder.File("out"));
    view.Click(id::IDC_GENERATE_NC);
    EXPECT_EQ(view.TakeMessages(), Messages{title + "图纸单位：厘米（1厘米=10mm），坐标按毫米读入，未换算"});
    EXPECT_NE(ReadBytes(folder.File("out/cm00.NC")).find("N1  X1000  Y2000   R50\r\n"), std::string::npos);

    st::WriteSetting(ini, st::key::DxfUnits, "DRAWING");
    view.QueueFolder(folder.File("out"));
    view.Click(id::IDC_GENERATE_NC);
    EXPECT_EQ(view.TakeMessages(), Messages{title + "图纸单位：厘米（1厘米=10mm），坐标已换算为毫米"});
    EXPECT_NE(ReadBytes(folder.File("out/cm01.NC")).find("N1  X10000  Y20000   R500\r\n"), std::string::npos);
    view.Click(id::IDC_EXIT);
    EXPECT_EQ(Key(st::key::DxfUnits), "DRAWING");
}

TEST_F(FileProcessTest, GenerateWithAnEmptyDrawingPathStillWritesAnEmptyProgram) {
    Open();
    view.QueueFolder(std::nullopt);
    view.Click(id::IDC_GENERATE_NC);
    view.QueueFolder(std::string());  // an item with no file-system path
    view.Click(id::IDC_GENERATE_NC);
    EXPECT_EQ(view.Text(id::IDC_NC_FOLDER), "0");
    EXPECT_TRUE(view.Messages().empty());
    EXPECT_FALSE(std::filesystem::exists(folder.File("00.NC")));

    view.QueueOpenFile(std::nullopt);
    view.Click(id::IDC_CHOOSE_DXF);
    view.QueueFolder(folder.Path());
    view.Click(id::IDC_GENERATE_NC);
    EXPECT_EQ(view.FolderTitles().size(), 3u);
    EXPECT_EQ(view.TakeMessages(), (Messages{"DXF文件打开出错", "文件打开出错"}));
    EXPECT_EQ(dlg.m_ncBaseName, "");
    EXPECT_TRUE(std::filesystem::exists(folder.File("00.NC")));
    EXPECT_EQ(HolesIn(folder.File("00.NC")), 0);
}

TEST_F(FileProcessTest, TypedDrawingPathWaitsForTheNextOpening) {
    WriteBytes(folder.File("plate.dxf"), kPlate);
    Open();
    view.Type(id::IDC_DXF_PATH, folder.File("plate.dxf"));
    view.Type(id::IDC_DIA_MAX, "5");
    view.QueueFolder(folder.Path());
    view.Click(id::IDC_GENERATE_NC);
    // The conversion used the loaded path "0", which has no dot.
    EXPECT_EQ(view.TakeMessages(), (Messages{"DXF文件打开出错", "文件打开出错"}));
    EXPECT_EQ(HolesIn(folder.File("00.NC")), 0);
}

TEST_F(FileProcessTest, BaseNameRules) {
    WriteBytes(ini, "[FileParam Info]\r\nOpenDXFPath=/a.b/plate\r\n");
    Open();
    view.QueueFolder(folder.Path());
    view.Click(id::IDC_GENERATE_NC);
    EXPECT_EQ(dlg.m_ncBaseName, "");  // the last dot is before the last separator
    WriteBytes(ini, "[FileParam Info]\r\nOpenDXFPath=part.v2.dxf\r\n");
    view.Open(dlg);
    view.QueueFolder(folder.Path());
    view.Click(id::IDC_GENERATE_NC);
    EXPECT_EQ(dlg.m_ncBaseName, "part.v2");  // no separator: from the first character
    EXPECT_TRUE(std::filesystem::exists(folder.File("part.v200.NC")));
}

TEST_F(FileProcessTest, JobFileChoiceStartsInTheOutputFolderAndCancelKeepsIt) {
    WriteBytes(ini, "[FileParam Info]\r\nSaveNCPath=/jobs\r\nDirNCPath=/jobs/a00.NC\r\n");
    Open();
    view.QueueOpenFile(std::nullopt);
    view.Click(id::IDC_CHOOSE_JOB);
    EXPECT_EQ(view.OpenFileRequests()[0].filter, "加工文件(*.NC)|*.NC|所有文件(*.*)|*.*||");
    EXPECT_EQ(view.OpenFileRequests()[0].startFolder, "/jobs");
    EXPECT_EQ(view.Text(id::IDC_JOB_PATH), "/jobs/a00.NC");
    view.QueueOpenFile(OpenFileResult{"/jobs/b01.NC", "b01.NC"});
    view.Click(id::IDC_CHOOSE_JOB);
    EXPECT_EQ(dlg.m_jobPath, "/jobs/b01.NC");
    EXPECT_EQ(view.Text(id::IDC_JOB_PATH), "/jobs/b01.NC");
}

TEST_F(FileProcessTest, ExitSavesExactlyTheBoxesAndTheDrawingFolder) {
    Open();
    view.QueueOpenFile(OpenFileResult{"/parts/plate.dxf", "plate.dxf"});
    view.Click(id::IDC_CHOOSE_DXF);
    view.Type(id::IDC_DXF_PATH, "/typed/other.dxf");
    view.Type(id::IDC_DIA_MIN, "0.3");
    view.Type(id::IDC_DIA_MAX, "abc");
    view.Type(id::IDC_NC_FOLDER, "/out");
    view.Type(id::IDC_JOB_PATH, "/out/plate00.NC");
    EXPECT_TRUE(view.PressKey(ks::ui::kKeyEscape));
    EXPECT_TRUE(view.PressKey(ks::ui::kKeyEnter));
    EXPECT_FALSE(view.EndResult().has_value());
    view.Click(id::IDC_EXIT);
    EXPECT_EQ(view.EndResult(), ks::ui::kIdOk);
    EXPECT_EQ(ReadBytes(ini),
              "[FileParam Info]\r\nOpenDXFAbsolutePath=/parts/\r\nOpenDXFPath=/typed/other.dxf\r\n"
              "DiameterMin=0.3\r\nDiameterMax=abc\r\nSaveNCPath=/out\r\nDirNCPath=/out/plate00.NC\r\n");
}

TEST_F(FileProcessTest, ExitRecreatesADeletedFileInTheUsualOrder) {
    Open();
    std::filesystem::remove(ini);
    view.Type(id::IDC_JOB_PATH, "/j.NC");
    view.Click(id::IDC_EXIT);
    EXPECT_EQ(ReadBytes(ini),
              "[FileParam Info]\r\nOpenDXFAbsolutePath=0\r\nOpenDXFPath=0\r\nDiameterMin=0\r\n"
              "DiameterMax=0\r\nSaveNCPath=0\r\nDirNCPath=/j.NC\r\n");
}

}  // namespace
}  // namespace ks::panels
