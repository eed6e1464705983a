#pragma once
// The operator messages of the loaders and the converter, and where they go.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ks {

// One line of a longer message: a pattern marked for the catalogues
// (context "jobfiles"), the number its %1 stands for if it has one, and
// what the next placeholders stand for: a word marked the same way, shown
// in the operator's language, and a plain text.
struct MessageLine {
    const char* pattern;
    std::optional<int64_t> count;
    const char* word = nullptr;
    std::string text = {};
};
// The lines in the operator's language (ks::Tr), filled, joined by "\n".
std::string ComposeMessage(const std::vector<MessageLine>& lines);

// Where operator messages go: message boxes in the console, stderr in tools.
// Texts arrive as marked (context "jobfiles"); the sink shows them in the
// operator's language.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    // A message of several lines, one call: by default ShowMessage of the
    // composed lines.
    virtual void ShowMessageLines(const std::vector<MessageLine>& lines) { ShowMessage(ComposeMessage(lines)); }
};

}  // namespace ks
