#include "reports/CircleEvaluation.h"

#include "app/Currency.h"
#include "app/Formats.h"
#include "reports/engine/ReportEngine.h"
#include "store/DM_KS.h"

using namespace ReportEngine;

namespace {

const QString QueryEinAus_Sql = QStringLiteral(
    "SELECT Sum(iif([isteu]=1,[betrag],[betrag]-[st_betrag])) AS netto, Sum(T_Buchungen.Betrag) AS brutto, "
    "T_Buchungen.IstEinnahme, T_Buchungen.Wirtschaftsjahr, T_Zeitraum.Jahr, T_Buchungen.BK, T_BKreis.BKName\n"
    "FROM (T_Zeitraum INNER JOIN (T_BKreis INNER JOIN T_Buchungen ON (T_BKreis.mandant = T_Buchungen.mandant) AND (T_BKreis.id "
    "= T_Buchungen.BK)) ON (T_Zeitraum.mandant = T_Buchungen.mandant) AND (T_Zeitraum.id = T_Buchungen.Wirtschaftsjahr)) INNER "
    "JOIN t_kontenbewegungen ON (T_Buchungen.ID = t_kontenbewegungen.Buchungen_id) AND (T_Buchungen.mandant = "
    "t_kontenbewegungen.mandant)\n"
    "WHERE (((t_kontenbewegungen.Konten_Nr)<>2021) AND ((T_Buchungen.mandant)=:mandant))\n"
    "GROUP BY T_Buchungen.IstEinnahme, T_Buchungen.Wirtschaftsjahr, T_Zeitraum.Jahr, T_Buchungen.BK, T_BKreis.BKName\n"
    "HAVING (((T_Buchungen.Wirtschaftsjahr)=:Zeitraum))\n"
    "ORDER BY T_Buchungen.IstEinnahme, T_BKreis.BKName COLLATE DE;");

FontSpec font(double size, bool bold, bool italic = false) {
    FontSpec f;
    f.pointSize = size;
    f.bold = bold;
    f.italic = italic;
    return f;
}

// The running values of one run.
struct Werte {
    Currency gruppeNetto, gruppeBrutto, einNetto, einBrutto, ausNetto, ausBrutto;
    bool ausgaben = false;
};

} // namespace

namespace TRep_EinAus {

PreparedReport erstelle(TDM_EinAus& dm, const T_RepDaten& d) {
    ReportData data = ReportData::fromQuery(dm.db(), QueryEinAus_Sql,
                                            {{QStringLiteral(":mandant"), d.mandant}, {QStringLiteral(":Zeitraum"), d.Zeitraum}},
                                            QStringLiteral("Buchungskreis-Auswertung"));
    if (d.BK > 0)
        data.setFilter(QStringLiteral("BK = %1").arg(d.BK));
    Werte w;
    ReportDefinition r;

    Band header{BandKind::PageHeader, QStringLiteral("PageHeaderBand1"), 17.7};
    header.items = {Item::label(QStringLiteral("Einnahmen - Ausgaben Rechnung"), 4.2, 2.1, font(10, true)),
                    Item::label(QString(), 67.7, 2.1, font(10, true), Align::Left, QStringLiteral("LabelGanzerName")),
                    Item::label(QString(), 67.7, 6.3, font(10, true), Align::Left, QStringLiteral("LabelZeitraum")),
                    Item::label(QStringLiteral("Netto"), 80.4, 12.7),
                    Item::label(QStringLiteral("Brutto"), 122.8, 12.7),
                    Item::line(0, 17.7, PrintableWidth)};
    header.beforePrint = Zeitraumwahl::kopfzeile(d);

    Band group{BandKind::GroupHeader, QStringLiteral("QRGroup1"), 5.0};
    group.groupField = QStringLiteral("IstEinnahme");
    group.items = {Item::line(0, 0, PrintableWidth), Item::label(QString(), 0, 0, font(12, true), Align::Left, QStringLiteral("QRLabel2"))};
    group.beforePrint = [&w](BandContext& c) {
        if (c.value(QStringLiteral("IstEinnahme")).toInt() == 1) {
            c.item(QStringLiteral("QRLabel2")).text = QStringLiteral("Einnahmen");
        } else {
            c.item(QStringLiteral("QRLabel2")).text = QStringLiteral("Ausgaben");
            w.ausgaben = true;
        }
    };

    Band detail{BandKind::Detail, QStringLiteral("DetailBand1"), 6.3};
    detail.items = {Item::field(QStringLiteral("BKName"), 4.2, 0, {}, font(12, false)),
                    Item::field(QStringLiteral("netto"), 89.7, 0, QStringLiteral("#,##0.00"), font(12, false), Align::Right),
                    Item::field(QStringLiteral("brutto"), 133.6, 0, QStringLiteral("#,##0.00"), font(12, false), Align::Right)};
    detail.beforePrint = [&w](BandContext& c) {
        w.gruppeNetto += Currency::fromUnits(c.value(QStringLiteral("netto")).toLongLong());
        w.gruppeBrutto += Currency::fromUnits(c.value(QStringLiteral("brutto")).toLongLong());
    };

    Band footer{BandKind::GroupFooter, QStringLiteral("QRBand1"), 8.5};
    footer.items = {Item::line(0, 0, PrintableWidth),
                    Item::label(QString(), 0, 0, font(12, true, true), Align::Left, QStringLiteral("LabelZWSumme")),
                    Item::label(QString(), 89.7, 0, font(12, true, true), Align::Right, QStringLiteral("labelSummeBetrag")),
                    Item::label(QString(), 134.1, 0, font(12, true, true), Align::Right, QStringLiteral("labelSummeBrutto"))};
    footer.beforePrint = [&w](BandContext& c) {
        Currency netto, brutto;
        if (w.ausgaben) {
            c.item(QStringLiteral("LabelZWSumme")).text = QStringLiteral("Summe Ausgaben");
            w.ausNetto = netto = w.gruppeNetto;
            w.ausBrutto = brutto = w.gruppeBrutto;
        } else {
            c.item(QStringLiteral("LabelZWSumme")).text = QStringLiteral("Summe Einnahmen");
            w.einNetto = netto = w.gruppeNetto;
            w.einBrutto = brutto = w.gruppeBrutto;
            w.ausgaben = true;
        }
        w.gruppeNetto = w.gruppeBrutto = Currency();
        c.item(QStringLiteral("labelSummeBetrag")).text = Formats::amount(netto);
        c.item(QStringLiteral("labelSummeBrutto")).text = Formats::amount(brutto);
    };

    Band summary{BandKind::Summary, QStringLiteral("SummaryBand1"), 9.3};
    summary.items = {Item::line(0, 0, PrintableWidth), Item::label(QStringLiteral("Ergebnis"), 0, 0, font(12, true)),
                     Item::label(QString(), 90.0, 0, font(12, true), Align::Right, QStringLiteral("LabelEinAus")),
                     Item::label(QString(), 134.4, 0, font(12, true), Align::Right, QStringLiteral("LabelEinAusBrutto"))};
    summary.beforePrint = [&w](BandContext& c) {
        c.item(QStringLiteral("LabelEinAus")).text = Formats::amount(w.einNetto - w.ausNetto);
        c.item(QStringLiteral("LabelEinAusBrutto")).text = Formats::amount(w.einBrutto - w.ausBrutto);
        w = Werte();
    };
    r.bands = {header, group, detail, footer, summary};
    return prepare(r, data);
}

} // namespace TRep_EinAus
