// The plain table made from i18n/kestrane_en.ts at build time: found by
// binary search, so it must be sorted; texts with line ends, full-width
// blanks and placeholders must come through byte for byte.
#include <gtest/gtest.h>

#include <cstring>

#include "i18n/plain_catalogue.h"
#include "platform/texts.h"

namespace ks::i18n {
namespace {

TEST(PlainCatalogue, RowsAreSortedWithoutRepeats) {
    ASSERT_GT(kEnglishRowCount, 100u);
    for (size_t i = 1; i < kEnglishRowCount; ++i) {
        const CatalogueRow& a = kEnglishRows[i - 1];
        const CatalogueRow& b = kEnglishRows[i];
        const int order = std::strcmp(a.context, b.context) != 0 ? std::strcmp(a.context, b.context)
                                                                 : std::strcmp(a.source, b.source);
        EXPECT_LT(order, 0) << b.context << ": " << b.source;
    }
}

TEST(PlainCatalogue, FindsTextsByContextAndSourceAsWritten) {
    EXPECT_STREQ(FindEnglish("pictures", "开"), "On");
    EXPECT_STREQ(FindEnglish("link", "通信校验错误！\r\n"), "Link CRC error!\r\n");
    EXPECT_STREQ(FindEnglish("jobfiles", "\u3000在块中（经块参照插入）：%1个"), "  inside blocks (placed by INSERT): %1");
    EXPECT_EQ(FindEnglish("templates", "开"), nullptr);  // another context's text
    EXPECT_EQ(FindEnglish("pictures", "开 "), nullptr);
    EXPECT_EQ(FindEnglish("", ""), nullptr);

    UsePlainCatalogue(Language::English);
    EXPECT_EQ(Tr("console", "未 建立通信"), "Not connected");
    EXPECT_EQ(Tr("console", "不在目录中的文字"), "不在目录中的文字");
    UsePlainCatalogue(Language::Chinese);
    EXPECT_EQ(Tr("console", "未 建立通信"), "未 建立通信");
}

}  // namespace
}  // namespace ks::i18n
