#pragma once

#include "app/Currency.h"

#include <QDate>
#include <QLocale>
#include <QString>

// Every number and date the user reads is formatted here, so that all windows, reports and
// files agree. Separators are fixed to the German ones ("1.234,50"), whatever a locale's data
// says about grouping; month names come from the locale.
namespace Formats {

// The user's locale when its language is German, otherwise Austrian German.
QLocale chooseLocale(const QLocale& system);
void setLocale(const QLocale& locale);
const QLocale& locale();

// "#,##0.00": grouped thousands, exactly two decimals, halves away from zero.
QString amount(Currency value);
QString amount(double value);
// "#,##0.00 €"
QString euro(Currency value);
// "#,##0.00;;''": like amount(), but zero prints nothing.
QString amountOrBlank(double value);
// "dd.mm.yyyy"
QString date(const QDate& date);
// The locale's full month name ("Jänner" in de_AT).
QString monthName(int month);
// Whole number without grouping.
QString integer(qint64 value);
// The shortest decimal form with at most four decimals and a decimal comma: 12,5; 100; -120; 0.
QString shortestDecimal(Currency value);

} // namespace Formats
