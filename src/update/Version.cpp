#include "update/Version.h"

#include <QRegularExpression>

Programmversion Programmversion::laufende() {
    return {2026, 4};
}

std::optional<Programmversion> Programmversion::lies(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{4})\\.(\\d{1,4})$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return Programmversion{m.captured(1).toInt(), m.captured(2).toInt()};
}

QString Programmversion::text() const {
    return QStringLiteral("%1.%2").arg(jahr).arg(nummer, 2, 10, QLatin1Char('0'));
}
