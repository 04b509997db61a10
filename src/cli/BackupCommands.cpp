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
    // As in the backup dialog, a target or mode chosen is remembered for the next backup.
    if (const auto target = a.value(QStringLiteral("--target")))
        Datensicherung::schreibeZiel(ctx.helper, QFileInfo(*target).absoluteFilePath());
    if (a.flag(QStringLiteral("--copy")) || a.flag(QStringLiteral("--zip")))
        Datensicherung::schreibeNichtZippen(ctx.helper, a.flag(QStringLiteral("--copy")));
    const Sicherungseinstellungen e = Datensicherung::lese(ctx.helper);
    ctx.dm.closeConnection();
    const Sicherungsergebnis r = Datensicherung::sichern(ctx.helper, e.ziel, e.nichtZippen);
    if (!r.erfolgreich) {
        ctx.err << CliValues::terminalText(r.meldung) << "\n";
        return 1;
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
                                             "  Kassol.ini; angegebene Optionen werden dort für die nächste Sicherung gemerkt.\n"
                                             "  Die vorige Sicherung bleibt erhalten, bis die neue geprüft an ihre Stelle tritt.\n"
                                             "  JSON: {\"datei\", \"art\"}\n"),
                              QStringLiteral("Datensicherung anlegen"), runBackup}};

const CliRegistration restore{{QStringLiteral("restore"),
                               QStringLiteral("kassol-cli restore DATEI [--with-ini]\n"
                                              "  Stellt eine Sicherung (Kassol.zip oder ks_tab_save.mdb) wieder her. Sie wird vorher\n"
                                              "  geprüft; die bisherige Datenbank bleibt mit Datum im Namen daneben erhalten.\n"
                                              "  --with-ini stellt auch die Einstellungen aus dem Archiv wieder her.\n"
                                              "  JSON: {\"datenbank\", \"bisherige\", \"ini\"}\n"),
                               QStringLiteral("Datensicherung wiederherstellen"), runRestore, false, false}};

} // namespace
