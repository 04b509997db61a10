#include "app/Formats.h"

#include <cmath>

namespace {

QLocale& currentLocale() {
    static QLocale locale(QLocale::German, QLocale::Austria);
    return locale;
}

// Formats ten-thousandths as "#,##0.00", rounding half away from zero to the cent.
QString groupedTwoDecimals(std::int64_t units) {
    const bool negative = units < 0;
    std::uint64_t absUnits = negative ? static_cast<std::uint64_t>(-(units + 1)) + 1 : static_cast<std::uint64_t>(units);
    const std::uint64_t cents = (absUnits + 50) / 100;
    const QString whole = QString::number(cents / 100);
    QString grouped;
    grouped.reserve(whole.size() + whole.size() / 3 + 4);
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += QLatin1Char('.');
        grouped += whole[i];
    }
    grouped += QLatin1Char(',');
    grouped += QString::number(cents % 100).rightJustified(2, QLatin1Char('0'));
    if (negative && cents != 0)
        grouped.prepend(QLatin1Char('-'));
    return grouped;
}

} // namespace

namespace Formats {

QLocale chooseLocale(const QLocale& system) {
    if (system.language() == QLocale::German)
        return system;
    return QLocale(QLocale::German, QLocale::Austria);
}

void setLocale(const QLocale& locale) { currentLocale() = locale; }
const QLocale& locale() { return currentLocale(); }

QString amount(Currency value) { return groupedTwoDecimals(value.units()); }

QString amount(double value) {
    if (!std::isfinite(value))
        return QString();
    // Through the decimal text of the double, so that 2.675 (stored as 2.67499...) shows as
    // the user reads it in the source figure and not as a binary artefact.
    const QString text = QString::number(value, 'f', 4);
    return groupedTwoDecimals(Currency::parse(text).value_or(Currency()).units());
}

QString euro(Currency value) { return amount(value) + QStringLiteral(" \u20AC"); }

QString amountOrBlank(double value) {
    const QString text = amount(value);
    return (text == QStringLiteral("0,00") || text == QStringLiteral("-0,00")) ? QString() : text;
}

QString date(const QDate& d) { return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString(); }

QString monthName(int month) { return currentLocale().standaloneMonthName(month, QLocale::LongFormat); }

QString integer(qint64 value) { return QString::number(value); }

QString shortestDecimal(Currency value) {
    QString text = value.toPlainString();
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (text == QStringLiteral("-0"))
        text = QStringLiteral("0");
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

} // namespace Formats
