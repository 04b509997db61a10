// kassol-cli backup and restore.
#include "app/Clock.h"
#include "app/THelperData.h"
#include "backup/Backup.h"
#include "backup/Restore.h"
#include "cli/CliCommand.h"
#include "store/DM_KS.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace {

int runBackup(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {QStringLiteral("--target")}, {QStringLiteral("--copy"), QStringLiteral("--zip")});
    a.expectAtMost(0);
    if (a.flag(QStringLiteral("--copy")) && a.flag(QStringLiteral("--zip")))
        throw CliUsageError(QStringLiteral("--copy und --zip schließen einander aus."));
    const auto target = a.value(QStringLiteral("--target"));
    // An unset variable in a script gives an empty value; it must not mean the root folder.
    if (target && target->trimmed().isEmpty())
        throw CliUsageError(QStringLiteral("Die Option --target braucht einen Zielordner; ein leerer Wert ist nicht erlaubt."));
    const bool modus = a.flag(QStringLiteral("--copy")) || a.flag(QStringLiteral("--zip"));
    Sicherungseinstellungen e = Datensicherung::lese(ctx.helper);
    if (target)
        e.ziel = QFileInfo(*target).absoluteFilePath();
    if (modus)
        e.nichtZippen = a.flag(QStringLiteral("--copy"));
    ctx.dm.closeConnection();
    const Sicherungsergebnis r = Datensicherung::sichern(ctx.helper, e.ziel, e.nichtZippen);
    if (!r.erfolgreich) {
        ctx.err << CliValues::terminalText(r.meldung) << "\n";
        return 1;
    }
    // As in the backup dialog, a target or mode chosen is remembered for the next backup; a
    // failed backup leaves the settings as they were.
    try {
        if (target)
            Datensicherung::schreibeZiel(ctx.helper, e.ziel);
        if (modus)
            Datensicherung::schreibeNichtZippen(ctx.helper, e.nichtZippen);
    } catch (const KassolError& fehler) {
        throw KassolError(QStringLiteral("Die Sicherung \u201E%1\u201C wurde geschrieben.\n%2")
                              .arg(QDir::toNativeSeparators(r.zielDatei), fehler.message()));
    }
    if (ctx.json)
        ctx.printJson(QJsonObject{{QStringLiteral("datei"), QDir::toNativeSeparators(r.zielDatei)},
                                  {QStringLiteral("art"), e.nichtZippen ? QStringLiteral("kopie") : QStringLiteral("zip")}});
    else
        ctx.out << CliValues::terminalText(r.meldung) << "\n";
    return 0;
}

int runRestore(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {}, {QStringLiteral("--with-ini")});
    a.expectAtMost(1);
    const QString file = QFileInfo(a.word(0, QStringLiteral("die Sicherungsdatei"))).absoluteFilePath();
    const Wiederherstellung w = Datensicherung::wiederherstellen(ctx.helper, file, a.flag(QStringLiteral("--with-ini")), ctx.clock.now());
    if (ctx.json)
        ctx.printJson(QJsonObject{{QStringLiteral("datenbank"), QDir::toNativeSeparators(w.datenbank)},
                                  {QStringLiteral("bisherige"), QDir::toNativeSeparators(w.bisherigeKopie)},
                                  {QStringLiteral("ini"), w.iniWiederhergestellt}});
    else
        ctx.out << w.meldung << "\n";
    return 0;
}

const CliRegistration backup{{QStringLiteral("backup"),
                              QStringLiteral("kassol-cli backup [--target ORDNER] [--copy | --zip]\n"
                                             "  Komprimiert die Datenbank und sichert sie als Kassol.zip (mit Kassol.ini) oder als\n"
                                             "  Kopie ks_tab_save.mdb in den Zielordner. Ohne Optionen gelten Ziel und Art aus\n"
                                             "  Kassol.ini; angegebene Optionen werden dort nach einer erfolgreichen Sicherung für\n"
                                             "  die nächste gemerkt. Andere Kassol-Programme dürfen währenddessen weiterarbeiten.\n"
                                             "  Die vorige Sicherung bleibt erhalten, bis die neue geprüft an ihre Stelle tritt.\n"
                                             "  JSON: {\"datei\", \"art\"}\n"),
                              QStringLiteral("Datensicherung anlegen"), runBackup}};

const CliRegistration restore{{QStringLiteral("restore"),
                               QStringLiteral("kassol-cli restore DATEI [--with-ini]\n"
                                              "  Stellt eine Sicherung (Kassol.zip oder ks_tab_save.mdb) wieder her. Sie wird vorher\n"
                                              "  geprüft; die bisherige Datenbank bleibt mit Datum im Namen daneben erhalten.\n"
                                              "  Verweigert, solange Kassol oder ein anderes Kassol-Programm die Daten verwendet.\n"
                                              "  --with-ini stellt auch die Einstellungen aus dem Archiv wieder her.\n"
                                              "  JSON: {\"datenbank\", \"bisherige\", \"ini\"}\n"),
                               QStringLiteral("Datensicherung wiederherstellen"), runRestore, false, false}};

} // namespace
