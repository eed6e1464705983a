#pragma once
// The job report's texts, in one place for the page, the terminal and the
// console's messages. Looked up with ks::Tr("report", ...) where they are
// written out; patterns are filled after the lookup.
#include "platform/texts.h"

namespace ks::report::text {

// The page's language tag: each catalogue gives its own.
inline constexpr const char* kLangTag = KS_TEXT("report", "zh-CN");

inline constexpr const char* kTitle = KS_TEXT("report", "加工报告");
inline constexpr const char* kJob = KS_TEXT("report", "加工文件");
inline constexpr const char* kRun = KS_TEXT("report", "加工批次");
inline constexpr const char* kRunOf = KS_TEXT("report", "第%1批，共%2批");
inline constexpr const char* kFirstTime = KS_TEXT("report", "开始时间");
inline constexpr const char* kLastTime = KS_TEXT("report", "结束时间");
inline constexpr const char* kHolesDrilled = KS_TEXT("report", "已加工孔数");
inline constexpr const char* kHolesSkipped = KS_TEXT("report", "跳过未加工孔数");
inline constexpr const char* kHolesVisited = KS_TEXT("report", "仅定位孔数");
inline constexpr const char* kHolesDrilledTwice = KS_TEXT("report", "重复加工孔数");
inline constexpr const char* kTotalTime = KS_TEXT("report", "总时间");
inline constexpr const char* kDrillingTime = KS_TEXT("report", "加工时间");
inline constexpr const char* kPauseTime = KS_TEXT("report", "暂停时间");
inline constexpr const char* kPauseFor = KS_TEXT("report", "暂停：%1（%2次）");
inline constexpr const char* kLinkLostTime = KS_TEXT("report", "通信中断损失时间");
inline constexpr const char* kOtherTime = KS_TEXT("report", "其他时间（移动、空闲）");
inline constexpr const char* kHolesPerHour = KS_TEXT("report", "每小时孔数");
inline constexpr const char* kMedianSeconds = KS_TEXT("report", "加工秒数中位数");
inline constexpr const char* kP95Seconds = KS_TEXT("report", "加工秒数第95百分位");
inline constexpr const char* kMaxSeconds = KS_TEXT("report", "加工秒数最大值");
inline constexpr const char* kElectrode = KS_TEXT("report", "电极消耗（Z行程合计，mm）");
inline constexpr const char* kElectrodePerHole = KS_TEXT("report", "每孔电极消耗（mm）");
inline constexpr const char* kNone = KS_TEXT("report", "无");
// In place of a plot, in a build made without the charting library (no npm
// on the machine that built it); the figures and tables are all there.
inline constexpr const char* kNoCharts = KS_TEXT("report", "本程序构建时未带图表库，此处无图（装好npm后重新构建即有）");

// Pause reasons as the record writes them.
inline constexpr const char* kReasonButton = KS_TEXT("report", "暂停按钮");
inline constexpr const char* kReasonPauseHole = KS_TEXT("report", "预约暂停孔");
inline constexpr const char* kReasonController = KS_TEXT("report", "控制器请求");
inline constexpr const char* kReasonLostLink = KS_TEXT("report", "通信中断");
inline constexpr const char* kReasonArrival = KS_TEXT("report", "轴未到达孔位");
inline constexpr const char* kReasonPlaceChanged = KS_TEXT("report", "坐标已变");
inline constexpr const char* kReasonUnknown = KS_TEXT("report", "原因未记录");

// The plots and their axes.
inline constexpr const char* kPlotPerHole = KS_TEXT("report", "各孔加工秒数（按孔号）");
inline constexpr const char* kPlotHistogram = KS_TEXT("report", "加工秒数分布");
inline constexpr const char* kPlotPlate = KS_TEXT("report", "板上孔位（颜色：加工秒数）");
inline constexpr const char* kPlotZTravel = KS_TEXT("report", "各孔Z行程");
inline constexpr const char* kPlotTimeline = KS_TEXT("report", "班次时间线");
inline constexpr const char* kAxisHole = KS_TEXT("report", "孔号");
inline constexpr const char* kAxisSeconds = KS_TEXT("report", "加工秒数");
inline constexpr const char* kAxisHoleCount = KS_TEXT("report", "孔数");
inline constexpr const char* kAxisZTravel = KS_TEXT("report", "Z行程 (mm)");
inline constexpr const char* kDrilling = KS_TEXT("report", "加工");
inline constexpr const char* kPausedFor = KS_TEXT("report", "暂停：%1");

// The tables.
inline constexpr const char* kSlowest = KS_TEXT("report", "最慢的%1个孔");
inline constexpr const char* kRank = KS_TEXT("report", "名次");
inline constexpr const char* kFinishedAt = KS_TEXT("report", "完成时间");
inline constexpr const char* kRuns = KS_TEXT("report", "记录中的加工批次");
inline constexpr const char* kLines = KS_TEXT("report", "行");
inline constexpr const char* kEndedBy = KS_TEXT("report", "结束方式");
inline constexpr const char* kEndedJobEnd = KS_TEXT("report", "加工完成");
inline constexpr const char* kEndedReset = KS_TEXT("report", "复位");
inline constexpr const char* kEndedOtherJob = KS_TEXT("report", "转为另一同名加工文件");
inline constexpr const char* kEndedOpen = KS_TEXT("report", "记录至此");
inline constexpr const char* kShown = KS_TEXT("report", "（本报告）");
inline constexpr const char* kFound = KS_TEXT("report", "记录检查");

// What was found on the record; %1 the count, %2 the first line or hole
// numbers.
inline constexpr const char* kFindingEmpty = KS_TEXT("report", "记录中没有加工事件，报告为空");
inline constexpr const char* kFindingCutLine =
    KS_TEXT("report", "%1行不完整（写入时断电），已略去：第%2行");
inline constexpr const char* kFindingBadLine = KS_TEXT("report", "%1行不是加工记录的格式，已略去：第%2行");
inline constexpr const char* kFindingUnknownEvent = KS_TEXT("report", "%1行的事件无法识别，已略去：第%2行");
inline constexpr const char* kFindingTimeBackwards =
    KS_TEXT("report", "%1行的时间早于上一行（电脑时钟被调整过？）：第%2行");
inline constexpr const char* kFindingDrilledTwice =
    KS_TEXT("report", "%1个孔加工了两次（断电后重新启动？），按第一次加工计入：孔%2");
inline constexpr const char* kFindingOtherJob =
    KS_TEXT("report", "记录中混有另一个同名加工文件（同一孔号在别的位置），从第%2行起分批显示");
inline constexpr const char* kFindingSeveralRuns =
    KS_TEXT("report", "记录中有%1个加工批次，本报告为第%2批（第%3至%4行）；其他批次：kestrane-report --run N");

// kestrane-report's messages.
inline constexpr const char* kCannotRead = KS_TEXT("report", "无法读取加工记录%1：%2");
inline constexpr const char* kCannotWrite = KS_TEXT("report", "无法写入加工报告%1");
inline constexpr const char* kNoSuchRun = KS_TEXT("report", "记录中只有%1个加工批次");

}  // namespace ks::report::text
