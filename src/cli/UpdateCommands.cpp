// kassol-cli update check and update install.
#include "app/Clock.h"
#include "app/THelperData.h"
#include "app/UpdateLog.h"
#include "cli/CliCommand.h"
#include "update/ProgramUpdate.h"
#include "update/UpdateKeys.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace {

Updatequelle quelle(const CliContext& ctx, const CliArgs& a) {
    Updatequelle q = Updatequelle::ausEinstellungen(ctx.helper.IniPath());
    if (const auto adresse = a.value(QStringLiteral("--source")))
        q.adresse = QUrl(adresse->trimmed());
    if (const auto datei = a.value(QStringLiteral("--key")))
        q.schluessel = UpdateSchluessel::liesOeffentlich(*datei);
    if (q.adresse.isEmpty())
        throw KassolError(QStringLiteral("Es ist keine Update-Adresse eingestellt. Geben Sie sie mit --source an "
                                         "oder in Kassol.ini im Abschnitt [Update] unter Quelle."));
    if (q.schluessel.size() != 32)
        throw KassolError(QStringLiteral("Dieses Kassol hat keinen Schlüssel zum Prüfen von Updates eingebaut. "
                                         "Geben Sie die Datei des öffentlichen Schlüssels mit --key an."));
    return q;
}

UpdateLog protokoll(const CliContext& ctx) {
    return UpdateLog(QDir(ctx.helper.DBPath()).filePath(QString::fromLatin1(UpdateLog::DateiName)), ctx.clock);
}

int runCheck(CliContext& ctx, const CliArgs& a) {
    a.expectAtMost(1);
    const UpdateLog log = protokoll(ctx);
    Programmaktualisierung update(quelle(ctx, a), QString(), log, ctx.clock);
    const Pruefergebnis r = update.pruefe();
    if (ctx.json)
        ctx.printJson(QJsonObject{{QStringLiteral("verfuegbar"), r.neuer}, {QStringLiteral("version"), r.manifest.version.text()}});
    else if (r.neuer)
        ctx.out << QStringLiteral("Version %1 ist verfügbar (installiert: %2).\n").arg(r.manifest.version.text(), Programmversion::laufende().text());
    else
        ctx.out << QStringLiteral("Es gibt keine neuere Version (veröffentlicht: %1, installiert: %2).\n")
                       .arg(r.manifest.version.text(), Programmversion::laufende().text());
    return 0;
}

int runInstall(CliContext& ctx, const CliArgs& a) {
    a.expectAtMost(1);
    const auto ordnerWert = a.value(QStringLiteral("--program-dir"));
    if (!ordnerWert || ordnerWert->trimmed().isEmpty())
        throw CliUsageError(QStringLiteral("Die Option --program-dir mit dem Programmordner fehlt."));
    const QString ordner = QDir::cleanPath(QFileInfo(*ordnerWert).absoluteFilePath());
    if (!QFileInfo(ordner).isDir())
        throw KassolError(QStringLiteral("Der Programmordner \u201E%1\u201C existiert nicht.").arg(QDir::toNativeSeparators(ordner)));
    switch (Programmaktualisierung::installationsart(ordner)) {
    case Installationsart::Paketverwaltung:
        throw KassolError(QStringLiteral("Kassol in \u201E%1\u201C wurde über die Paketverwaltung installiert. Eine neue Version "
                                         "installieren Sie über die Softwareaktualisierung Ihres Systems.")
                              .arg(QDir::toNativeSeparators(ordner)));
    case Installationsart::NichtBeschreibbar:
        throw KassolError(QStringLiteral("In den Programmordner \u201E%1\u201C dürfen Sie nicht schreiben; das Update wird nicht "
                                         "installiert.")
                              .arg(QDir::toNativeSeparators(ordner)));
    case Installationsart::Selbst:
        break;
    }
    const UpdateLog log = protokoll(ctx);
    Programmaktualisierung update(quelle(ctx, a), ordner, log, ctx.clock);
    const Pruefergebnis r = update.pruefe();
    if (!r.neuer)
        throw KassolError(QStringLiteral("Es gibt keine neuere Version (veröffentlicht: %1, installiert: %2); nichts wurde geändert.")
                              .arg(r.manifest.version.text(), Programmversion::laufende().text()));
    update.installiere(r.manifest);
    if (ctx.json)
        ctx.printJson(QJsonObject{{QStringLiteral("installiert"), true},
                                  {QStringLiteral("version"), r.manifest.version.text()},
                                  {QStringLiteral("dateien"), static_cast<int>(r.manifest.dateien.size())}});
    else
        ctx.out << QStringLiteral("Version %1 ist in \u201E%2\u201C installiert (%3).\n")
                       .arg(r.manifest.version.text(), QDir::toNativeSeparators(ordner),
                            r.manifest.dateien.size() == 1 ? QStringLiteral("1 Datei")
                                                           : QStringLiteral("%1 Dateien").arg(r.manifest.dateien.size()));
    return 0;
}

int runUpdate(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {QStringLiteral("--source"), QStringLiteral("--key"), QStringLiteral("--program-dir")}, {});
    const QString was = a.word(0, QStringLiteral("check oder install"));
    if (was == QStringLiteral("check")) {
        if (a.has(QStringLiteral("--program-dir")))
            throw CliUsageError(QStringLiteral("--program-dir gehört zu \u201Eupdate install\u201C."));
        return runCheck(ctx, a);
    }
    if (was == QStringLiteral("install"))
        return runInstall(ctx, a);
    throw CliUsageError(QStringLiteral("Unbekannter Update-Befehl \u201E%1\u201C; möglich sind check und install.").arg(was));
}

const CliRegistration update{{QStringLiteral("update"),
                              QStringLiteral("kassol-cli update check [--source ADRESSE] [--key SCHLÜSSELDATEI]\n"
                                             "  Sagt, ob eine neuere, gültig signierte Version veröffentlicht ist.\n"
                                             "  JSON: {\"verfuegbar\", \"version\"}\n"
                                             "kassol-cli update install [--source ADRESSE] [--key SCHLÜSSELDATEI] --program-dir ORDNER\n"
                                             "  Lädt die neuere Version, prüft jede Datei gegen die signierte Beschreibung und ersetzt\n"
                                             "  erst dann die Programmdateien im ORDNER; bei jedem Fehler bleibt alles, wie es war.\n"
                                             "  JSON: {\"installiert\", \"version\", \"dateien\"}\n"
                                             "  ADRESSE ist die Adresse, unter der webupdate/Kassol/Kassol.inf liegt (https://...);\n"
                                             "  ohne --source gilt [Update] Quelle aus Kassol.ini oder die eingebaute Adresse.\n"
                                             "  Der Verlauf steht in Kassol_UpdateLog.log im Datenordner.\n"),
                              QStringLiteral("Nach einer neuen Version suchen und sie installieren"), runUpdate,
                              /*createsDatabase=*/false, /*opensDatabase=*/false}};

} // namespace
