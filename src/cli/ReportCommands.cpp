// kassol-cli report: the five evaluations of the active client's current fiscal year, as text or PDF.
#include "cli/CliCommand.h"
#include "reports/CircleDetails.h"
#include "reports/CircleEvaluation.h"
#include "reports/CsvExport.h"
#include "reports/Journal.h"
#include "reports/PlusMinus.h"
#include "reports/ReportContext.h"
#include "reports/VatReconciliation.h"
#include "reports/engine/PdfRenderer.h"
#include "reports/engine/TextRenderer.h"
#include "store/DM_KS.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace {

int ausgeben(CliContext& ctx, const ReportEngine::PreparedReport& report, const std::optional<QString>& pdf) {
    if (pdf) {
        const QString path = QFileInfo(*pdf).absoluteFilePath();
        ReportEngine::writePdf(report, path);
        if (ctx.json)
            ctx.printJson(QJsonObject{{QStringLiteral("datei"), QDir::toNativeSeparators(path)},
                                      {QStringLiteral("seiten"), static_cast<int>(report.pages.size())}});
        else
            ctx.out << QDir::toNativeSeparators(path) << "\n";
        return 0;
    }
    ctx.out << ReportEngine::renderText(report);
    return 0;
}

// A long report as PDF: written page by page while it is laid out, never held whole.
template <class Erstelle>
int ausgebenSeitenweise(CliContext& ctx, const std::optional<QString>& pdf, Erstelle erstelle) {
    const QString path = QFileInfo(*pdf).absoluteFilePath();
    ReportEngine::PdfSeiten datei(path);
    const int seiten = erstelle(datei);
    datei.abschliessen();
    if (ctx.json)
        ctx.printJson(QJsonObject{{QStringLiteral("datei"), QDir::toNativeSeparators(path)}, {QStringLiteral("seiten"), seiten}});
    else
        ctx.out << QDir::toNativeSeparators(path) << "\n";
    return 0;
}

// The chosen circle must be one of the active client's.
int kreis(CliContext& ctx, const CliArgs& a, int mandant) {
    const auto v = a.value(QStringLiteral("--circle"));
    if (!v)
        return 0;
    const int id = CliValues::integer(*v, QStringLiteral("Der Buchungskreis"));
    if (!ctx.dm.db().scalar(QStringLiteral("SELECT 1 FROM T_BKreis WHERE id = :id AND mandant = :mandant"),
                            {{QStringLiteral(":id"), id}, {QStringLiteral(":mandant"), mandant}}))
        throw KassolError(QStringLiteral("Der aktive Mandant hat keinen Buchungskreis mit der Nummer %1.").arg(id));
    return id;
}

int runReport(CliContext& ctx, const QStringList& args) {
    const CliArgs a(args, {QStringLiteral("--period"), QStringLiteral("--circle"), QStringLiteral("--pdf"), QStringLiteral("--export-csv")}, {});
    a.expectAtMost(1);
    const QString which = a.word(0, QStringLiteral("die Auswertung (vat, journal, circles, details, plusminus)"));
    const auto pdf = a.value(QStringLiteral("--pdf"));
    const auto csv = a.value(QStringLiteral("--export-csv"));
    const auto periode = [&] {
        const auto p = a.value(QStringLiteral("--period"));
        return p ? CliValues::integer(*p, QStringLiteral("Der Zeitraum")) : Zeitraumwahl::GanzesJahr;
    };
    for (const char* option : {"--pdf", "--export-csv"}) {
        const auto v = a.value(QLatin1String(option));
        // An unset variable in a script gives an empty value; it names no file.
        if (v && (v->trimmed().isEmpty() || v->endsWith(QLatin1Char('/')) || v->endsWith(QLatin1Char('\\')) || QFileInfo(*v).isDir()))
            throw CliUsageError(QStringLiteral("Die Option %1 braucht einen Dateinamen; \u201E%2\u201C ist keiner.").arg(QLatin1String(option), *v));
    }
    const auto refuse = [&](const char* option) {
        if (a.has(QLatin1String(option)))
            throw CliUsageError(QStringLiteral("Die Option %1 gilt nicht für \u201Ereport %2\u201C.").arg(QLatin1String(option), which));
    };

    if (which == QStringLiteral("vat")) {
        refuse("--circle");
        refuse("--export-csv");
        const T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(ctx.dm, periode());
        const auto report = TRep_Verprobung::erstelle(ctx.dm, d);
        if (!report) {
            ctx.err << TRep_Verprobung::keineEinnahmen() << "\n";
            return 1;
        }
        return ausgeben(ctx, *report, pdf);
    }
    if (which == QStringLiteral("journal")) {
        refuse("--circle");
        const T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(ctx.dm, periode());
        if (csv) {
            CsvExport::schreibe(TRep_Journal::exportDaten(ctx.dm, d), {QStringLiteral("Betrag"), QStringLiteral("VST"), QStringLiteral("UST")},
                                {QStringLiteral("Datum")}, QFileInfo(*csv).absoluteFilePath());
            if (!pdf) {
                ctx.out << QDir::toNativeSeparators(QFileInfo(*csv).absoluteFilePath()) << "\n";
                return 0;
            }
        }
        if (pdf)
            return ausgebenSeitenweise(ctx, pdf,
                                       [&](ReportEngine::PageSink& seiten) { return TRep_Journal::erstelle(ctx.dm, d, seiten); });
        return ausgeben(ctx, TRep_Journal::erstelle(ctx.dm, d), pdf);
    }
    if (which == QStringLiteral("circles") || which == QStringLiteral("details") || which == QStringLiteral("plusminus")) {
        refuse("--period");
        T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(ctx.dm);
        if (which == QStringLiteral("plusminus")) {
            refuse("--circle");
            refuse("--export-csv");
            return ausgeben(ctx, TRep_PlusMinus::erstelle(ctx.dm, d), pdf);
        }
        d.BK = kreis(ctx, a, d.mandant);
        if (which == QStringLiteral("circles")) {
            refuse("--export-csv");
            return ausgeben(ctx, TRep_EinAus::erstelle(ctx.dm, d), pdf);
        }
        if (csv) {
            CsvExport::schreibe(TRep_EinAusDetail::exportDaten(ctx.dm, d), {QStringLiteral("Netto"), QStringLiteral("Brutto")},
                                {QStringLiteral("Buchungsdatum")}, QFileInfo(*csv).absoluteFilePath());
            if (!pdf) {
                ctx.out << QDir::toNativeSeparators(QFileInfo(*csv).absoluteFilePath()) << "\n";
                return 0;
            }
        }
        if (pdf)
            return ausgebenSeitenweise(ctx, pdf,
                                       [&](ReportEngine::PageSink& seiten) { return TRep_EinAusDetail::erstelle(ctx.dm, d, seiten); });
        return ausgeben(ctx, TRep_EinAusDetail::erstelle(ctx.dm, d), pdf);
    }
    throw CliUsageError(QStringLiteral("Unbekannte Auswertung \u201E%1\u201C.").arg(which));
}

const CliRegistration report{
    {QStringLiteral("report"),
     QStringLiteral("kassol-cli report vat --period CODE [--pdf DATEI]\n"
                    "kassol-cli report journal --period CODE [--pdf DATEI] [--export-csv DATEI]\n"
                    "kassol-cli report circles [--circle ID] [--pdf DATEI]\n"
                    "kassol-cli report details [--circle ID] [--pdf DATEI] [--export-csv DATEI]\n"
                    "kassol-cli report plusminus [--pdf DATEI]\n"
                    "  CODE: 1 - 12 Monat, 13 - 16 Quartal, 17 ganzes Jahr (Vorgabe). Ohne --pdf wird der Bericht\n"
                    "  als Text ausgegeben: je Zeile die Einträge gleicher Höhe, durch TAB getrennt; Seiten durch\n"
                    "  Seitenvorschub. --export-csv schreibt die Daten als CSV (Semikolon, UTF-8).\n"),
     QStringLiteral("Auswertungen als Text oder PDF"), runReport}};

} // namespace
