// Filling translated patterns and choosing the language.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/language.h"
#include "platform/texts.h"

namespace ks {
namespace {

TEST(TextsTest, PatternsAreFilledByNumberInAnyOrder) {
    EXPECT_EQ(Fill("完成率:%1%", {"4.17"}), "完成率:4.17%");
    EXPECT_EQ(Fill("%2 of %1", {"15000", "7"}), "7 of 15000");
    EXPECT_EQ(Fill("100%% %1", {"x"}), "100% x");
    // A placeholder with no argument stays visible rather than vanishing.
    EXPECT_EQ(Fill("%1 %3", {"a"}), "a %3");
    EXPECT_EQ(Fill("50%", {}), "50%");
}

TEST(TextsTest, WithoutACatalogueTheWrittenTextIsShown) {
    ASSERT_FALSE(HasTextLookup());
    EXPECT_EQ(Tr("console", "通信中断，已暂停"), "通信中断，已暂停");
    SetTextLookup([](const char*, const char* source) { return std::string(source) == "开" ? std::string("On") : source; });
    EXPECT_EQ(Tr("pictures", "开"), "On");
    EXPECT_EQ(Tr("pictures", "关"), "关");
    SetTextLookup(nullptr);
    EXPECT_EQ(Tr("pictures", "开"), "开");
}

std::map<std::string, std::string> g_env;
const char* FakeEnv(const char* name) {
    auto it = g_env.find(name);
    return it == g_env.end() ? nullptr : it->second.c_str();
}

TEST(TextsTest, LanguageFollowsTheFirstLocaleVariableSetThenTheOption) {
    g_env = {};
    EXPECT_EQ(LanguageFromEnvironment(FakeEnv), Language::Chinese);
    g_env = {{"LANG", "en_GB.UTF-8"}};
    EXPECT_EQ(LanguageFromEnvironment(FakeEnv), Language::English);
    g_env = {{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "zh_CN.UTF-8"}};
    EXPECT_EQ(LanguageFromEnvironment(FakeEnv), Language::Chinese);
    g_env = {{"LANG", "zh_CN.UTF-8"}, {"LC_ALL", ""}, {"LANGUAGE", "en"}};
    EXPECT_EQ(LanguageFromEnvironment(FakeEnv), Language::English);
    g_env = {{"LANG", "C.UTF-8"}};
    EXPECT_EQ(LanguageFromEnvironment(FakeEnv), Language::Chinese);

    const char* zhFirst[] = {"kestrane", "--lang", "zh"};
    EXPECT_EQ(ChooseLanguage(3, zhFirst, FakeEnv), Language::Chinese);  // LANG says C; the option decides
    g_env = {{"LANG", "en_US.UTF-8"}};
    EXPECT_EQ(ChooseLanguage(3, zhFirst, FakeEnv), Language::Chinese);
    const char* en[] = {"kestrane-dxf2nc", "--lang=en", "x.dxf"};
    g_env = {};
    EXPECT_EQ(ChooseLanguage(3, en, FakeEnv), Language::English);
    const char* bad[] = {"kestrane", "--lang", "fr"};
    std::string_view badValue;
    EXPECT_FALSE(ChooseLanguage(3, bad, FakeEnv, &badValue).has_value());
    EXPECT_EQ(badValue, "fr");
}

}  // namespace
}  // namespace ks
