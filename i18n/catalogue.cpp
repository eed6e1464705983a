#include "i18n/catalogue.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <cstdio>
#include <QTranslator>

#include "platform/texts.h"

namespace ks::i18n {
namespace {

// One catalogue for the life of the program; the language never changes
// while it runs.
QTranslator& Catalogue() {
    static QTranslator translator;
    return translator;
}

std::string Lookup(const char* context, const char* source) {
    const QString text = Catalogue().translate(context, source);
    return text.isEmpty() ? std::string(source) : text.toStdString();
}

// Qt's own words (file dialogs, an edit's context menu) from Qt's catalogue
// (Debian's qt6-translations-l10n), so that a Chinese screen has no English
// in it. Without the catalogue they stay English; the console still works.
void UseQtsOwnChinese() {
    if (QCoreApplication::instance() == nullptr) return;
    static QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qtTexts);
    } else {
        std::fputs("kestrane: Qt's Chinese texts are missing (qt6-translations-l10n); its dialogs speak English\n", stderr);
    }
}

}  // namespace

bool UseLanguage(Language language) {
    if (language == Language::Chinese) {
        UseQtsOwnChinese();
        return true;
    }
    if (!Catalogue().load(QStringLiteral(":/i18n/kestrane_en.qm"))) return false;
    SetTextLookup(&Lookup);
    if (QCoreApplication::instance() != nullptr) QCoreApplication::installTranslator(&Catalogue());
    return true;
}

}  // namespace ks::i18n
