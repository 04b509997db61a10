// kassol-cli migrate: taking over books kept in a Jet (Access) file.
#include "app/Clock.h"
#include "app/FilePaths.h"
#include "app/Currency.h"
#include "app/THelperData.h"
#include "cli/CliCommand.h"
#include "migration/JetUebernahme.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLockFile>

namespace {

// Rows were refused and nothing was taken over; the protocol names them.
constexpr int StatusAbgewiesen = 2;

QJsonValue wert(const QVariant& v) { return v.isValid() ? QJsonValue(v.toLongLong()) : QJsonValue(); }

int runMigrate(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {}, {QStringLiteral("--without-invalid")});
    a.expectAtMost(0);
    const QString ordner = ctx.helper.DBPath();
    // The desktop program holds this lock while it works on the folder, its own take-over included.
    QLockFile sperre(QDir(ordner).filePath(QString::fromLatin1(FilePaths::SperrDatei)));
    sperre.setStaleLockTime(0);
    if (!sperre.tryLock(0))
        throw KassolError(QStringLiteral("Kassol verwendet den Datenordner \u201E%1\u201C gerade. Bitte beenden Sie Kassol "
                                         "und wiederholen Sie die Übernahme.")
                              .arg(QDir::toNativeSeparators(ordner)));
    Uebernahmeoptionen optionen;
    optionen.ohneUngueltige = a.flag(QStringLiteral("--without-invalid"));
    optionen.zeitpunkt = ctx.clock.now();
    const Uebernahmeergebnis e = uebernimmJetDatenbank(ordner, optionen);
    const Abbildung& ab = e.abbildung;

    if (ctx.json) {
        QJsonObject tabellen;
        for (const QString& t : jetTabellen()) {
            const auto quelle = ab.quellZeilen.find(t);
            const auto ziel = ab.erwarteteZeilen.find(t);
            tabellen.insert(t, QJsonObject{{QStringLiteral("access"), quelle == ab.quellZeilen.end() ? 0 : quelle->second},
                                           {QStringLiteral("uebernommen"), e.uebernommen && ziel != ab.erwarteteZeilen.end() ? ziel->second : 0}});
        }
        QJsonArray summen;
        for (const JahresSumme& s : ab.summen)
            summen.append(QJsonObject{{QStringLiteral("mandant"), wert(s.mandant)},
                                      {QStringLiteral("wirtschaftsjahr"), wert(s.wirtschaftsjahr)},
                                      {QStringLiteral("betrag"), CliValues::money(Currency::fromUnits(s.betrag))},
                                      {QStringLiteral("st_betrag"), CliValues::money(Currency::fromUnits(s.steuer))}});
        QJsonArray abgewiesen;
        for (const AbgewieseneZeile& z : ab.abgewiesen)
            abgewiesen.append(QJsonObject{{QStringLiteral("tabelle"), z.tabelle},
                                          {QStringLiteral("zeile"), z.zeile},
                                          {QStringLiteral("schluessel"), z.schluessel},
                                          {QStringLiteral("grund"), z.grund}});
        ctx.printJson(QJsonObject{{QStringLiteral("uebernommen"), e.uebernommen},
                                  {QStringLiteral("datenbank"), QDir::toNativeSeparators(e.datenbank)},
                                  {QStringLiteral("access_datenbank"), e.uebernommen ? QJsonValue(QDir::toNativeSeparators(e.accessKopie)) : QJsonValue()},
                                  {QStringLiteral("protokoll"), QDir::toNativeSeparators(e.protokoll)},
                                  {QStringLiteral("ini_uebernommen"), e.iniUebernommen},
                                  {QStringLiteral("tabellen"), tabellen},
                                  {QStringLiteral("summen"), summen},
                                  {QStringLiteral("abgewiesen"), abgewiesen},
                                  {QStringLiteral("hinweise"), QJsonArray::fromStringList(ab.hinweise)}});
        return e.uebernommen ? 0 : StatusAbgewiesen;
    }

    if (!e.uebernommen) {
        ctx.err << ab.abgewiesen.size() << " Zeile(n) der Access-Datenbank passen nicht in die Kassol-Datenbank; es wurde "
                   "nichts übernommen und die Access-Datenbank ist unverändert:\n";
        for (const AbgewieseneZeile& z : ab.abgewiesen)
            ctx.err << "  " << z.tabelle << ", Zeile " << z.zeile << " (" << z.schluessel << "): " << z.grund << "\n";
        ctx.err << "Das Protokoll steht in \u201E" << QDir::toNativeSeparators(e.protokoll) << "\u201C. Berichtigen Sie die "
                   "Zeilen in Access, oder übernehmen Sie die übrigen Daten mit \u201Ekassol-cli migrate --without-invalid\u201C.\n";
        return StatusAbgewiesen;
    }
    ctx.out << "Die Access-Datenbank wurde übernommen und geprüft.\n\nZeilen je Tabelle (Access / übernommen):\n";
    for (const QString& t : jetTabellen())
        ctx.out << "  " << t.leftJustified(20) << " " << ab.quellZeilen.at(t) << " / " << ab.erwarteteZeilen.at(t) << "\n";
    ctx.out << "\nSummen je Mandant und Wirtschaftsjahr (Beträge / Steuerbeträge):\n";
    for (const JahresSumme& s : ab.summen)
        ctx.out << "  Mandant " << (s.mandant.isValid() ? s.mandant.toString() : QStringLiteral("(leer)")) << ", Wirtschaftsjahr "
                << (s.wirtschaftsjahr.isValid() ? s.wirtschaftsjahr.toString() : QStringLiteral("(leer)")) << ": "
                << CliValues::money(Currency::fromUnits(s.betrag)) << " / " << CliValues::money(Currency::fromUnits(s.steuer)) << "\n";
    if (!ab.abgewiesen.empty())
        ctx.out << "\n" << ab.abgewiesen.size() << " abgewiesene Zeile(n) wurden nicht übernommen.\n";
    ctx.out << "\nNeue Datenbank: " << QDir::toNativeSeparators(e.datenbank) << "\n"
            << "Access-Datenbank unverändert bewahrt als: " << QDir::toNativeSeparators(e.accessKopie) << "\n"
            << "Protokoll: " << QDir::toNativeSeparators(e.protokoll) << "\n";
    return 0;
}

const CliRegistration migrate{{QStringLiteral("migrate"),
                               QStringLiteral("kassol-cli migrate [--without-invalid]\n"
                                              "  Übernimmt die Daten einer Access-Datenbank KS_tab.mdb im Datenordner in eine neue\n"
                                              "  Kassol-Datenbank gleichen Namens und prüft sie (Zeilen je Tabelle, Summen je\n"
                                              "  Mandant und Wirtschaftsjahr). Die Access-Datenbank bleibt unverändert als\n"
                                              "  KS_tab_Access.mdb erhalten, Kassol.ini als Kassol_Access.ini. Das Protokoll steht in\n"
                                              "  Uebernahme-Protokoll.txt.\n"
                                              "  Zeilen, die Kassol nicht aufnehmen kann, werden im Protokoll genannt; dann wird nichts\n"
                                              "  übernommen (Rückgabewert 2), mit --without-invalid die übrigen Daten.\n"
                                              "  JSON: {\"uebernommen\", \"datenbank\", \"access_datenbank\", \"protokoll\",\n"
                                              "         \"ini_uebernommen\", \"tabellen\", \"summen\", \"abgewiesen\", \"hinweise\"}\n"),
                               QStringLiteral("Daten aus einer Access-Datenbank übernehmen"), runMigrate, false, false}};

} // namespace
