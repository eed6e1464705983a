#pragma once
// Resource ids: the contract between each dialog's logic and its window,
// like a resource header. Control ids repeat across templates, so each
// template has its own namespace.

namespace ks::res {

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_CONSOLE = 102;
inline constexpr int IDD_FILE_PROCESS = 103;
inline constexpr int IDD_SYSTEM_INFO = 159;
inline constexpr int IDD_MACHINING_PARAM = 160;
inline constexpr int IDD_POSITIONING = 161;
inline constexpr int IDD_MACHINE_PARAM = 162;

// String table and icon.
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDR_MAINFRAME = 130;
// System-menu command of the about item.
inline constexpr int IDM_ABOUTBOX = 16;
// The job report item of the main window's menu, and its text.
inline constexpr int IDS_JOBREPORT = 140;
inline constexpr int IDM_JOBREPORT = 32;

// Bitmaps.
inline constexpr int IDB_BACKGROUND = 129;        // main window, 1020 x 710
inline constexpr int IDB_FILE_PANEL = 155;        // file processing panel, 734 x 643
inline constexpr int IDB_SYSTEM_NOTICE = 210;     // system information panel, 734 x 643
inline constexpr int IDB_HEAD_ON = 179;
inline constexpr int IDB_HEAD_OFF = 180;
inline constexpr int IDB_DRILL_OFF = 181;
inline constexpr int IDB_DRILL_ON = 182;
inline constexpr int IDB_PUMP_ON = 184;
inline constexpr int IDB_PUMP_OFF = 185;
inline constexpr int IDB_HF_OFF = 186;
inline constexpr int IDB_HF_ON = 187;
inline constexpr int IDB_FILE_PROCESS = 191;
inline constexpr int IDB_MACHINING_PARAM = 192;
inline constexpr int IDB_POSITIONING = 193;
inline constexpr int IDB_MACHINE_PARAM = 194;
inline constexpr int IDB_SYSTEM_INFO = 195;
inline constexpr int IDB_RESET = 196;
inline constexpr int IDB_START = 198;
inline constexpr int IDB_ABORT = 200;
inline constexpr int IDB_SKIP_HOLE = 201;
inline constexpr int IDB_SET_PAUSE_HOLE = 202;
inline constexpr int IDB_NEXT_HOLE = 204;
inline constexpr int IDB_PREV_HOLE = 205;
inline constexpr int IDB_LOCKED = 206;
inline constexpr int IDB_UNLOCKED = 207;
inline constexpr int IDB_PAUSE = 209;
inline constexpr int IDB_SYNC_ON = 218;
inline constexpr int IDB_SYNC_OFF = 219;

// Common to the panels.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Main window, template 102.
namespace console {
inline constexpr int IDC_FILE_PROCESS = 1000;     // "文件处理"
inline constexpr int IDC_MACHINING_PARAM = 1001;  // "加工参数"
inline constexpr int IDC_POSITIONING = 1002;      // "定位分中"
inline constexpr int IDC_MACHINE_PARAM = 1003;    // "机床参数"
inline constexpr int IDC_SYSTEM_INFO = 1004;      // "关于系统"
inline constexpr int IDC_NEXT_HOLE = 1005;        // "下一孔"
inline constexpr int IDC_RESET = 1006;            // "复位"
inline constexpr int IDC_START = 1007;            // "停止/启动"
inline constexpr int IDC_HOLE_LIST = 1013;
inline constexpr int IDC_X_INT = 1014;
inline constexpr int IDC_Y_INT = 1015;
inline constexpr int IDC_SKIP_HOLE = 1016;        // "跳孔"
inline constexpr int IDC_X_DEC = 1017;
inline constexpr int IDC_Y_DEC = 1018;
inline constexpr int IDC_PREV_HOLE = 1019;        // "上一孔"
inline constexpr int IDC_PAUSE = 1020;            // "继续/暂停"
inline constexpr int IDC_Z_INT = 1021;
inline constexpr int IDC_X_LABEL = 1023;
inline constexpr int IDC_Y_LABEL = 1024;
inline constexpr int IDC_Z_LABEL = 1025;
inline constexpr int IDC_COMM_LABEL = 1026;       // communication status
inline constexpr int IDC_RATE_LABEL = 1027;       // completion rate
inline constexpr int IDC_STATUS_LINE = 1028;
inline constexpr int IDC_Z_DEC = 1029;
inline constexpr int IDC_SET_PAUSE_HOLE = 1030;   // "定孔"
inline constexpr int IDC_LOCK = 1031;             // "锁轴"
inline constexpr int IDC_PUMP = 1032;             // "水泵"
inline constexpr int IDC_HEAD = 1033;             // "旋转头"
inline constexpr int IDC_HF = 1034;               // "高频"
inline constexpr int IDC_DRILL = 1036;            // "开关打孔"
inline constexpr int IDC_ABORT = 1037;            // "提前中止"
inline constexpr int IDC_SYNC = 1050;             // "坐标同步"
inline constexpr int IDC_MAP = 1053;              // hole map frame
inline constexpr int TIMER_STATUS = 1;
// One shot, armed by the start-up: the link's start-up work once the window is up.
inline constexpr int TIMER_LINK_START = 2;
}  // namespace console

// File processing panel, template 103.
namespace fileproc {
inline constexpr int IDC_CHOOSE_DXF = 1001;   // "选择dxf文件"
inline constexpr int IDC_DIAMETER = 1002;     // "选择直径范围" (no action)
inline constexpr int IDC_GENERATE_NC = 1003;  // "生成NC加工文件"
inline constexpr int IDC_CHOOSE_JOB = 1004;   // "指定当前加工文件"
inline constexpr int IDC_DXF_PATH = 1006;
inline constexpr int IDC_DIA_MIN = 1007;
inline constexpr int IDC_DIA_MAX = 1008;
inline constexpr int IDC_NC_FOLDER = 1009;
inline constexpr int IDC_JOB_PATH = 1010;
inline constexpr int IDC_EXIT = 1011;         // "退出"
inline constexpr int IDC_MM_MIN = 1014;
inline constexpr int IDC_MM_MAX = 1015;
inline constexpr int IDC_CONVERT_RESULT = 1016;  // what the last conversion wrote
}  // namespace fileproc

// System information panel, template 159.
namespace sysinfo {
inline constexpr int IDC_INFO_TEXT = 1000;  // version and settings folder
}  // namespace sysinfo

// Machining parameter panel, template 160.
namespace machining {
inline constexpr int IDC_SEG_PLUS = 1001;
inline constexpr int IDC_SEG_MINUS = 1002;
inline constexpr int IDC_INTERVAL_PLUS = 1005;
inline constexpr int IDC_SEG_NO = 1006;
inline constexpr int IDC_LIFT_SEND = 1007;
inline constexpr int IDC_INTERVAL_MINUS = 1008;
inline constexpr int IDC_POWER_PLUS = 1010;
inline constexpr int IDC_POWER_MINUS = 1011;
inline constexpr int IDC_POWER = 1012;
inline constexpr int IDC_CAP_PLUS = 1013;
inline constexpr int IDC_CAP_MINUS = 1014;
inline constexpr int IDC_CAP = 1015;
inline constexpr int IDC_VOLT_PLUS = 1016;
inline constexpr int IDC_VOLT_MINUS = 1017;
inline constexpr int IDC_VOLT = 1018;
inline constexpr int IDC_SPEED_PLUS = 1019;
inline constexpr int IDC_SPEED_MINUS = 1020;
inline constexpr int IDC_SPEED = 1021;
inline constexpr int IDC_LIFT = 1024;
inline constexpr int IDC_SEG_SEND = 1025;
inline constexpr int IDC_DEPTH_UPPER = 1027;
inline constexpr int IDC_DEPTH_LOWER = 1028;
inline constexpr int IDC_PULSE_WIDTH = 1059;
inline constexpr int IDC_PULSE_INTERVAL = 1060;
inline constexpr int IDC_WIDTH_PLUS = 1063;
inline constexpr int IDC_WIDTH_MINUS = 1064;
inline constexpr int IDC_DEPTH_SEND = 1065;
inline constexpr int IDC_DEPTH_GROUP = 1066;
inline constexpr int IDC_LIFT_GROUP = 1067;
inline constexpr int IDC_UPPER_LABEL = 1068;
inline constexpr int IDC_LOWER_LABEL = 1069;
inline constexpr int IDC_LIFT_LABEL = 1070;
inline constexpr int IDC_LIFT_NOTE = 1071;
inline constexpr int IDC_SEG_LABEL = 1072;
inline constexpr int IDC_WIDTH_LABEL = 1073;
inline constexpr int IDC_INTERVAL_LABEL = 1074;
inline constexpr int IDC_POWER_LABEL = 1075;
inline constexpr int IDC_CAP_LABEL = 1076;
inline constexpr int IDC_VOLT_LABEL = 1077;
inline constexpr int IDC_SPEED_LABEL = 1078;
}  // namespace machining

// Positioning and centring panel, template 161.
namespace positioning {
inline constexpr int IDC_Y_PLUS = 1005;
inline constexpr int IDC_Z_MINUS = 1006;
inline constexpr int IDC_C_PLUS = 1008;
inline constexpr int IDC_Z_PLUS = 1009;
inline constexpr int IDC_C_MINUS = 1010;
inline constexpr int IDC_Y_VALUE = 1013;
inline constexpr int IDC_Z_VALUE = 1014;
inline constexpr int IDC_SPEED_LABEL = 1015;
inline constexpr int IDC_PRESET_GROUP = 1021;
inline constexpr int IDC_JOG_GROUP = 1023;
inline constexpr int IDC_X_MINUS = 1038;
inline constexpr int IDC_X_PLUS = 1039;
inline constexpr int IDC_Y_MINUS = 1040;
inline constexpr int IDC_X_VALUE = 1046;
inline constexpr int IDC_X_SET = 1047;
inline constexpr int IDC_Y_SET = 1048;
inline constexpr int IDC_Z_SET = 1049;
inline constexpr int IDC_MODE_STEP = 1054;    // "点动"
inline constexpr int IDC_MODE_SLOW = 1055;    // "慢速"
inline constexpr int IDC_MODE_MEDIUM = 1056;  // "中速"
inline constexpr int IDC_MODE_FAST = 1057;    // "快速"
inline constexpr int IDC_X_ZERO = 1058;
inline constexpr int IDC_Y_ZERO = 1059;
inline constexpr int IDC_Z_ZERO = 1060;
inline constexpr int IDC_X_HALF = 1061;
inline constexpr int IDC_Y_HALF = 1062;
inline constexpr int IDC_Z_HALF = 1063;
}  // namespace positioning

// Machine settings panel, template 162.
namespace machine {
inline constexpr int IDC_PORT_LABEL = 1014;
inline constexpr int IDC_SPEED_LABEL = 1015;
inline constexpr int IDC_VIEW_GROUP = 1021;
inline constexpr int IDC_PORT = 1035;
inline constexpr int IDC_SPEED = 1041;
inline constexpr int IDC_VIEW_HOLE = 1054;    // "当前孔居中"
inline constexpr int IDC_VIEW_CENTRE = 1055;  // "中心点居中"
}  // namespace machine

}  // namespace ks::res
