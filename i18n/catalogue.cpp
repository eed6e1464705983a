#include "i18n/catalogue.h"

#include <QCoreApplication>
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

}  // namespace

bool UseLanguage(Language language) {
    if (language == Language::Chinese) return true;
    if (!Catalogue().load(QStringLiteral(":/i18n/kestrane_en.qm"))) return false;
    SetTextLookup(&Lookup);
    if (QCoreApplication::instance() != nullptr) QCoreApplication::installTranslator(&Catalogue());
    return true;
}

}  // namespace ks::i18n
