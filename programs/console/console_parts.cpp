#include "programs/console/console_parts.h"

#include "platform/texts.h"

namespace ks::console {

const char* const kNoOpenGlText = KS_TEXT("console",
    "无法建立孔位图的OpenGL绘图环境，控制台未读取设置、未连接机床。\n"
    "请检查显卡驱动或远程桌面的OpenGL支持后重新启动。");

}  // namespace ks::console
