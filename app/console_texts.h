#pragma once
// Operator texts of the console's own (beyond the fixed texts of the
// controls): why a run paused, what went wrong with the settings or the port.
#include "link/port_error.h"

namespace ks::app {

// The axes stopped off the hole after a move; drilling there would spoil the plate.
inline constexpr const char* kTextNotOnHole = "轴未到达孔位，已暂停";
// The link to the controller was lost while a run was under way.
inline constexpr const char* kTextLinkLost = "通信中断，已暂停";
// The communication label while the console opens the port again.
inline constexpr const char* kTextReconnecting = "通信中断，正在重新连接控制器…";
// The job record (records/<job>.csv) could not be written.
inline constexpr const char* kTextRecordNotWritten = "加工记录无法写入";
// The resume point (settings key Hole) could not be written.
inline constexpr const char* kTextHoleNotSaved = "设置文件写入失败，孔号未保存";

// Why the port did not open: the tooltip of the communication label, whose
// own text stays as written.
inline const char* PortOpenErrorTip(PortOpenError error) {
    switch (error) {
        case PortOpenError::NoDevice: return "串口设备不存在：请检查连线、转换器和串口号";
        case PortOpenError::PermissionDenied: return "无权打开串口：请把操作员账户加入 dialout 组后重新登录";
        case PortOpenError::Busy: return "串口被其他程序占用";
        case PortOpenError::NotASerialPort: return "该设备不是串口";
        case PortOpenError::Other: return "串口打开失败";
        case PortOpenError::None: break;
    }
    return "";
}

}  // namespace ks::app
