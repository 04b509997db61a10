#include "app/Currency.h"

#include "app/KassolError.h"

#include <QRegularExpression>

#include <cfenv>
#include <cmath>
#include <limits>

Currency Currency::fromDouble(double value) {
    // Extended precision keeps the product exact enough that a true half is seen as one.
    const long double scaled = static_cast<long double>(value) * Scale;
    std::fesetround(FE_TONEAREST);
    return Currency(static_cast<std::int64_t>(std::nearbyintl(scaled)));
}

std::optional<Currency> Currency::parse(const QString& input) {
    QString text = input.trimmed();
    if (text.endsWith(QChar(0x20AC)))
        text = text.chopped(1).trimmed();
    // Blanks may only group thousands ("1 234,50"); anywhere else ("5 0") they hide a typing error.
    static const QRegularExpression blanks(QStringLiteral("[ \\x{00A0}\\x{202F}]"));
    if (text.contains(blanks)) {
        static const QRegularExpression grouped(
            QStringLiteral("^[+-]?\\d{1,3}([ \\x{00A0}\\x{202F}]\\d{3})+([.,]\\d+)?$"));
        if (!grouped.match(text).hasMatch())
            return std::nullopt;
        text.remove(blanks);
    }
    if (text.isEmpty())
        return std::nullopt;
    bool negative = false;
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) {
        negative = text.startsWith(QLatin1Char('-'));
        text.remove(0, 1);
    }
    // With both separators the last one is the decimal one; a single separator is decimal;
    // several dots alone group thousands ("1.234.567").
    const int lastComma = text.lastIndexOf(QLatin1Char(','));
    const int lastDot = text.lastIndexOf(QLatin1Char('.'));
    QString whole = text, fraction;
    int decimalAt = -1;
    if (lastComma >= 0 && lastDot >= 0)
        decimalAt = std::max(lastComma, lastDot);
    else if (lastComma >= 0)
        decimalAt = lastComma;
    else if (lastDot >= 0 && text.count(QLatin1Char('.')) == 1)
        decimalAt = lastDot;
    if (decimalAt >= 0) {
        whole = text.left(decimalAt);
        fraction = text.mid(decimalAt + 1);
        if (fraction.contains(QLatin1Char('.')) || fraction.contains(QLatin1Char(',')))
            return std::nullopt;
    }
    const QChar groupSep = decimalAt >= 0 ? (text[decimalAt] == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(','))
                                          : QLatin1Char('.');
    // Grouping must be regular: groups of three digits after the first.
    if (whole.contains(groupSep)) {
        const QStringList groups = whole.split(groupSep);
        if (groups.first().isEmpty() || groups.first().size() > 3)
            return std::nullopt;
        for (qsizetype i = 1; i < groups.size(); ++i)
            if (groups[i].size() != 3)
                return std::nullopt;
        whole = groups.join(QString());
    }
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    if (fraction.size() > 4)
        return std::nullopt;
    for (QChar c : whole + fraction)
        if (!c.isDigit() || c.unicode() > '9')
            return std::nullopt;
    // The column holds ten-thousandths in 64 bits: at most 922,337,203,685,477.5807.
    if (whole.size() > 15 || (whole.size() == 15 && whole > QStringLiteral("922337203685476")))
        return std::nullopt;
    std::int64_t units = whole.isEmpty() ? 0 : whole.toLongLong() * Scale;
    std::int64_t frac = 0;
    for (int i = 0; i < 4; ++i)
        frac = frac * 10 + (i < fraction.size() ? fraction[i].digitValue() : 0);
    units += frac;
    return Currency(negative ? -units : units);
}

QString Currency::toPlainString() const {
    const std::int64_t absUnits = m_units < 0 ? -m_units : m_units;
    QString frac = QString::number(absUnits % Scale).rightJustified(4, QLatin1Char('0'));
    while (frac.size() > 2 && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    return QStringLiteral("%1%2.%3").arg(m_units < 0 ? QStringLiteral("-") : QString()).arg(absUnits / Scale).arg(frac);
}

void Currency::ueberlauf() {
    throw KassolError(QStringLiteral("Die Summe der Beträge ist zu groß, um sie genau zu rechnen. "
                                     "Bitte prüfen Sie die Beträge der Buchungen auf Tippfehler."));
}
