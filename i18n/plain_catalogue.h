#pragma once
// The English catalogue without Qt: i18n/kestrane_en.ts made into a sorted
// table at build time (ts_table.py), for the programs that have no Qt (the
// Windows console and the command-line tools). The Qt console reads the
// same file compiled by lrelease (catalogue.h): one source, two forms.
#include <cstddef>

#include "platform/language.h"

namespace ks::i18n {

struct CatalogueRow {
    const char* context;
    const char* source;
    const char* english;
};

// The generated table, sorted by context, then source, byte for byte.
extern const CatalogueRow kEnglishRows[];
extern const size_t kEnglishRowCount;

// The English text of (context, source); null when the table has none.
const char* FindEnglish(const char* context, const char* source);

// Installs the table for ks::Tr when language is English; Chinese needs
// none (the texts are written in it).
void UsePlainCatalogue(Language language);

}  // namespace ks::i18n
