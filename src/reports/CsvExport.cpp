#include "reports/CsvExport.h"

#include "app/Currency.h"
#include "app/Formats.h"
#include "app/SafeFileWriter.h"

#include <QDate>

namespace {

QString quoted(const QString& text) {
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    QString t = text;
    t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

QString betrag(const QVariant& v) {
    if (v.isNull())
        return QString();
    // Two decimals and a decimal comma, without thousands points, so that spreadsheets read numbers.
    return Formats::amount(Currency::fromUnits(v.toLongLong())).remove(QLatin1Char('.'));
}

} // namespace

namespace CsvExport {

void schreibe(const ReportEngine::ReportData& daten, const QStringList& betragsSpalten, const QStringList& datumsSpalten,
              const QString& pfad) {
    QString text = daten.fields().join(QLatin1Char(';')) + QStringLiteral("\r\n");
    for (int row = 0; row < daten.count(); ++row) {
        QStringList felder;
        for (int c = 0; c < daten.fields().size(); ++c) {
            const QString& name = daten.fields()[c];
            const QVariant v = daten.value(row, c);
            if (betragsSpalten.contains(name, Qt::CaseInsensitive))
                felder << betrag(v);
            else if (datumsSpalten.contains(name, Qt::CaseInsensitive))
                felder << Formats::date(QDate::fromString(v.toString().left(10), Qt::ISODate));
            else
                felder << quoted(v.toString());
        }
        text += felder.join(QLatin1Char(';')) + QStringLiteral("\r\n");
    }
    SafeFileWriter::writeAll(pfad, text.toUtf8(), QStringLiteral("Die CSV-Datei"));
}

} // namespace CsvExport
