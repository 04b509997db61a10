#include "reports/CircleDetails.h"

#include "reports/engine/ReportEngine.h"
#include "store/DM_KS.h"

using namespace ReportEngine;

namespace {

const QString QueryEinAusDetail_Sql = QStringLiteral(
    "SELECT iif([isteu]=1,[betrag],[betrag]-[st_betrag]) AS netto, T_Buchungen.Betrag AS brutto, T_Buchungen.IstEinnahme, "
    "T_Buchungen.Wirtschaftsjahr, T_Zeitraum.Jahr, T_Buchungen.BK, T_BKreis.BKName, T_Buchungen.Text, "
    "iif([istEinnahme]=1,iif([isteu]=1,[betrag],[betrag]-[st_betrag]),iif([isteu]=1,[betrag]*-1,([betrag]-[st_betrag])*-1)) AS "
    "netto2, iif([istEinnahme]=1,[Betrag],[Betrag]*-1) AS brutto2, iif([istEinnahme]=1,'Einnahmen','Ausgaben') AS "
    "istEinnahme_text, T_Buchungen.Belegnummer, T_Buchungen.Buchungsdatum\n"
    "FROM (T_Zeitraum INNER JOIN (T_BKreis INNER JOIN T_Buchungen ON (T_Buchungen.mandant = T_BKreis.mandant) AND (T_BKreis.id "
    "= T_Buchungen.BK)) ON (T_Zeitraum.mandant = T_Buchungen.mandant) AND (T_Zeitraum.id = T_Buchungen.Wirtschaftsjahr)) INNER "
    "JOIN t_kontenbewegungen ON (T_Buchungen.ID = t_kontenbewegungen.Buchungen_id) AND (T_Buchungen.mandant = "
    "t_kontenbewegungen.mandant)\n"
    "WHERE (((T_Buchungen.Wirtschaftsjahr)=:Zeitraum) AND ((t_kontenbewegungen.Konten_Nr)<>2021) AND "
    "((T_Buchungen.mandant)=:mandant))\n"
    "ORDER BY T_Buchungen.IstEinnahme, T_BKreis.BKName COLLATE DE, T_Buchungen.BK, T_Buchungen.Buchungsdatum, T_Buchungen.ID;");

const QString Export_Sql = QStringLiteral(
    "SELECT T_Buchungen.Belegnummer, T_Buchungen.Buchungsdatum, T_Buchungen.Text, "
    "iif([istEinnahme]=1,iif([isteu]=1,[betrag],[betrag]-[st_betrag]),iif([isteu]=1,[betrag]*-1,([betrag]-[st_betrag])*-1)) AS "
    "Netto, \n"
    "iif([istEinnahme]=1,[Betrag],[Betrag]*-1) AS Brutto, T_BKreis.BKName\n"
    "FROM (T_BKreis INNER JOIN T_Buchungen ON (T_BKreis.mandant = T_Buchungen.mandant) AND (T_BKreis.id = T_Buchungen.BK)) "
    "INNER JOIN t_kontenbewegungen ON \n"
    "(T_Buchungen.ID = t_kontenbewegungen.Buchungen_id) AND (T_Buchungen.mandant = t_kontenbewegungen.mandant)\n"
    "WHERE (((T_Buchungen.Wirtschaftsjahr)=:Zeitraum) AND ((t_kontenbewegungen.Konten_Nr)<>2021) AND "
    "((T_Buchungen.mandant)=:mandant))\n"
    "ORDER BY T_Buchungen.Buchungsdatum, T_BKreis.BKName COLLATE DE;");

const QString KreisName_Sql = QStringLiteral("select * from t_bkreis where id = :bk and mandant = :mandant;");

FontSpec font(bool bold, bool italic = false) {
    FontSpec f;
    f.bold = bold;
    f.italic = italic;
    return f;
}

SqlParams params(const T_RepDaten& d) {
    return {{QStringLiteral(":Zeitraum"), d.Zeitraum}, {QStringLiteral(":mandant"), d.mandant}};
}

} // namespace

namespace {

// Builds the report and hands its definition and rows to the layout the caller chose.
template <class Ausgabe>
auto baue(TDM_EinAus& dm, const T_RepDaten& d, Ausgabe ausgabe) {
    ReportData data = ReportData::fromQuery(dm.db(), QueryEinAusDetail_Sql, params(d), QStringLiteral("Buchungskreis Details"));
    if (d.BK > 0)
        data.setFilter(QStringLiteral("BK = %1").arg(d.BK));
    Database& db = dm.db();
    ReportDefinition r;

    Band header{BandKind::PageHeader, QStringLiteral("PageHeaderBand1"), 17.7};
    header.items = {Item::label(QStringLiteral("Einnahmen - Ausgaben Rechnung"), 0, 2.1, font(true)),
                    Item::label(QString(), 67.7, 2.1, font(true), Align::Left, QStringLiteral("LabelGanzerName")),
                    Item::label(QString(), 67.7, 6.3, font(true), Align::Left, QStringLiteral("LabelZeitraum")),
                    Item::label(QStringLiteral("Beleg-Nr."), 0, 12.4),
                    Item::label(QStringLiteral("Belegdatum"), 16.9, 12.4),
                    Item::label(QStringLiteral("Belegtext"), 40.2, 12.4),
                    Item::label(QStringLiteral("Netto"), 115.1, 12.4),
                    Item::label(QStringLiteral("Brutto"), 161.9, 12.4)};
    header.beforePrint = [&d, &db](BandContext& c) {
        c.item(QStringLiteral("LabelGanzerName")).text = d.Ganzername;
        QString suffix = QStringLiteral(" alle Buchungskreise");
        if (d.BK > 0) {
            QSqlQuery q = db.query(KreisName_Sql, {{QStringLiteral(":bk"), d.BK}, {QStringLiteral(":mandant"), d.mandant}},
                                   QStringLiteral("Buchungskreis lesen"));
            suffix = QStringLiteral(" - ") + (q.next() ? q.value(QStringLiteral("bkname")).toString() : QString());
        }
        c.item(QStringLiteral("LabelZeitraum")).text = QStringLiteral("Jahr %1").arg(d.jahr) + suffix;
    };

    Band art{BandKind::GroupHeader, QStringLiteral("QRGroup1"), 4.8};
    art.groupField = QStringLiteral("IstEinnahme");
    art.items = {Item::line(0, 0, PrintableWidth), Item::field(QStringLiteral("istEinnahme_text"), 0, 0, {}, font(true, true))};

    Band kreis{BandKind::GroupHeader, QStringLiteral("QRGroup2"), 4.8};
    kreis.groupField = QStringLiteral("BK");
    kreis.items = {Item::field(QStringLiteral("BKName"), 0, 0, {}, font(true))};

    Band detail{BandKind::Detail, QStringLiteral("DetailBand1"), 4.8};
    Item text = Item::field(QStringLiteral("Text"), 40.2, 0);
    text.width = 62;
    detail.items = {Item::field(QStringLiteral("Belegnummer"), 0, 0),
                    Item::field(QStringLiteral("Buchungsdatum"), 16.9, 0, QStringLiteral("date")),
                    text,
                    Item::field(QStringLiteral("netto"), 124.1, 0, QStringLiteral("#,##0.00"), {}, Align::Right),
                    Item::field(QStringLiteral("brutto"), 174.1, 0, QStringLiteral("#,##0.00"), {}, Align::Right)};

    Band artSumme{BandKind::GroupFooter, QStringLiteral("QRBand1"), 5.3};
    artSumme.items = {Item::line(0, 0, PrintableWidth),
                      Item::label(QStringLiteral("Summe"), 0, 0, font(true, true)),
                      Item::field(QStringLiteral("istEinnahme_text"), 14.8, 0, {}, font(true, true)),
                      Item::sum(QStringLiteral("netto"), 124.1, 0, font(false, true)),
                      Item::sum(QStringLiteral("brutto"), 173.8, 0, font(false, true))};

    Band kreisSumme{BandKind::GroupFooter, QStringLiteral("QRBand2"), 4.8};
    kreisSumme.background = QColor(192, 192, 192);
    kreisSumme.items = {Item::label(QStringLiteral("Summe"), 0, 0, font(true)),
                        Item::field(QStringLiteral("BKName"), 14.8, 0, {}, font(true)),
                        Item::sum(QStringLiteral("netto"), 123.8, 0, font(true)),
                        Item::sum(QStringLiteral("brutto"), 174.1, 0, font(true))};

    Band summary{BandKind::Summary, QStringLiteral("SummaryBand1"), 7.4};
    summary.items = {Item::line(0, 0, PrintableWidth),
                     Item::label(QStringLiteral("Ergebnis"), 0, 0.5, font(true)),
                     Item::sum(QStringLiteral("netto2"), 124.1, 0.5, font(true)),
                     Item::sum(QStringLiteral("brutto2"), 174.1, 0.5, font(true)),
                     Item::line(0, 7.4, PrintableWidth)};
    r.bands = {header, art, kreis, detail, artSumme, kreisSumme, summary};
    return ausgabe(r, data);
}

} // namespace

namespace TRep_EinAusDetail {

PreparedReport erstelle(TDM_EinAus& dm, const T_RepDaten& d) {
    return baue(dm, d, [](ReportDefinition& r, const ReportData& data) { return prepare(r, data); });
}

int erstelle(TDM_EinAus& dm, const T_RepDaten& d, PageSink& seiten) {
    return baue(dm, d, [&seiten](ReportDefinition& r, const ReportData& data) { return prepare(r, data, seiten); });
}

ReportData exportDaten(TDM_EinAus& dm, const T_RepDaten& d) {
    return ReportData::fromQuery(dm.db(), Export_Sql, params(d), QStringLiteral("Buchungskreis Details exportieren"));
}

} // namespace TRep_EinAusDetail
