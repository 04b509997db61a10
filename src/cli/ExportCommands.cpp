// kassol-cli export: the tab-separated file for a tax audit.
#include "cli/CliCommand.h"
#include "export/TaxOfficeExport.h"
#include "store/DM_KS.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace {

int runExport(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {QStringLiteral("--month"), QStringLiteral("--out")}, {});
    a.expectAtMost(0);
    const auto month = a.value(QStringLiteral("--month"));
    const auto out = a.value(QStringLiteral("--out"));
    if (!month || !out)
        throw CliUsageError(QStringLiteral("Geben Sie --month und --out an."));
    // An unset variable in a script gives an empty value, which would write ".TXT" into the
    // working folder; a folder has no name to give the file.
    if (out->trimmed().isEmpty() || out->endsWith(QLatin1Char('/')) || out->endsWith(QLatin1Char('\\')) || QFileInfo(*out).isDir())
        throw CliUsageError(QStringLiteral("Die Option --out braucht einen Dateinamen (z. B. --out export.txt); \u201E%1\u201C ist keiner.")
                                .arg(*out));
    const int monat = CliValues::integer(*month, QStringLiteral("Der Monat"));
    if (monat < 1 || monat > 12)
        throw KassolError(QStringLiteral("Der Monat muss zwischen 1 und 12 liegen."));
    ctx.dm.benoetigeAktivenMandanten();
    if (ctx.dm.gibZeitraum() == -1)
        throw KassolError(QStringLiteral("Der aktive Mandant hat kein aktuelles Wirtschaftsjahr."));
    const auto zeilen = FinanzamtExport::lese(ctx.dm, monat);
    const QString pfad = FinanzamtExport::txtDateiname(QFileInfo(*out).absoluteFilePath());
    int ersetzt = 0;
    FinanzamtExport::schreibe(pfad, FinanzamtExport::dateiinhalt(zeilen, {}, &ersetzt));
    if (ctx.json) {
        ctx.printJson(QJsonObject{{QStringLiteral("datei"), QDir::toNativeSeparators(pfad)},
                                  {QStringLiteral("zeilen"), static_cast<int>(zeilen.size())},
                                  {QStringLiteral("ersetzteZeichen"), ersetzt}});
    } else {
        ctx.out << QDir::toNativeSeparators(pfad) << "\n";
        if (ersetzt > 0)
            ctx.err << FinanzamtExport::ersetztHinweis(ersetzt) << "\n";
    }
    return 0;
}

const CliRegistration exportCommand{
    {QStringLiteral("export"),
     QStringLiteral("kassol-cli export --month MONAT --out DATEI\n"
                    "  Schreibt die Buchungen vom 1. Jänner bis zum Ende des Monats (1 - 12) als Tabulator-getrennte\n"
                    "  Textdatei (Windows-1252, CR LF) für eine Steuerprüfung. Die Endung wird immer \".TXT\";\n"
                    "  ausgegeben wird der tatsächlich geschriebene Pfad. Eine vorhandene Datei wird ersetzt.\n"
                    "  JSON: {\"datei\", \"zeilen\"}\n"),
     QStringLiteral("Exportdatei für das Finanzamt schreiben"), runExport}};

} // namespace
