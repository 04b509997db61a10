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

QString date(const QDate& d) {
    if (!d.isValid() || d.year() < 0 || d.year() > 9999)
        return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
    // Written digit by digit: lists and export files format hundreds of thousands of dates.
    int y = 0, m = 0, day = 0;
    d.getDate(&y, &m, &day);
    const char16_t text[10] = {char16_t(u'0' + day / 10), char16_t(u'0' + day % 10), u'.',
                               char16_t(u'0' + m / 10),   char16_t(u'0' + m % 10),   u'.',
                               char16_t(u'0' + y / 1000), char16_t(u'0' + y / 100 % 10), char16_t(u'0' + y / 10 % 10),
                               char16_t(u'0' + y % 10)};
    return QString(reinterpret_cast<const QChar*>(text), 10);
}

QString monthName(int month) { return currentLocale().standaloneMonthName(month, QLocale::LongFormat); }

QString integer(qint64 value) { return QString::number(value); }

QString shortestDecimal(Currency value) {
    const std::int64_t units = value.units();
    std::uint64_t rest = units < 0 ? static_cast<std::uint64_t>(-(units + 1)) + 1 : static_cast<std::uint64_t>(units);
    std::uint64_t fraction = rest % Currency::Scale;
    std::uint64_t whole = rest / Currency::Scale;
    char buffer[32];
    char* end = buffer + sizeof(buffer);
    char* p = end;
    if (fraction != 0) {
        int digits = 4;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        for (int i = 0; i < digits; ++i) {
            *--p = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        *--p = ',';
    }
    do {
        *--p = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    if (units < 0)
        *--p = '-';
    return QString::fromLatin1(p, end - p);
}

} // namespace Formats
