// kassol-cli import: many bookings from a semicolon-separated file, all or nothing.
#include "booking/BookingImport.h"
#include "cli/CliCommand.h"

#include <QJsonObject>

namespace {

int runImport(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {}, {});
    a.expectAtMost(1);
    const QString file = a.word(0, QStringLiteral("die Datei"));
    const ImportErgebnis e = BuchungsImport::importiereDatei(ctx.dm, file);
    if (ctx.json)
        ctx.printJson(QJsonObject{{QStringLiteral("buchungen"), e.buchungen}, {QStringLiteral("bewegungen"), e.bewegungen}});
    else
        ctx.out << e.buchungen << " Buchungen mit " << e.bewegungen << " Steuerbuchungen importiert.\n";
    return 0;
}

const CliRegistration import{{QStringLiteral("import"),
                              QStringLiteral("kassol-cli import DATEI\n"
                                             "  DATEI: UTF-8, Semikolon als Trennzeichen, mit der Kopfzeile\n"
                                             "  Datum;Belegnummer;Text;Betrag;Steuersatz;Buchungskreis;Art;EU;Drittland;KFZ;Gebaeude\n"
                                             "  Datum TT.MM.JJJJ, Betrag mit Dezimalkomma, Buchungskreis = Kürzel, Art E oder A,\n"
                                             "  Kennzeichen ja/nein oder leer, leere Belegnummer = nächste Nummer.\n"
                                             "  Alles oder nichts: eine fehlerhafte Zeile verhindert den ganzen Import.\n"
                                             "  JSON: {\"buchungen\", \"bewegungen\"}\n"),
                              QStringLiteral("Buchungen aus einer CSV-Datei importieren"), runImport}};

} // namespace
