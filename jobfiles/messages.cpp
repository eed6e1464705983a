#include "jobfiles/messages.h"

#include <string_view>

#include "platform/texts.h"
#include "platform/textnum.h"

namespace ks {

std::string ComposeMessage(const std::vector<MessageLine>& lines) {
    std::string text;
    for (const MessageLine& line : lines) {
        if (!text.empty()) text += '\n';
        std::string args[3];
        size_t n = 0;
        if (line.count) args[n++] = FormatInt(*line.count);
        if (line.word != nullptr) args[n++] = Tr("jobfiles", line.word);
        if (!line.text.empty()) args[n++] = line.text;
        const std::string pattern = Tr("jobfiles", line.pattern);
        text += n == 0 ? pattern : Fill(pattern, {args[0], args[1], args[2]});
    }
    return text;
}

}  // namespace ks
