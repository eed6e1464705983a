#pragma once
// The command-line tools' messages on stderr speak the operator's language
// as the console does (--lang en|zh, else the locale, or on Windows the
// user's display language). What they print on stdout for other programs to
// read stays as it is in either language. The tools have no Qt: their
// English comes from the plain table of the catalogue.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/plain_catalogue.h"
#include "platform/language.h"

namespace ks {

// Chooses the language and hands back the arguments without --lang; false
// (after a message) when --lang names no language.
inline bool SpeakTheOperatorsLanguage(const char* program, int argc, char** argv, std::vector<std::string>& args) {
    std::string_view bad;
    const std::optional<Language> language = ChooseLanguage(argc, argv, nullptr, &bad);
    if (!language) {
        std::fprintf(stderr, "%s: unknown language \"%.*s\" (--lang en or --lang zh)\n", program,
                     static_cast<int>(bad.size()), bad.data());
        return false;
    }
    i18n::UsePlainCatalogue(*language);
    for (int i = 1; i < argc; ++i) {
        int skip = 0;
        if (std::string_view(argv[i]) == "--") {
            args.insert(args.end(), argv + i, argv + argc);
            break;
        }
        if (IsLanguageOption(argc, argv, i, &skip)) {
            i += skip - 1;
            continue;
        }
        args.emplace_back(argv[i]);
    }
    return true;
}

}  // namespace ks
