#include "platform/language.h"

#include <cstdlib>
#include <cstring>

namespace ks {

std::optional<Language> LanguageFromOption(std::string_view value) {
    if (value == "en") return Language::English;
    if (value == "zh") return Language::Chinese;
    return std::nullopt;
}

Language LanguageFromEnvironment(GetEnv getenv) {
    if (getenv == nullptr) getenv = [](const char* name) -> const char* { return std::getenv(name); };
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = getenv(name);
        if (value == nullptr || *value == '\0') continue;
        return std::strncmp(value, "en", 2) == 0 ? Language::English : Language::Chinese;
    }
    return Language::Chinese;
}

bool IsLanguageOption(int argc, const char* const* argv, int i, int* skip) {
    const std::string_view arg = argv[i];
    if (arg == "--lang") {
        *skip = i + 1 < argc ? 2 : 1;
        return true;
    }
    if (arg.substr(0, 7) == "--lang=") {
        *skip = 1;
        return true;
    }
    return false;
}

std::optional<Language> ChooseLanguage(int argc, const char* const* argv, GetEnv getenv,
                                       std::string_view* badValue) {
    std::optional<std::string_view> asked;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        int skip = 0;
        if (!IsLanguageOption(argc, argv, i, &skip)) continue;
        // "--lang=VALUE", "--lang VALUE", or a last "--lang" with no value.
        asked = arg.size() > 6 ? arg.substr(7) : skip == 2 ? std::string_view(argv[i + 1]) : std::string_view();
        i += skip - 1;
    }
    if (!asked) return LanguageFromEnvironment(getenv);
    const std::optional<Language> chosen = LanguageFromOption(*asked);
    if (!chosen && badValue != nullptr) *badValue = *asked;
    return chosen;
}

}  // namespace ks
