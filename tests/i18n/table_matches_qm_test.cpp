// The two forms of the English catalogue, Qt's compiled one and the plain
// table, are made from the same file by two tools: every row of the table
// must read as Qt's catalogue reads it.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "i18n/catalogue.h"
#include "i18n/plain_catalogue.h"
#include "platform/texts.h"

namespace ks::i18n {
namespace {

TEST(PlainCatalogue, SaysWhatTheQtCatalogueSays) {
    ASSERT_TRUE(UseLanguage(Language::English));
    for (size_t i = 0; i < kEnglishRowCount; ++i) {
        const CatalogueRow& row = kEnglishRows[i];
        EXPECT_EQ(Tr(row.context, row.source), row.english) << row.context << ": " << row.source;
    }
    SetTextLookup(nullptr);
}

}  // namespace
}  // namespace ks::i18n
