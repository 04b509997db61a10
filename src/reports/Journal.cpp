#include "reports/Journal.h"

#include "reports/engine/ReportEngine.h"
#include "store/DM_KS.h"

using namespace ReportEngine;

namespace {

const QString QueryJournal_Sql = QStringLiteral(
    "SELECT T_Buchungen.ID, T_Buchungen.Wirtschaftsjahr, T_Buchungen.Buchungsdatum, T_Buchungen.Belegnummer, "
    "T_Buchungen.Steuersatz, T_Buchungen.Betrag, T_Buchungen.Text, T_Buchungen.BK, T_Buchungen.IstEU, T_Buchungen.IstDrittland, "
    "T_Buchungen.IstEinnahme, t_kontenbewegungen.Konten_Nr, iif([IstDrittland]=2,[betrag],0) AS BetragJournal, "
    "iif([isteinnahme]=2,[St_betrag],Null) AS VST, iif([isteu]=2,iif([isteinnahme]=1,[St_betrag],Null),[St_betrag]) AS UST, "
    "T_Kontenplan.Kontoname, iif([isteinnahme]=2,[betrag]*-1,[betrag]) AS Betrag2\n"
    "FROM T_Buchungen INNER JOIN (t_kontenbewegungen INNER JOIN T_Kontenplan ON t_kontenbewegungen.Konten_Nr = "
    "T_Kontenplan.Kontonummer) ON (T_Buchungen.mandant = t_kontenbewegungen.mandant) AND (T_Buchungen.ID = "
    "t_kontenbewegungen.Buchungen_id)\n"
    "WHERE (((T_Buchungen.Wirtschaftsjahr)=  :zeitraum) AND ((T_Buchungen.Buchungsdatum) Between  :von And :bis) AND "
    "((T_Buchungen.mandant)= :mandant))\n"
    "ORDER BY T_Buchungen.Buchungsdatum, T_Buchungen.ID;");

const QString Export_Sql = QStringLiteral(
    "SELECT T_Buchungen.Buchungsdatum AS Datum, T_Buchungen.Belegnummer, T_Buchungen.Text, T_Buchungen.Steuersatz, "
    "iif([isteinnahme]=2,[betrag]*-1,[betrag]) AS Betrag, \n"
    "iif([isteinnahme]=2,[St_betrag],Null) AS VST, iif([isteu]=2,iif([isteinnahme]=1,[St_betrag],Null),[St_betrag]) AS UST, "
    "T_BKreis.BKName AS Buchungskreis \n"
    "FROM (T_Buchungen INNER JOIN (t_kontenbewegungen INNER JOIN T_Kontenplan ON t_kontenbewegungen.Konten_Nr = "
    "T_Kontenplan.Kontonummer) ON (T_Buchungen.ID = t_kontenbewegungen.Buchungen_id) \n"
    "AND (T_Buchungen.mandant = t_kontenbewegungen.mandant)) INNER JOIN T_BKreis ON (T_Buchungen.mandant = T_BKreis.mandant) "
    "AND (T_Buchungen.BK = T_BKreis.id)\n"
    "WHERE (((T_Buchungen.Wirtschaftsjahr)=  :zeitraum) AND ((T_Buchungen.Buchungsdatum) Between  :von And :bis) AND "
    "((T_Buchungen.mandant)= :mandant))\n"
    "ORDER BY T_Buchungen.Buchungsdatum, T_Buchungen.ID;");

SqlParams params(const T_RepDaten& d) {
    return {{QStringLiteral(":zeitraum"), d.Zeitraum},
            {QStringLiteral(":von"), d.von.toString(Qt::ISODate)},
            {QStringLiteral(":bis"), d.bis.toString(Qt::ISODate)},
            {QStringLiteral(":mandant"), d.mandant}};
}

FontSpec bold() {
    FontSpec f;
    f.bold = true;
    return f;
}

} // namespace

namespace {

// Builds the report and hands its definition and rows to the layout the caller chose.
template <class Ausgabe>
auto baue(TDM_EinAus& dm, const T_RepDaten& d, Ausgabe ausgabe) {
    const ReportData data = ReportData::fromQuery(dm.db(), QueryJournal_Sql, params(d), QStringLiteral("Journal"));
    ReportDefinition r;
    r.title = QStringLiteral("Buchungsjournal");
    bool skip = false;
    r.onStart = [&skip] { skip = false; };

    Band header{BandKind::PageHeader, QStringLiteral("PageHeaderBand1"), 22.0};
    Item page;
    page.kind = ItemKind::PageNumber;
    page.x = 180.2;
    page.top = 2.1;
    page.align = Align::Right;
    header.items = {Item::label(QStringLiteral("Buchungsjournal"), 4.2, 2.1, bold()),
                    Item::label(QString(), 48.7, 2.1, bold(), Align::Left, QStringLiteral("LabelGanzerName")),
                    Item::label(QString(), 48.7, 6.3, bold(), Align::Left, QStringLiteral("LabelZeitraum")),
                    Item::label(QStringLiteral("Seite"), 165.1, 2.1),
                    page,
                    Item::label(QStringLiteral("Datum"), 6.3, 14.8),
                    Item::label(QStringLiteral("Belegnummer"), 21.2, 14.8),
                    Item::label(QStringLiteral("Buchungstext"), 46.6, 14.8),
                    Item::label(QStringLiteral("Betrag"), 99.5, 14.8),
                    Item::label(QStringLiteral("Steuersatz"), 118.5, 14.8),
                    Item::label(QStringLiteral("VST"), 152.4, 14.8),
                    Item::label(QStringLiteral("UST"), 177.8, 14.8),
                    Item::line(0, 22.0, PrintableWidth)};
    header.beforePrint = Zeitraumwahl::kopfzeile(d);

    Band detail{BandKind::Detail, QStringLiteral("DetailBand1"), 5.0};
    // The text column is 51 mm wide; a longer text ends in an ellipsis instead of running into the amount.
    Item text = Item::field(QStringLiteral("Text"), 46.6, 0);
    text.width = 51;
    detail.items = {Item::field(QStringLiteral("Buchungsdatum"), 6.3, 0, QStringLiteral("date")),
                    Item::field(QStringLiteral("Belegnummer"), 42.6, 0, {}, {}, Align::Right),
                    text,
                    Item::field(QStringLiteral("Betrag2"), 109.8, 0, QStringLiteral("#,##0.00"), {}, Align::Right, QStringLiteral("labelBetragJournal")),
                    Item::field(QStringLiteral("Steuersatz"), 135.5, 0, {}, {}, Align::Right, QStringLiteral("LabelSteuersatz")),
                    Item::field(QStringLiteral("VST"), 159.5, 0, QStringLiteral("#,##0.00;;''"), {}, Align::Right, QStringLiteral("LabelVST")),
                    Item::field(QStringLiteral("UST"), 184.7, 0, QStringLiteral("#,##0.00;;''"), {}, Align::Right, QStringLiteral("LabelUST"))};
    detail.beforePrint = [&skip](BandContext& c) {
        if (skip) {
            skip = false;
            c.suppress();
            return;
        }
        if (c.value(QStringLiteral("IstEU")).toInt() == 1)
            skip = true;
        const bool dritt = c.value(QStringLiteral("IstDrittland")).toInt() == 1;
        for (const char* name : {"LabelSteuersatz", "LabelUST", "labelBetragJournal"})
            c.item(QLatin1String(name)).enabled = !dritt;
        c.item(QStringLiteral("LabelVST")).enabled = !c.value(QStringLiteral("VST")).isNull();
        c.item(QStringLiteral("LabelUST")).enabled = !c.value(QStringLiteral("UST")).isNull();
    };
    r.bands = {header, detail};
    return ausgabe(r, data);
}

} // namespace

namespace TRep_Journal {

PreparedReport erstelle(TDM_EinAus& dm, const T_RepDaten& d) {
    return baue(dm, d, [](ReportDefinition& r, const ReportData& data) { return prepare(r, data); });
}

int erstelle(TDM_EinAus& dm, const T_RepDaten& d, PageSink& seiten) {
    return baue(dm, d, [&seiten](ReportDefinition& r, const ReportData& data) { return prepare(r, data, seiten); });
}

ReportData exportDaten(TDM_EinAus& dm, const T_RepDaten& d) {
    return ReportData::fromQuery(dm.db(), Export_Sql, params(d), QStringLiteral("Journal exportieren"));
}

} // namespace TRep_Journal
