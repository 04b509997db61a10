#pragma once

#include "app/Currency.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <functional>
#include <vector>

class TDM_EinAus;

// One row of the export: one tax movement with its booking.
struct ExportZeile {
    QDate buchungsdatum;
    int belegnummer = 0;
    QString text;
    Currency bruttoBetrag;  // 0 for an import, negated for an expense
    int steuersatz = 0;
    Currency vst;
    Currency ust;
};

// The tab-separated file that the tax office receives for an audit.
namespace FinanzamtExport {

// From 1 January to the last day of the month of the fiscal year's calendar year, both inclusive.
// A month outside 1 to 12 gives a period that holds no booking.
void exportZeitraum(int jahr, int monat, QDate& von, QDate& bis);
// The rows of the active client's current fiscal year up to the end of the month, ordered by
// date and booking.
std::vector<ExportZeile> lese(TDM_EinAus& dm, int monat);
// The file's bytes: the header line and one line a row, each ending in CR LF, fields separated
// by one TAB, in Windows-1252.
// ersetzt (when given) receives the number of characters that became "?".
QByteArray dateiinhalt(const std::vector<ExportZeile>& zeilen, const std::function<void(int)>& fortschritt = {},
                       int* ersetzt = nullptr);
// What the user is told about characters that became "?"; empty when there were none.
QString ersetztHinweis(int ersetzt);
// The name with its extension replaced by ".TXT" (appended when it has none).
QString txtDateiname(const QString& gewaehlt);
// A name "MX<n>.TXT" in the folder under which no file exists yet.
QString ansichtsDateiname(const QString& ordner);
// Writes the file under a temporary name and moves it over the target in one step. Raises
// KassolError with the reason when it cannot be written; an older file is then left as it was.
void schreibe(const QString& pfad, const QByteArray& inhalt);
// lese, dateiinhalt and schreibe for the month; returns the path written (with ".TXT").
QString exportiere(TDM_EinAus& dm, int monat, const QString& gewaehlterName);

} // namespace FinanzamtExport
