#include "platform/texts.h"

#include <atomic>

namespace ks {
namespace {
std::atomic<TextLookup> g_lookup{nullptr};
}  // namespace

void SetTextLookup(TextLookup lookup) { g_lookup.store(lookup); }

bool HasTextLookup() { return g_lookup.load() != nullptr; }

std::string Tr(const char* context, const char* source) {
    const TextLookup lookup = g_lookup.load();
    return lookup != nullptr ? lookup(context, source) : std::string(source);
}

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(pattern.size() + 16);
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '%' || i + 1 == pattern.size()) {
            out += c;
            continue;
        }
        const char next = pattern[i + 1];
        if (next == '%') {
            out += '%';
            ++i;
        } else if (next >= '1' && next <= '9' && static_cast<size_t>(next - '1') < args.size()) {
            out += *(args.begin() + (next - '1'));
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace ks
