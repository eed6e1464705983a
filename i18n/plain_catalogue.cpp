#include "i18n/plain_catalogue.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/texts.h"

namespace ks::i18n {
namespace {

int Compare(const CatalogueRow& row, const char* context, const char* source) {
    const int byContext = std::strcmp(row.context, context);
    return byContext != 0 ? byContext : std::strcmp(row.source, source);
}

std::string Lookup(const char* context, const char* source) {
    const char* english = FindEnglish(context, source);
    return english != nullptr ? std::string(english) : std::string(source);
}

}  // namespace

const char* FindEnglish(const char* context, const char* source) {
    const CatalogueRow* end = kEnglishRows + kEnglishRowCount;
    const CatalogueRow* row = std::lower_bound(kEnglishRows, end, 0, [&](const CatalogueRow& r, int) {
        return Compare(r, context, source) < 0;
    });
    return row != end && Compare(*row, context, source) == 0 ? row->english : nullptr;
}

void UsePlainCatalogue(Language language) {
    SetTextLookup(language == Language::English ? &Lookup : nullptr);
}

}  // namespace ks::i18n
