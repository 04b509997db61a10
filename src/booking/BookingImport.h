#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

class TDM_EinAus;

struct ImportErgebnis {
    int buchungen = 0;
    int bewegungen = 0;
};

// Reads many bookings of the active client's current fiscal year from a semicolon-separated UTF-8
// text with the header line
//   Datum;Belegnummer;Text;Betrag;Steuersatz;Buchungskreis;Art;EU;Drittland;KFZ;Gebaeude
// (Datum dd.mm.yyyy, Betrag with a decimal comma, Buchungskreis the circle's short name, Art E or
// A, flags ja/nein or empty, an empty Belegnummer meaning the next number) and books them with
// their tax movements. All or nothing: every line is checked before the first is written, and the
// writing is one transaction. A bad line raises KassolError naming its line number and the reason.
namespace BuchungsImport {

ImportErgebnis importiereDatei(TDM_EinAus& dm, const QString& path);
// A date of the Datum column (dd.mm.yyyy); an invalid date when the text is none.
QDate datum(const QString& text);
ImportErgebnis importiere(TDM_EinAus& dm, const QByteArray& utf8);

} // namespace BuchungsImport
