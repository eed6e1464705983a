#include "res/templates.h"

#include <cmath>

#include "platform/texts.h"
#include "res/ids.h"
#include "res/version.h"

namespace ks::res {

namespace {

using K = ControlKind;

// Panels are 736 x 620 pixels with a one-pixel border: the template is
// stretched over the 734 x 618 client area.
constexpr int kPanelClientWidth = kPanelWidth - 2;
constexpr int kPanelClientHeight = kPanelHeight - 2;

// Texts are looked up in the catalogue of the program's language as the
// templates are built (once, on first use).
std::string Text(const std::string& source) { return Tr("templates", source.c_str()); }

ControlTemplate C(int id, K kind, const std::string& text, DlgRect r, uint32_t style = 0) {
    ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.text = Text(text);
    c.rect = r;
    c.style = style;
    return c;
}

ControlTemplate Pic(int id, const std::string& text, DlgRect r, int bitmap) {
    ControlTemplate c = C(id, K::PictureButton, text, r);
    c.bitmap = bitmap;
    return c;
}

ControlTemplate Combo(int id, DlgRect r, uint32_t style, std::vector<std::string> items) {
    ControlTemplate c = C(id, K::ComboBox, "", r, style | kDropDown);
    for (std::string& item : items) item = Text(item);
    c.items = std::move(items);
    return c;
}

// A text with a number in it: translated as a pattern, then filled.
ControlTemplate Filled(ControlTemplate c, std::string_view arg) {
    c.text = Fill(c.text, {arg});
    return c;
}

ControlTemplate PanelOk() { return C(IDOK, K::Button, KS_TEXT("templates", "确定"), {302, 283, 50, 16}, kDefault); }

void FitPanel(DialogTemplate& t) {
    t.panel = true;
    t.windowStyle = kThinBorder;
    t.clientWidth = kPanelClientWidth;
    t.clientHeight = kPanelClientHeight;
    t.unitX = static_cast<double>(kPanelClientWidth) / t.width;
    t.unitY = static_cast<double>(kPanelClientHeight) / t.height;
}

DialogTemplate AboutBox() {
    DialogTemplate t;
    t.id = IDD_ABOUTBOX;
    t.caption = Text(KS_TEXT("templates", "关于 Kestrane"));
    t.width = 235;
    t.height = 55;
    t.fontFace = "宋体";
    t.fontPoints = 9;
    t.windowStyle = kCaption | kSystemMenu | kModalFrame;
    // The about box keeps the classic 8-point dialog face: 6 x 13 pixel base units.
    t.unitX = 1.5;
    t.unitY = 1.625;
    t.clientWidth = 353;
    t.clientHeight = 89;
    t.controls = {
        C(IDR_MAINFRAME, K::Icon, "", {11, 14, 20, 20}),
        Filled(C(-1, K::Static, KS_TEXT("templates", "Kestrane 小孔机控制台 %1 版"), {40, 10, 130, 10}), kVersion),
        C(-1, K::Static, KS_TEXT("templates", "版权所有 (C) 2026 Kestrane"), {40, 28, 130, 10}),
        C(IDOK, K::Button, KS_TEXT("templates", "确定"), {178, 7, 50, 16}, kDefault),
    };
    return t;
}

DialogTemplate Console() {
    namespace c = console;
    DialogTemplate t;
    t.id = IDD_CONSOLE;
    t.caption = "Kestrane";
    t.width = 679;
    t.height = 467;
    t.fontFace = "宋体";
    t.fontPoints = 9;
    t.windowStyle = kCaption | kSystemMenu | kMinimiseBox;
    t.clientWidth = 1020;
    t.clientHeight = 700;
    t.backgroundBitmap = IDB_BACKGROUND;
    t.aboutItem = true;
    t.reportItem = true;
    t.controls = {
        C(c::IDC_COMM_LABEL, K::Static, KS_TEXT("templates", "通信状态"), {0, 0, 284, 18}, kSunken | kCentre),
        C(c::IDC_STATUS_LINE, K::Static, KS_TEXT("templates", "串口接收"), {284, 0, 251, 18}, kSunken),
        C(c::IDC_RATE_LABEL, K::Static, KS_TEXT("templates", "完成率"), {535, 0, 144, 18}, kSunken | kCentre),
        C(c::IDC_MAP, K::Frame, "", {2, 20, 490, 411}, kBlackFrame | kSunken),
        C(c::IDC_X_LABEL, K::Static, "X", {508, 23, 28, 25}),
        C(c::IDC_Y_LABEL, K::Static, "Y", {508, 57, 28, 25}),
        C(c::IDC_Z_LABEL, K::Static, "Z", {508, 91, 28, 25}),
        C(c::IDC_X_INT, K::Static, "", {544, 23, 71, 25}, kRight),
        C(c::IDC_Y_INT, K::Static, "", {544, 57, 71, 25}, kRight),
        C(c::IDC_Z_INT, K::Static, "", {544, 91, 71, 25}, kRight),
        C(c::IDC_X_DEC, K::Static, "", {616, 23, 43, 25}),
        C(c::IDC_Y_DEC, K::Static, "", {616, 57, 43, 25}),
        C(c::IDC_Z_DEC, K::Static, "", {616, 91, 43, 25}),
        C(c::IDC_HOLE_LIST, K::ListBox, "", {499, 125, 178, 151}, kBorder),
        Pic(c::IDC_SKIP_HOLE, KS_TEXT("templates", "跳孔"), {502, 283, 74, 23}, IDB_SKIP_HOLE),
        Pic(c::IDC_SET_PAUSE_HOLE, KS_TEXT("templates", "定孔"), {593, 283, 74, 23}, IDB_SET_PAUSE_HOLE),
        Pic(c::IDC_PREV_HOLE, KS_TEXT("templates", "上一孔"), {502, 313, 74, 23}, IDB_PREV_HOLE),
        Pic(c::IDC_NEXT_HOLE, KS_TEXT("templates", "下一孔"), {594, 313, 74, 23}, IDB_NEXT_HOLE),
        Pic(c::IDC_LOCK, KS_TEXT("templates", "锁轴"), {502, 344, 74, 23}, IDB_LOCKED),
        Pic(c::IDC_PAUSE, KS_TEXT("templates", "继续/暂停"), {594, 344, 74, 23}, IDB_PAUSE),
        Pic(c::IDC_SYNC, KS_TEXT("templates", "坐标同步"), {498, 381, 55, 21}, IDB_SYNC_OFF),
        Pic(c::IDC_PUMP, KS_TEXT("templates", "水泵"), {556, 381, 55, 21}, IDB_PUMP_OFF),
        Pic(c::IDC_HF, KS_TEXT("templates", "高频"), {617, 381, 55, 21}, IDB_HF_OFF),
        Pic(c::IDC_ABORT, KS_TEXT("templates", "提前中止"), {497, 408, 55, 21}, IDB_ABORT),
        Pic(c::IDC_HEAD, KS_TEXT("templates", "旋转头"), {556, 409, 55, 21}, IDB_HEAD_OFF),
        Pic(c::IDC_DRILL, KS_TEXT("templates", "开关打孔"), {617, 409, 55, 21}, IDB_DRILL_OFF),
        Pic(c::IDC_FILE_PROCESS, KS_TEXT("templates", "文件处理"), {0, 437, 84, 30}, IDB_FILE_PROCESS),
        Pic(c::IDC_MACHINING_PARAM, KS_TEXT("templates", "加工参数"), {99, 437, 84, 30}, IDB_MACHINING_PARAM),
        Pic(c::IDC_POSITIONING, KS_TEXT("templates", "定位分中"), {196, 437, 84, 30}, IDB_POSITIONING),
        Pic(c::IDC_MACHINE_PARAM, KS_TEXT("templates", "机床参数"), {295, 437, 84, 30}, IDB_MACHINE_PARAM),
        Pic(c::IDC_SYSTEM_INFO, KS_TEXT("templates", "关于系统"), {395, 437, 84, 30}, IDB_SYSTEM_INFO),
        Pic(c::IDC_RESET, KS_TEXT("templates", "复位"), {495, 437, 84, 30}, IDB_RESET),
        Pic(c::IDC_START, KS_TEXT("templates", "停止/启动"), {591, 437, 84, 30}, IDB_START),
    };
    return t;
}

DialogTemplate FileProcess() {
    namespace f = fileproc;
    constexpr uint32_t kBox = kBorder | kMultiLine | kAutoHScroll;
    DialogTemplate t;
    t.id = IDD_FILE_PROCESS;
    t.width = 422;
    t.height = 361;
    t.fontFace = "MS Sans Serif";
    t.fontPoints = 10;
    t.backgroundBitmap = IDB_FILE_PANEL;
    FitPanel(t);
    t.controls = {
        C(f::IDC_CHOOSE_DXF, K::Button, KS_TEXT("templates", "选择dxf文件"), {20, 24, 78, 20}),
        C(f::IDC_DXF_PATH, K::Edit, "", {109, 23, 289, 22}, kBox),
        C(f::IDC_DIAMETER, K::Button, KS_TEXT("templates", "选择直径范围"), {20, 81, 78, 20}),
        C(f::IDC_DIA_MIN, K::Edit, "", {123, 82, 35, 18}, kBox),
        C(f::IDC_MM_MIN, K::Static, "mm", {163, 84, 17, 10}),
        C(f::IDC_DIA_MAX, K::Edit, "", {247, 81, 35, 18}, kBox),
        C(f::IDC_MM_MAX, K::Static, "mm", {286, 84, 17, 10}),
        C(f::IDC_GENERATE_NC, K::Button, KS_TEXT("templates", "生成NC加工文件"), {20, 132, 78, 20}),
        C(f::IDC_NC_FOLDER, K::Edit, "", {109, 135, 288, 20}, kBox),
        C(f::IDC_CONVERT_RESULT, K::Static, "", {109, 160, 288, 30}, kWordWrap),
        C(f::IDC_CHOOSE_JOB, K::Button, KS_TEXT("templates", "指定当前加工文件"), {20, 254, 78, 20}),
        C(f::IDC_JOB_PATH, K::Edit, "", {109, 255, 287, 20}, kBox),
        C(f::IDC_EXIT, K::Button, KS_TEXT("templates", "退出"), {331, 325, 68, 20}),
    };
    return t;
}

DialogTemplate PanelBase(int id) {
    DialogTemplate t;
    t.id = id;
    t.width = 368;
    t.height = 314;
    t.fontFace = "System";
    t.fontPoints = 10;
    FitPanel(t);
    return t;
}

DialogTemplate SystemInfo() {
    DialogTemplate t = PanelBase(IDD_SYSTEM_INFO);
    t.backgroundBitmap = IDB_SYSTEM_NOTICE;
    // Below the notice: the version and the settings folder, filled in on
    // opening (an installed console keeps its settings per account).
    t.controls = {
        C(sysinfo::IDC_INFO_TEXT, K::Static, "", {18, 206, 332, 66}, kWordWrap),
        PanelOk(),
    };
    return t;
}

DialogTemplate MachiningParam() {
    namespace m = machining;
    DialogTemplate t = PanelBase(IDD_MACHINING_PARAM);
    t.backgroundRgb = kPanelRgb;
    constexpr uint32_t kBox = kBorder | kAutoHScroll;
    t.controls = {
        C(m::IDC_DEPTH_GROUP, K::GroupBox, KS_TEXT("templates", "自动定深设定"), {12, 8, 168, 96}),
        C(m::IDC_UPPER_LABEL, K::Static, KS_TEXT("templates", "上限位值"), {24, 30, 46, 12}),
        C(m::IDC_DEPTH_UPPER, K::Edit, "", {72, 27, 60, 16}, kBox),
        C(m::IDC_LOWER_LABEL, K::Static, KS_TEXT("templates", "下限位值"), {24, 56, 46, 12}),
        C(m::IDC_DEPTH_LOWER, K::Edit, "", {72, 53, 60, 16}, kBox),
        C(m::IDC_DEPTH_SEND, K::Button, KS_TEXT("templates", "发送"), {72, 79, 60, 18}),
        C(m::IDC_LIFT_GROUP, K::GroupBox, KS_TEXT("templates", "自动抬刀设定"), {188, 8, 168, 96}),
        C(m::IDC_LIFT_LABEL, K::Static, KS_TEXT("templates", "抬刀高度"), {200, 30, 46, 12}),
        C(m::IDC_LIFT, K::Edit, "", {248, 27, 60, 16}, kBox),
        C(m::IDC_LIFT_SEND, K::Button, KS_TEXT("templates", "发送"), {314, 26, 36, 18}),
        C(m::IDC_LIFT_NOTE, K::Static, KS_TEXT("templates", "该参数用于打穿后自动抬起高度"), {200, 56, 150, 40}, kWordWrap),
    };
    // Seven segment columns: label, "+", value, "-".
    struct Column { int label, edit, plus, minus; const char* text; bool centred; };
    const Column cols[] = {
        {m::IDC_SEG_LABEL, m::IDC_SEG_NO, m::IDC_SEG_PLUS, m::IDC_SEG_MINUS, KS_TEXT("templates", "段号"), false},
        {m::IDC_WIDTH_LABEL, m::IDC_PULSE_WIDTH, m::IDC_WIDTH_PLUS, m::IDC_WIDTH_MINUS, KS_TEXT("templates", "脉宽"), true},
        {m::IDC_INTERVAL_LABEL, m::IDC_PULSE_INTERVAL, m::IDC_INTERVAL_PLUS, m::IDC_INTERVAL_MINUS, KS_TEXT("templates", "脉间"), true},
        {m::IDC_POWER_LABEL, m::IDC_POWER, m::IDC_POWER_PLUS, m::IDC_POWER_MINUS, KS_TEXT("templates", "功放"), true},
        {m::IDC_CAP_LABEL, m::IDC_CAP, m::IDC_CAP_PLUS, m::IDC_CAP_MINUS, KS_TEXT("templates", "电容"), true},
        {m::IDC_VOLT_LABEL, m::IDC_VOLT, m::IDC_VOLT_PLUS, m::IDC_VOLT_MINUS, KS_TEXT("templates", "电压"), true},
        {m::IDC_SPEED_LABEL, m::IDC_SPEED, m::IDC_SPEED_PLUS, m::IDC_SPEED_MINUS, KS_TEXT("templates", "速度"), true},
    };
    int x = 12;
    for (const Column& col : cols) {
        t.controls.push_back(C(col.label, K::Static, col.text, {x, 124, 38, 12}, kCentre));
        t.controls.push_back(C(col.plus, K::Button, "+", {x, 140, 38, 24}));
        t.controls.push_back(C(col.edit, K::Edit, "", {x, 170, 38, 16}, kBox | (col.centred ? uint32_t{kCentre} : uint32_t{0})));
        t.controls.push_back(C(col.minus, K::Button, "-", {x, 192, 38, 24}));
        x += 42;
    }
    t.controls.push_back(C(m::IDC_SEG_SEND, K::Button, KS_TEXT("templates", "发送"), {x + 4, 168, 46, 20}));
    t.controls.push_back(PanelOk());
    return t;
}

DialogTemplate Positioning() {
    namespace p = positioning;
    DialogTemplate t = PanelBase(IDD_POSITIONING);
    t.backgroundRgb = kPanelRgb;
    t.controls = {
        C(p::IDC_JOG_GROUP, K::GroupBox, KS_TEXT("templates", "手动移轴"), {12, 8, 344, 132}),
        C(p::IDC_X_MINUS, K::Button, "X-", {30, 24, 64, 24}),
        C(p::IDC_X_PLUS, K::Button, "X+", {104, 24, 64, 24}),
        C(p::IDC_Y_MINUS, K::Button, "Y-", {30, 52, 64, 24}),
        C(p::IDC_Y_PLUS, K::Button, "Y+", {104, 52, 64, 24}),
        C(p::IDC_C_MINUS, K::Button, "C-", {30, 80, 64, 24}),
        C(p::IDC_C_PLUS, K::Button, "C+", {104, 80, 64, 24}),
        C(p::IDC_Z_MINUS, K::Button, "Z-", {30, 108, 64, 24}),
        C(p::IDC_Z_PLUS, K::Button, "Z+", {104, 108, 64, 24}),
        C(p::IDC_SPEED_LABEL, K::Static, KS_TEXT("templates", "手动速度"), {214, 26, 80, 12}),
        C(p::IDC_MODE_STEP, K::Radio, KS_TEXT("templates", "点动"), {214, 46, 80, 14}, kGroupStart),
        C(p::IDC_MODE_SLOW, K::Radio, KS_TEXT("templates", "慢速"), {214, 66, 80, 14}),
        C(p::IDC_MODE_MEDIUM, K::Radio, KS_TEXT("templates", "中速"), {214, 86, 80, 14}),
        C(p::IDC_MODE_FAST, K::Radio, KS_TEXT("templates", "快速"), {214, 106, 80, 14}),
        C(p::IDC_PRESET_GROUP, K::GroupBox, KS_TEXT("templates", "坐标值设定"), {12, 148, 344, 126}),
    };
    struct Row { int zero, half, edit, set; const char* zeroText; const char* setText; };
    const Row rows[] = {
        {p::IDC_X_ZERO, p::IDC_X_HALF, p::IDC_X_VALUE, p::IDC_X_SET, "X0", KS_TEXT("templates", "X设定")},
        {p::IDC_Y_ZERO, p::IDC_Y_HALF, p::IDC_Y_VALUE, p::IDC_Y_SET, "Y0", KS_TEXT("templates", "Y设定")},
        {p::IDC_Z_ZERO, p::IDC_Z_HALF, p::IDC_Z_VALUE, p::IDC_Z_SET, "Z0", KS_TEXT("templates", "Z设定")},
    };
    int y = 166;
    for (const Row& r : rows) {
        t.controls.push_back(C(r.zero, K::Button, r.zeroText, {30, y, 50, 22}));
        t.controls.push_back(C(r.half, K::Button, "1/2", {88, y, 50, 22}));
        t.controls.push_back(C(r.edit, K::Edit, "", {148, y + 2, 110, 18}, kBorder | kAutoHScroll | kCentre));
        t.controls.push_back(C(r.set, K::Button, r.setText, {268, y, 70, 22}));
        y += 34;
    }
    t.controls.push_back(PanelOk());
    return t;
}

DialogTemplate MachineParam() {
    namespace m = machine;
    DialogTemplate t = PanelBase(IDD_MACHINE_PARAM);
    t.backgroundRgb = kPanelRgb;
    t.controls = {
        C(m::IDC_PORT_LABEL, K::Static, KS_TEXT("templates", "通信端口"), {40, 34, 60, 14}),
        Combo(m::IDC_PORT, {110, 32, 100, 100}, 0, {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7"}),
        C(m::IDC_SPEED_LABEL, K::Static, KS_TEXT("templates", "速度设定"), {40, 64, 60, 14}),
        Combo(m::IDC_SPEED, {110, 62, 100, 80}, kSorted, {KS_TEXT("templates", "1挡"), KS_TEXT("templates", "2挡"), KS_TEXT("templates", "3挡"), KS_TEXT("templates", "4挡"), KS_TEXT("templates", "5挡")}),
        C(m::IDC_VIEW_GROUP, K::GroupBox, KS_TEXT("templates", "视图居中设置"), {30, 100, 190, 72}),
        C(m::IDC_VIEW_HOLE, K::Radio, KS_TEXT("templates", "当前孔居中"), {50, 120, 120, 14}, kGroupStart),
        C(m::IDC_VIEW_CENTRE, K::Radio, KS_TEXT("templates", "中心点居中"), {50, 144, 120, 14}),
        PanelOk(),
    };
    return t;
}

}  // namespace

const ControlTemplate* DialogTemplate::Find(int controlId) const {
    for (const auto& c : controls)
        if (c.id == controlId) return &c;
    return nullptr;
}

const std::vector<DialogTemplate>& Templates() {
    static const std::vector<DialogTemplate> all = {
        AboutBox(), Console(), FileProcess(), SystemInfo(), MachiningParam(), Positioning(), MachineParam(),
    };
    return all;
}

const DialogTemplate* FindTemplate(int templateId) {
    for (const auto& t : Templates())
        if (t.id == templateId) return &t;
    return nullptr;
}

PixelRect ToPixels(const DialogTemplate& t, const DlgRect& r) {
    // Both edges are rounded, so neighbours that touch in units touch in pixels.
    const int left = static_cast<int>(std::lround(r.x * t.unitX));
    const int top = static_cast<int>(std::lround(r.y * t.unitY));
    const int right = static_cast<int>(std::lround((r.x + r.width) * t.unitX));
    const int bottom = static_cast<int>(std::lround((r.y + r.height) * t.unitY));
    return {left, top, right - left, bottom - top};
}

std::vector<std::string> SystemNoticeLines() {
    static constexpr const char* kLines[] = {
        KS_TEXT("pictures", "Kestrane 电火花小孔机控制台"),
        "",
        KS_TEXT("pictures", "· 控制台经串口 (Modbus RTU, 57600 bps) 与机床控制柜通信。"),
        KS_TEXT("pictures", "· 加工前请确认工件装夹牢固，电极与导向器已对中。"),
        KS_TEXT("pictures", "· 高频开启时请勿触碰电极、工件和工作液。"),
        KS_TEXT("pictures", "· 机床走位或加工时，文件处理、定位分中和机床参数不可打开。"),
        KS_TEXT("pictures", "· 每完成一孔即记录孔号，重新启动后从记录的孔号继续；新指定的加工文件从第1孔开始。"),
        KS_TEXT("pictures", "· 加工完成后按“复位”，再按“停止/启动”从第1孔重新开始。"),
        KS_TEXT("pictures", "· 通信中断时控制台自动重新连接，无需重新启动本程序；恢复后按“停止/启动”继续。"),
        KS_TEXT("pictures", "· 坐标已变时，请在定位分中中重设X、Y坐标后再启动。"),
        "",
        KS_TEXT("pictures", "紧急情况请立即按下机床急停按钮。"),
    };
    std::vector<std::string> lines;
    for (const char* line : kLines) lines.push_back(*line ? Tr("pictures", line) : std::string());
    return lines;
}

std::string LoadString(int id) {
    if (id == IDS_ABOUTBOX) return Text(KS_TEXT("templates", "关于 Kestrane(&A)..."));
    if (id == IDS_JOBREPORT) return Text(KS_TEXT("templates", "加工报告"));
    return {};
}

const std::vector<PictureInfo>& Pictures() {
    using T = PictureTone;
    static const std::vector<PictureInfo> all = {
        {IDB_BACKGROUND, 1020, 710, "", T::Background},
        {IDB_FILE_PANEL, 734, 643, Text(KS_TEXT("templates", "文件处理")), T::Background},
        {IDB_SYSTEM_NOTICE, 734, 643, Text(KS_TEXT("templates", "关于系统")), T::Background},
        {IDB_HEAD_ON, 80, 30, Text(KS_TEXT("templates", "旋转头")), T::On},
        {IDB_HEAD_OFF, 80, 30, Text(KS_TEXT("templates", "旋转头")), T::Off},
        {IDB_DRILL_OFF, 80, 30, Text(KS_TEXT("templates", "开关打孔")), T::Off},
        {IDB_DRILL_ON, 80, 30, Text(KS_TEXT("templates", "开关打孔")), T::On},
        {IDB_PUMP_ON, 80, 30, Text(KS_TEXT("templates", "水泵")), T::On},
        {IDB_PUMP_OFF, 80, 30, Text(KS_TEXT("templates", "水泵")), T::Off},
        {IDB_HF_OFF, 80, 30, Text(KS_TEXT("templates", "高频")), T::Off},
        {IDB_HF_ON, 80, 30, Text(KS_TEXT("templates", "高频")), T::On},
        {IDB_FILE_PROCESS, 126, 45, Text(KS_TEXT("templates", "文件处理")), T::Launcher},
        {IDB_MACHINING_PARAM, 126, 45, Text(KS_TEXT("templates", "加工参数")), T::Launcher},
        {IDB_POSITIONING, 126, 45, Text(KS_TEXT("templates", "定位分中")), T::Launcher},
        {IDB_MACHINE_PARAM, 126, 45, Text(KS_TEXT("templates", "机床参数")), T::Launcher},
        {IDB_SYSTEM_INFO, 126, 45, Text(KS_TEXT("templates", "关于系统")), T::Launcher},
        {IDB_RESET, 126, 45, Text(KS_TEXT("templates", "复位")), T::Warning},
        {IDB_START, 126, 45, Text(KS_TEXT("templates", "停止/启动")), T::Command},
        {IDB_ABORT, 80, 32, Text(KS_TEXT("templates", "提前中止")), T::Warning},
        {IDB_SKIP_HOLE, 111, 35, Text(KS_TEXT("templates", "跳孔")), T::Command},
        {IDB_SET_PAUSE_HOLE, 111, 35, Text(KS_TEXT("templates", "定孔")), T::Command},
        {IDB_NEXT_HOLE, 111, 35, Text(KS_TEXT("templates", "下一孔")), T::Command},
        {IDB_PREV_HOLE, 111, 35, Text(KS_TEXT("templates", "上一孔")), T::Command},
        {IDB_LOCKED, 111, 35, Text(KS_TEXT("templates", "锁轴")), T::On},
        {IDB_UNLOCKED, 111, 35, Text(KS_TEXT("templates", "锁轴")), T::Off},
        {IDB_PAUSE, 111, 35, Text(KS_TEXT("templates", "继续/暂停")), T::Command},
        {IDB_SYNC_ON, 80, 30, Text(KS_TEXT("templates", "坐标同步")), T::On},
        {IDB_SYNC_OFF, 80, 30, Text(KS_TEXT("templates", "坐标同步")), T::Off},
    };
    return all;
}

const PictureInfo* FindPicture(int bitmapId) {
    for (const auto& p : Pictures())
        if (p.id == bitmapId) return &p;
    return nullptr;
}

const std::vector<PictureSwap>& PictureSwaps() {
    namespace c = console;
    static const std::vector<PictureSwap> all = {
        {c::IDC_HEAD, IDB_HEAD_ON, IDB_HEAD_OFF, "rotating head running"},
        {c::IDC_DRILL, IDB_DRILL_ON, IDB_DRILL_OFF, "drilling"},
        {c::IDC_PUMP, IDB_PUMP_ON, IDB_PUMP_OFF, "pump running"},
        {c::IDC_HF, IDB_HF_ON, IDB_HF_OFF, "high-frequency generator on"},
        {c::IDC_LOCK, IDB_LOCKED, IDB_UNLOCKED, "axes locked"},
        {c::IDC_SYNC, IDB_SYNC_ON, IDB_SYNC_OFF, "visit-only (coordinate sync) mode"},
    };
    return all;
}

}  // namespace ks::res
