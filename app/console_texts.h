#pragma once
// The main window's operator texts, in one place. Each is marked for the
// catalogues (platform/texts.h) and looked up with ConsoleText when shown;
// patterns take their numbers after the lookup.
#include <string>

#include "link/modbus_result.h"
#include "link/port_error.h"
#include "platform/texts.h"

namespace ks::app {

inline std::string ConsoleText(const char* source) { return Tr("console", source); }

inline constexpr const char* kTextTitle = KS_TEXT("console", "Kestrane 分体机Ver19.2  加工文件:---------%1");
inline constexpr const char* kTextPortOpened = KS_TEXT("console", "连接成功 , 串口号COM%1");
inline constexpr const char* kTextNoPort = KS_TEXT("console", "未 建立通信");
inline constexpr const char* kTextJobFileMissing = KS_TEXT("console", "未找到指定路径的加工文件");
inline constexpr const char* kTextCompletion = KS_TEXT("console", "完成率:%1%");
// The status line's state part; the blanks keep its place in the line.
inline constexpr const char* kTextStateIdle = KS_TEXT("console", "   暂停状态   预约暂停孔号 N ");
inline constexpr const char* kTextStatePositioning = KS_TEXT("console", "   走位状态   预约暂停孔号 N ");
inline constexpr const char* kTextStateMachining = KS_TEXT("console", "   加工状态   预约暂停孔号 N ");

// The axes stopped off the hole after a move; drilling there would spoil the plate.
inline constexpr const char* kTextNotOnHole = KS_TEXT("console", "轴未到达孔位，已暂停");
// The link to the controller was lost while a run was under way.
inline constexpr const char* kTextLinkLost = KS_TEXT("console", "通信中断，已暂停");
// The controller came back reading other coordinates than before the loss
// (it restarted, or an axis was moved by hand): start waits until X and Y
// are set again in the positioning panel.
inline constexpr const char* kTextPlaceChanged = KS_TEXT("console", "坐标已变，请重设X、Y坐标");
// The communication label while the console opens the port again.
inline constexpr const char* kTextReconnecting = KS_TEXT("console", "通信中断，正在重新连接控制器…");
// The link answers again after a loss that paused the run: nothing moves
// until start is pressed.
inline constexpr const char* kTextLinkBack = KS_TEXT("console", "通信已恢复，按启动继续");
// Start found no hole to go to: no job is loaded.
inline constexpr const char* kTextNoJobLoaded = KS_TEXT("console", "无加工文件：请在文件处理中指定");
// The last hole of the job is finished (the holes left undone). A finished
// job begins again only after 复位. Short: the status line's field is.
inline constexpr const char* kTextJobComplete = KS_TEXT("console", "加工完成，跳过%1孔；复位后重新开始");
// The job record (records/<job>.csv) could not be written.
inline constexpr const char* kTextRecordNotWritten = KS_TEXT("console", "加工记录无法写入");
// The resume point (settings key Hole) could not be written.
inline constexpr const char* kTextHoleNotSaved = KS_TEXT("console", "设置文件写入失败，孔号未保存");

// The communication label for a result. Success:
// "连接成功 , 端口号COM<port>   √通信正常". Failure: the code as "0x%04X",
// one blank, then the failure text, so that results that share a text
// (argument errors, exception answers) can still be told apart.
inline std::string CommResultText(ModbusResult code, int comPort) {
    // Some failure texts end in a line break, meant for a text box; a label
    // would push the text up out of its field.
    const auto oneLine = [](std::string text) {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        return text;
    };
    if (code == kMbOk) {
        return Fill(ConsoleText(KS_TEXT("console", "连接成功 , 端口号COM%1   ")), {std::to_string(comPort)}) +
               Tr("link", ModbusResultText(kMbOk));
    }
    return ModbusResultCode(code) + " " + oneLine(Tr("link", ModbusResultText(code)));
}

// Why the port did not open: the tooltip of the communication label, whose
// own text stays as written.
inline const char* PortOpenErrorTip(PortOpenError error) {
    switch (error) {
        case PortOpenError::NoDevice:
            return KS_TEXT("console", "串口设备不存在：请检查连线、转换器和串口号");
        case PortOpenError::PermissionDenied:
            return KS_TEXT("console", "无权打开串口：请把操作员账户加入 dialout 组后重新登录");
        case PortOpenError::Busy: return KS_TEXT("console", "串口被其他程序占用");
        case PortOpenError::NotASerialPort: return KS_TEXT("console", "该设备不是串口");
        case PortOpenError::Other: return KS_TEXT("console", "串口打开失败");
        case PortOpenError::None: break;
    }
    return "";
}

}  // namespace ks::app
