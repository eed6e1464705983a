#include "programs/console/console_parts.h"

#include <cstdio>
#include <cstring>

#include "platform/texts.h"
#include "res/version.h"

namespace ks::console {

const char* const kNoOpenGlText = KS_TEXT("console",
    "无法建立孔位图的OpenGL绘图环境，控制台未读取设置、未连接机床。\n"
    "请检查显卡驱动或远程桌面的OpenGL支持后重新启动。");

std::optional<int> AnswerCommandLine(int argc, char** argv, const char* help, Language* language) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("kestrane %.*s\n", static_cast<int>(res::kVersion.size()), res::kVersion.data());
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(help, stdout);
        return 0;
    }
    std::string_view bad;
    const std::optional<Language> chosen = ChooseLanguage(argc, argv, nullptr, &bad);
    if (!chosen) {
        std::fprintf(stderr, "kestrane: unknown language \"%.*s\" (--lang en or --lang zh)\n",
                     static_cast<int>(bad.size()), bad.data());
        return 64;
    }
    *language = *chosen;
    return std::nullopt;
}

}  // namespace ks::console
