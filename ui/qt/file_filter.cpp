#include "ui/qt/file_filter.h"

#include <QStringList>

namespace ks::ui::qt {

namespace {

QString Pattern(const QString& one) {
    if (one == QLatin1String("*.*") || one == QLatin1String("*")) return QStringLiteral("*");
    const QString lower = one.toLower();
    const QString upper = one.toUpper();
    QStringList variants{one};
    if (!variants.contains(lower)) variants << lower;
    if (!variants.contains(upper)) variants << upper;
    return variants.join(QLatin1Char(' '));
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = QString::fromUtf8(filter.c_str()).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString label = parts[i].trimmed();
        if (label.isEmpty()) break;  // the "||" that ends the list
        QStringList patterns;
        for (const QString& one : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns << Pattern(one.trimmed());
        if (patterns.isEmpty()) continue;
        filters << label + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace ks::ui::qt
