#include "reports/VatReconciliation.h"

#include "app/Currency.h"
#include "app/Formats.h"
#include "reports/engine/ReportEngine.h"
#include "app/KassolError.h"
#include "store/DM_KS.h"
#include "store/RowReader.h"

#include <map>

using namespace ReportEngine;

namespace {

// One pass over the period's movements, summed per account, gives every figure of the report:
// the lines per rate (accounts below 2000 but 1021, by the chart's rate), the output and input tax
// of intra-community acquisitions (1021), the domestic output tax, the input tax (2000 to 2999 but
// 2021), the import VAT (3000) and the vehicle and building shares of the movements, whatever their
// account. The sums are those of the separate statements, each of which would read the same rows.
const QString Verprobung_Sql = QStringLiteral(
    "SELECT t_kontenbewegungen.Konten_Nr, T_Kontenplan.Steuersatz, T_Kontenplan.Kontonummer IS NOT NULL AS imKontenplan, "
    "Sum(t_kontenbewegungen.St_Betrag) AS St_Betrag, Sum(T_Buchungen.Betrag) AS Betrag, "
    "Sum(iif(T_Buchungen.IstKFZ=1,t_kontenbewegungen.St_Betrag,0)) AS KFZ, "
    "Sum(iif(T_Buchungen.IstGebaeude=1,t_kontenbewegungen.St_Betrag,0)) AS Gebaeude\n"
    "FROM T_Buchungen INNER JOIN t_kontenbewegungen ON (T_Buchungen.mandant = t_kontenbewegungen.mandant) AND "
    "(T_Buchungen.ID = t_kontenbewegungen.Buchungen_id) LEFT JOIN T_Kontenplan ON T_Kontenplan.Kontonummer = "
    "t_kontenbewegungen.Konten_Nr\n"
    "WHERE (((T_Buchungen.Wirtschaftsjahr)= :zeitraum) AND ((T_Buchungen.Buchungsdatum) Between :von And :bis) AND "
    "((T_Buchungen.mandant)=:mandant))\n"
    "GROUP BY t_kontenbewegungen.Konten_Nr;");

const QString ZeitraumDesMandanten_Sql = QStringLiteral("SELECT 1 FROM T_Zeitraum WHERE id = :zeitraum AND mandant = :mandant");

struct Konto {
    int nummer = 0;
    int steuersatz = 0;
    bool imKontenplan = false;
    Currency st, betrag, kfz, gebaeude;
};

FontSpec bold() {
    FontSpec f;
    f.bold = true;
    return f;
}

Item amount(double rightEdge, double top, const QString& name, FontSpec font = {}) {
    return Item::label(QString(), rightEdge, top, font, Align::Right, name);
}

} // namespace

namespace TRep_Verprobung {

QString keineEinnahmen() { return QStringLiteral("Es gibt für diesen Zeitraum (noch) keine Einnahmen!"); }

std::optional<PreparedReport> erstelle(TDM_EinAus& dm, const T_RepDaten& d) {
    Database& db = dm.db();
    const SqlParams params{{QStringLiteral(":zeitraum"), d.Zeitraum},
                           {QStringLiteral(":von"), d.von.toString(Qt::ISODate)},
                           {QStringLiteral(":bis"), d.bis.toString(Qt::ISODate)},
                           {QStringLiteral(":mandant"), d.mandant}};
    // Without its fiscal-year row the period holds nothing, as the join with the years says.
    if (!db.scalar(ZeitraumDesMandanten_Sql, {{QStringLiteral(":zeitraum"), d.Zeitraum}, {QStringLiteral(":mandant"), d.mandant}}))
        return std::nullopt;
    std::vector<Konto> konten;
    {
        RowReader q(db, Verprobung_Sql, params, QStringLiteral("Umsatzsteuerverprobung"));
        while (q.next())
            konten.push_back({static_cast<int>(q.integer(0)), static_cast<int>(q.integer(1)), q.integer(2) != 0,
                              Currency::fromUnits(q.integer(3)), Currency::fromUnits(q.integer(4)),
                              Currency::fromUnits(q.integer(5)), Currency::fromUnits(q.integer(6))});
    }
    // The detail lines: domestic output tax per rate, the rates ascending.
    std::map<int, std::pair<Currency, Currency>> proSatz;
    Currency A, B, ustInland, betragInland, E, F, G, H;
    for (const Konto& k : konten) {
        F += k.kfz;
        G += k.gebaeude;
        if (!k.imKontenplan)
            continue;
        if (k.nummer < 2000 && k.nummer != 1021) {
            auto& [st, betrag] = proSatz[k.steuersatz];
            st += k.st;
            betrag += k.betrag;
            ustInland += k.st;
            betragInland += k.betrag;
        } else if (k.nummer == 1021) {
            A += k.st;
            B += k.betrag;
        } else if (k.nummer >= 2000 && k.nummer <= 2999 && k.nummer != 2021) {
            E += k.st;
        } else if (k.nummer == 3000) {
            H += k.st;
        }
    }
    if (proSatz.empty())
        return std::nullopt;
    std::vector<QList<QVariant>> zeilen;
    for (const auto& [satz, summen] : proSatz)
        zeilen.push_back({satz, QVariant::fromValue<qlonglong>(summen.first.units()), QVariant::fromValue<qlonglong>(summen.second.units())});
    const ReportData data({QStringLiteral("Steuersatz"), QStringLiteral("St_Betrag"), QStringLiteral("Betrag")}, std::move(zeilen));

    ReportDefinition r;
    Band title{BandKind::Title, QStringLiteral("SeitenTitel"), 19.8};
    title.items = {Item::label(QStringLiteral("Umsatzsteuerverprobung"), 0, 0, bold()),
                   Item::label(QString(), 52.9, 0, bold(), Align::Left, QStringLiteral("LabelGanzerName")),
                   Item::label(QString(), 52.9, 4.2, bold(), Align::Left, QStringLiteral("LabelZeitraum")),
                   Item::label(QStringLiteral("Bemessungsgrundlage (netto)"), 86.8, 14.8),
                   Item::label(QStringLiteral("Umsatzsteuer"), 150.3, 14.8)};
    title.beforePrint = Zeitraumwahl::kopfzeile(d);

    Band detail{BandKind::Detail, QStringLiteral("QRBandDetail"), 6.3};
    detail.items = {Item::label(QString(), 4.2, 0, {}, Align::Left, QStringLiteral("LabelText")), amount(121.2, 0, QStringLiteral("LabelNetto")),
                    amount(172.2, 0, QStringLiteral("LabelUst")), Item::line(0, 6.3, PrintableWidth)};
    detail.beforePrint = [](BandContext& c) {
        const Currency st = Currency::fromUnits(c.value(QStringLiteral("St_Betrag")).toLongLong());
        const Currency betrag = Currency::fromUnits(c.value(QStringLiteral("Betrag")).toLongLong());
        c.item(QStringLiteral("LabelNetto")).text = Formats::amount(betrag - st);
        c.item(QStringLiteral("LabelText")).text = QStringLiteral("Erlöse %1%").arg(c.value(QStringLiteral("Steuersatz")).toInt());
        c.item(QStringLiteral("LabelUst")).text = Formats::amount(st);
    };

    Band fuss{BandKind::Summary, QStringLiteral("Fuss"), 55};
    fuss.items = {Item::label(QStringLiteral("Umsatzsteuer aus innergem. Erwerb 20%"), 4.2, 2.1),
                  amount(121.2, 2.1, QStringLiteral("LabelBemUstInner")),
                  amount(172.0, 2.1, QStringLiteral("LabelUstInner")),
                  Item::line(0, 7.1, PrintableWidth),
                  Item::label(QStringLiteral("Gesamtsumme"), 0, 10.6),
                  amount(121.2, 10.6, QStringLiteral("LabelBemSumme"), bold()),
                  amount(172.0, 10.6, QStringLiteral("LabelUSTSumme"), bold()),
                  Item::line(0, 15.6, PrintableWidth, 0.4),
                  Item::label(QStringLiteral("Vorsteuer"), 4.2, 17.7),
                  amount(172.0, 17.7, QStringLiteral("LabelVST")),
                  Item::label(QStringLiteral("Davon Vorsteuer KFZ (KZ 027)"), 8.7, 22.2),
                  amount(172.0, 23.8, QStringLiteral("LabelKFZ")),
                  Item::label(QStringLiteral("Davon Vorsteuer Gebäude (KZ 028)"), 8.7, 28.3),
                  amount(172.0, 28.3, QStringLiteral("LabelGebaeude")),
                  Item::label(QStringLiteral("Einfuhrumsatzsteuer"), 4.2, 33.3),
                  amount(172.0, 33.3, QStringLiteral("LabelEinfuhr")),
                  Item::label(QStringLiteral("Vorsteuer aus innergem. Erwerb 20%"), 4.2, 39.4),
                  amount(172.0, 39.4, QStringLiteral("LabelVSTInner")),
                  Item::line(0, 43.4, PrintableWidth),
                  Item::line(0, 43.9, PrintableWidth),
                  Item::label(QString(), 0, 47.4, bold(), Align::Left, QStringLiteral("LabelZahllastGutschrift")),
                  amount(172.0, 47.4, QStringLiteral("LabelFinanzamt"), bold()),
                  Item::line(0, 52.4, PrintableWidth)};
    fuss.beforePrint = [=](BandContext& c) {
        // Exact fixed-point sums in place of floating point: the figures are the same to the cent.
        const Currency C = A + ustInland;
        const Currency D = ((B + betragInland) - C) + A;
        Currency Z = ((C - E) - H) - A;
        c.item(QStringLiteral("LabelZahllastGutschrift")).text = Z > Currency() ? QStringLiteral("Zahllast") : QStringLiteral("Gutschrift");
        if (Z < Currency())
            Z = -Z;
        const std::pair<const char*, Currency> labels[] = {{"LabelBemUstInner", B}, {"LabelUstInner", A}, {"LabelBemSumme", D},
                                                           {"LabelUSTSumme", C},    {"LabelVST", E},      {"LabelKFZ", F},
                                                           {"LabelGebaeude", G},    {"LabelEinfuhr", H},  {"LabelVSTInner", A},
                                                           {"LabelFinanzamt", Z}};
        for (const auto& [name, value] : labels)
            c.item(QLatin1String(name)).text = Formats::amount(value);
    };
    r.bands = {title, detail, fuss};
    return prepare(r, data);
}

} // namespace TRep_Verprobung
