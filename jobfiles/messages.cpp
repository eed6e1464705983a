#include "jobfiles/messages.h"

#include "platform/texts.h"
#include "platform/textnum.h"

namespace ks {

std::string ComposeMessage(const std::vector<MessageLine>& lines) {
    std::string text;
    for (const MessageLine& line : lines) {
        if (!text.empty()) text += '\n';
        const std::string pattern = Tr("jobfiles", line.pattern);
        text += line.count ? Fill(pattern, {FormatInt(*line.count)}) : pattern;
    }
    return text;
}

}  // namespace ks
