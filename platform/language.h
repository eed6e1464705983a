#pragma once
// Which language the programs speak to the operator: Chinese, as written,
// unless the system (the locale, or Windows' display language) or --lang
// asks for English.
#include <optional>
#include <string_view>

namespace ks {

enum class Language { Chinese, English };

// The value of --lang: "en" or "zh" (nothing else).
std::optional<Language> LanguageFromOption(std::string_view value);

// From the environment, as gettext reads it for messages: the first of
// LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is set and not empty decides;
// English when it starts with "en", Chinese otherwise and when none is set.
// getenv is a parameter so that tests need not touch the process's own;
// nullptr reads the process's environment.
using GetEnv = const char* (*)(const char* name);
Language LanguageFromEnvironment(GetEnv getenv = nullptr);

// The system's choice: on POSIX systems LanguageFromEnvironment(); on
// Windows the user's display language (English for every English variant).
Language SystemLanguage();

// --lang VALUE or --lang=VALUE among the arguments decides over the
// system's choice (over the environment read with getenv, when given). Returns nothing when the value is not a language (with the
// value in badValue); the argument stays in argv for the program's own
// parsing to skip.
std::optional<Language> ChooseLanguage(int argc, const char* const* argv, GetEnv getenv = nullptr,
                                       std::string_view* badValue = nullptr);

// True when argv[i] is a --lang option ("--lang VALUE" or "--lang=VALUE");
// *skip is how many arguments it takes, *value (when given) its value.
bool IsLanguageOption(int argc, const char* const* argv, int i, int* skip, std::string_view* value = nullptr);

}  // namespace ks
