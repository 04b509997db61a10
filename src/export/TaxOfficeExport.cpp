#include "export/TaxOfficeExport.h"

#include "app/Codepage.h"
#include "app/TextRules.h"
#include "app/FilePaths.h"
#include "app/Formats.h"
#include "app/KassolError.h"
#include "app/SafeFileWriter.h"
#include "store/DM_KS.h"
#include "store/RowReader.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString QueryFinanzamt_Sql = QStringLiteral(
    "SELECT T_Buchungen.Buchungsdatum, T_Buchungen.Belegnummer, T_Buchungen.Text, "
    "iif([istdrittland]=1,0,iif([isteinnahme]=2,[betrag]*-1,[betrag])) AS BruttoBetrag, T_Buchungen.Steuersatz, "
    "iif([isteinnahme]=2,[St_betrag],0) AS VST, iif([isteu]=2,iif([isteinnahme]=1,[St_betrag],0),[St_betrag]) AS UST\n"
    "FROM T_Buchungen INNER JOIN (t_kontenbewegungen INNER JOIN T_Kontenplan ON t_kontenbewegungen.Konten_Nr = "
    "T_Kontenplan.Kontonummer) ON (T_Buchungen.ID = t_kontenbewegungen.Buchungen_id) AND (T_Buchungen.mandant = "
    "t_kontenbewegungen.mandant)\n"
    "WHERE (((T_Buchungen.Wirtschaftsjahr)=:zeitraum) AND ((T_Buchungen.Buchungsdatum) Between :von And :bis) AND "
    "((T_Buchungen.mandant)=:mandant))\n"
    "ORDER BY T_Buchungen.Buchungsdatum, T_Buchungen.ID;");

const QStringList Kopf{QStringLiteral("Buchungsdatum"), QStringLiteral("Belegnummer"), QStringLiteral("Text"),
                       QStringLiteral("BruttoBetrag"),  QStringLiteral("Steuersatz"),  QStringLiteral("VST"),
                       QStringLiteral("UST")};

} // namespace

namespace FinanzamtExport {

void exportZeitraum(int jahr, int monat, QDate& von, QDate& bis) {
    von = QDate(jahr, 1, 1);
    if (monat >= 1 && monat <= 12) {
        const QDate erster(jahr, monat, 1);
        bis = erster.addDays(erster.daysInMonth() - 1);
    } else {
        // The date value 1 of the old engine: no booking lies that early.
        bis = QDate(1899, 12, 31);
    }
}

std::vector<ExportZeile> lese(TDM_EinAus& dm, int monat) {
    const int mandant = dm.gibAktiverMandant();
    const int zeitraum = dm.gibZeitraum();
    QDate von, bis;
    exportZeitraum(dm.gibJahr(), monat, von, bis);
    RowReader q(dm.db(), QueryFinanzamt_Sql,
                {{QStringLiteral(":zeitraum"), zeitraum},
                 {QStringLiteral(":von"), von.toString(Qt::ISODate)},
                 {QStringLiteral(":bis"), bis.toString(Qt::ISODate)},
                 {QStringLiteral(":mandant"), mandant}},
                QStringLiteral("Export lesen"));
    std::vector<ExportZeile> zeilen;
    while (q.next()) {
        ExportZeile z;
        z.buchungsdatum = QDate::fromString(q.text(0).left(10), Qt::ISODate);
        z.belegnummer = static_cast<int>(q.integer(1));
        // A TAB or line break kept from older books would split the record; it becomes a blank.
        z.text = Textregeln::ohneSteuerzeichen(q.text(2));
        z.bruttoBetrag = Currency::fromUnits(q.integer(3));
        z.steuersatz = static_cast<int>(q.integer(4));
        z.vst = Currency::fromUnits(q.integer(5));
        z.ust = Currency::fromUnits(q.integer(6));
        zeilen.push_back(std::move(z));
    }
    return zeilen;
}

QByteArray dateiinhalt(const std::vector<ExportZeile>& zeilen, const std::function<void(int)>& fortschritt, int* ersetzt) {
    const QString tab(QLatin1Char('\t'));
    const QString zeilenende = QStringLiteral("\r\n");
    QString text = Kopf.join(tab) + zeilenende;
    text.reserve(static_cast<qsizetype>(zeilen.size()) * 64 + text.size());
    int n = 0;
    for (const ExportZeile& z : zeilen) {
        for (const QString& feld : {Formats::date(z.buchungsdatum), Formats::integer(z.belegnummer), z.text,
                                    Formats::shortestDecimal(z.bruttoBetrag), Formats::integer(z.steuersatz),
                                    Formats::shortestDecimal(z.vst)}) {
            text += feld;
            text += tab;
        }
        text += Formats::shortestDecimal(z.ust);
        text += zeilenende;
        if (fortschritt)
            fortschritt(++n);
    }
    return Codepage::toWindows1252(text, ersetzt);
}

QString ersetztHinweis(int ersetzt) {
    if (ersetzt <= 0)
        return {};
    return QStringLiteral("Hinweis: %1 Zeichen der Buchungstexte gibt es im Zeichensatz der Exportdatei (Windows-1252) "
                          "nicht; sie stehen dort als \u201E?\u201C.")
        .arg(ersetzt);
}

QString txtDateiname(const QString& gewaehlt) { return FilePaths::replaceExtension(gewaehlt, QStringLiteral(".TXT")); }

QString ansichtsDateiname(const QString& ordner) {
    for (int n = 1;; ++n) {
        const QString pfad = QDir(ordner).filePath(QStringLiteral("MX%1.TXT").arg(n));
        if (!QFileInfo::exists(pfad))
            return pfad;
    }
}

void schreibe(const QString& pfad, const QByteArray& inhalt) {
    SafeFileWriter::writeAll(pfad, inhalt, QStringLiteral("Die Exportdatei"));
}

QString exportiere(TDM_EinAus& dm, int monat, const QString& gewaehlterName) {
    const QString pfad = txtDateiname(gewaehlterName);
    schreibe(pfad, dateiinhalt(lese(dm, monat)));
    return pfad;
}

} // namespace FinanzamtExport
