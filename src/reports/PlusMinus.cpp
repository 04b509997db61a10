#include "reports/PlusMinus.h"

#include "app/Currency.h"
#include "app/Formats.h"
#include "reports/engine/ReportEngine.h"
#include "store/DM_KS.h"

using namespace ReportEngine;

namespace {

const QString Query_PlusMinus_Sql = QStringLiteral(
    "SELECT Sum(iif([isteinnahme]=1,[betrag],[betrag]*-1)) AS Diff_Bruttobetrag, "
    "Sum(iif([isteinnahme]=1,iif([isteu]=1 Or [istdrittland]=1,[betrag],[Betrag]-[St_betrag]),iif([isteu]=1 Or "
    "[istdrittland]=1,[betrag],[Betrag]-[St_betrag])*-1)) AS Diff_Nettobetrag, T_BKreis.BKName, "
    "Sum(iif([Isteinnahme]=1,iif([isteu]=1 Or [istdrittland]=1,[betrag],[Betrag]-[St_betrag]),0)) AS Netto_Ein, "
    "Sum(iif([Isteinnahme]=2,iif([isteu]=1 Or [istdrittland]=1,[betrag],[Betrag]-[St_betrag]),0)) AS Netto_aus, "
    "Sum(iif([isteinnahme]=1,[betrag],0)) AS Brutto_ein, Sum(iif([isteinnahme]=2,[betrag],0)) AS Brutto_aus\n"
    "FROM (T_Zeitraum INNER JOIN (T_BKreis INNER JOIN T_Buchungen ON (T_BKreis.mandant = T_Buchungen.mandant) AND (T_BKreis.id "
    "= T_Buchungen.BK)) ON (T_Zeitraum.mandant = T_Buchungen.mandant) AND (T_Zeitraum.id = T_Buchungen.Wirtschaftsjahr)) INNER "
    "JOIN (T_Kontenplan INNER JOIN t_kontenbewegungen ON T_Kontenplan.Kontonummer = t_kontenbewegungen.Konten_Nr) ON "
    "(T_Buchungen.mandant = t_kontenbewegungen.mandant) AND (T_Buchungen.ID = t_kontenbewegungen.Buchungen_id)\n"
    "WHERE (((T_Zeitraum.id)=:Zeitraum) AND ((T_Buchungen.mandant)=:Mandant) AND ((t_kontenbewegungen.Konten_Nr)<>2021))\n"
    "GROUP BY T_BKreis.BKName COLLATE DE\n"
    "ORDER BY T_BKreis.BKName COLLATE DE;\n");

// The amount columns in page order with their right edges on the detail line and in the summary.
struct Spalte {
    const char* feld;
    const char* summe;
    double rechtsDetail;
    double rechtsSumme;
    bool fett;
};
const Spalte Spalten[] = {{"Brutto_ein", "brutto_ein", 59.8, 59.8, false},
                          {"Brutto_aus", "brutto_aus", 85.5, 85.2, false},
                          {"Diff_Bruttobetrag", "diff_bruttobetrag", 110.6, 110.6, true},
                          {"Netto_Ein", "netto_ein", 137.8, 138.1, false},
                          {"Netto_aus", "netto_aus", 163.5, 163.5, false},
                          {"Diff_Nettobetrag", "diff_nettobetrag", 188.9, 188.9, true}};

FontSpec font(double size, bool bold) {
    FontSpec f;
    f.pointSize = size;
    f.bold = bold;
    return f;
}

} // namespace

namespace TRep_PlusMinus {

PreparedReport erstelle(TDM_EinAus& dm, const T_RepDaten& d) {
    const ReportData data = ReportData::fromQuery(dm.db(), Query_PlusMinus_Sql,
                                                  {{QStringLiteral(":Zeitraum"), d.Zeitraum}, {QStringLiteral(":Mandant"), d.mandant}},
                                                  QStringLiteral("Plus - Minus"));
    Currency summen[std::size(Spalten)] = {};
    ReportDefinition r;

    Band header{BandKind::PageHeader, QStringLiteral("QRBand1"), 24.1};
    header.items = {Item::label(QStringLiteral("Plus - Minus Rechnung"), 2.1, 2.1, font(10, true)),
                    Item::label(QString(), 67.7, 2.1, font(10, true), Align::Left, QStringLiteral("LabelGanzerName")),
                    Item::label(QString(), 67.7, 6.3, font(10, true), Align::Left, QStringLiteral("LabelZeitraum")),
                    Item::label(QStringLiteral("Buchungskreis"), 2.1, 16.9, font(8, false))};
    const char* const ueberschriften[] = {"Bruttoeinnahmen", "Bruttoausgaben", "Brutto +/-", "Nettoeinnahmen", "Nettoausgaben", "Netto +/-"};
    const double rechts[] = {59.8, 85.2, 110.6, 138.1, 163.5, 188.9};
    for (std::size_t i = 0; i < std::size(rechts); ++i)
        header.items.push_back(Item::label(QString::fromUtf8(ueberschriften[i]), rechts[i], 16.9, font(8, false), Align::Right));
    header.beforePrint = Zeitraumwahl::kopfzeile(d);

    Band detail{BandKind::Detail, QStringLiteral("QRBand2"), 8.5};
    detail.items = {Item::line(2.1, 0, 186.5), Item::field(QStringLiteral("BKName"), 2.1, 1.5, {}, font(10, true))};
    for (const Spalte& s : Spalten)
        detail.items.push_back(Item::field(QLatin1String(s.feld), s.rechtsDetail, 1.5, QStringLiteral("#,##0.00"), font(10, s.fett), Align::Right));
    detail.afterPrint = [&summen](BandContext& c) {
        for (std::size_t i = 0; i < std::size(Spalten); ++i)
            summen[i] += Currency::fromUnits(c.value(QLatin1String(Spalten[i].feld)).toLongLong());
    };

    Band summary{BandKind::Summary, QStringLiteral("QRBand3"), 10.6};
    summary.items = {Item::line(2.1, 0, 186.5), Item::label(QStringLiteral("Ergebnis"), 2.1, 1.5, font(10, true)),
                     Item::line(2.1, 8.5, 186.5, 0.5)};
    for (const Spalte& s : Spalten)
        summary.items.push_back(Item::label(QString(), s.rechtsSumme, 1.5, font(10, s.fett), Align::Right, QLatin1String(s.summe)));
    summary.beforePrint = [&summen](BandContext& c) {
        for (std::size_t i = 0; i < std::size(Spalten); ++i) {
            c.item(QLatin1String(Spalten[i].summe)).text = Formats::amount(summen[i]);
            summen[i] = Currency();
        }
    };
    r.bands = {header, detail, summary};
    return prepare(r, data);
}

} // namespace TRep_PlusMinus
