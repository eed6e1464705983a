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

bool IsLanguageOption(int argc, const char* const* argv, int i, int* skip, std::string_view* value) {
    const std::string_view arg = argv[i];
    std::string_view given;
    if (arg == "--lang") {
        // A last "--lang" with no value counts as an empty (refused) value.
        *skip = i + 1 < argc ? 2 : 1;
        if (*skip == 2) given = argv[i + 1];
    } else if (arg.substr(0, 7) == "--lang=") {
        *skip = 1;
        given = arg.substr(7);
    } else {
        return false;
    }
    if (value != nullptr) *value = given;
    return true;
}

std::optional<Language> ChooseLanguage(int argc, const char* const* argv, GetEnv getenv,
                                       std::string_view* badValue) {
    std::optional<std::string_view> asked;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        int skip = 0;
        std::string_view value;
        if (!IsLanguageOption(argc, argv, i, &skip, &value)) continue;
        asked = value;
        i += skip - 1;
    }
    if (!asked) return getenv != nullptr ? LanguageFromEnvironment(getenv) : SystemLanguage();
    const std::optional<Language> chosen = LanguageFromOption(*asked);
    if (!chosen && badValue != nullptr) *badValue = *asked;
    return chosen;
}

}  // namespace ks
