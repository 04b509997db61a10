#include "reports/VatReconciliation.h"

#include "app/Currency.h"
#include "app/Formats.h"
#include "reports/engine/ReportEngine.h"
#include "app/KassolError.h"
#include "store/DM_KS.h"

#include <QSqlRecord>

using namespace ReportEngine;

namespace {

const QString Query_Verprobung_Sql = QStringLiteral(
    "SELECT T_Kontenplan.Steuersatz, Sum(t_kontenbewegungen.St_Betrag) AS St_Betrag, Sum(T_Buchungen.Betrag) AS Betrag\n"
    "FROM (T_Zeitraum INNER JOIN T_Buchungen ON (T_Zeitraum.mandant = T_Buchungen.mandant) AND (T_Zeitraum.id = "
    "T_Buchungen.Wirtschaftsjahr)) INNER JOIN (T_Kontenplan INNER JOIN t_kontenbewegungen ON T_Kontenplan.Kontonummer = "
    "t_kontenbewegungen.Konten_Nr) ON (T_Buchungen.mandant = t_kontenbewegungen.mandant) AND (T_Buchungen.ID = "
    "t_kontenbewegungen.Buchungen_id)\n"
    "WHERE (((T_Kontenplan.Kontonummer)<2000 And (T_Kontenplan.Kontonummer)<>1021) AND ((T_Zeitraum.id)= :Zeitraum ) AND "
    "((T_Buchungen.Buchungsdatum) Between :von And :bis ) AND ((T_Buchungen.mandant)=:Mandant))\n"
    "GROUP BY T_Kontenplan.Steuersatz\n"
    "ORDER BY T_Kontenplan.Steuersatz;");

const QString J = QStringLiteral(
    "FROM (T_Zeitraum INNER JOIN T_Buchungen ON (T_Zeitraum.mandant = T_Buchungen.mandant) AND (T_Zeitraum.id = "
    "T_Buchungen.Wirtschaftsjahr)) INNER JOIN (T_Kontenplan INNER JOIN t_kontenbewegungen ON ");
const QString K = QStringLiteral(
    "T_Kontenplan.Kontonummer = t_kontenbewegungen.Konten_Nr) ON (T_Buchungen.mandant = t_kontenbewegungen.mandant) AND "
    "(T_Buchungen.ID = t_kontenbewegungen.Buchungen_id)");

const QString Q1 = QStringLiteral(
    "SELECT Sum(t_kontenbewegungen.St_Betrag) + 0 AS St_Betrag, Sum(T_Buchungen.Betrag) + 0 AS Betrag\n"
    "FROM (T_Zeitraum INNER JOIN T_Buchungen ON (T_Zeitraum.mandant = T_Buchungen.mandant) AND\n"
    "T_Zeitraum.id = T_Buchungen.Wirtschaftsjahr) INNER JOIN (T_Kontenplan INNER JOIN t_kontenbewegungen ON \n") + K +
    QStringLiteral("\nWHERE (((T_Kontenplan.Kontonummer)=1021) AND ((T_Buchungen.Buchungsdatum) Between :von And :bis) AND "
                   "((T_Zeitraum.id)= :zeitraum) AND ((T_Buchungen.mandant)=:mandant));");
const QString Q2 = QStringLiteral("SELECT Sum(t_kontenbewegungen.St_Betrag) AS St_Betrag, Sum(T_Buchungen.Betrag) AS Betrag\n") + J +
                   QStringLiteral("\n") + K +
                   QStringLiteral("\nWHERE (((T_Kontenplan.Kontonummer)<2000) AND ((T_Kontenplan.Kontonummer)<>1021) and "
                                  "((T_Buchungen.Buchungsdatum) Between :von And :bis) AND ((T_Zeitraum.id)= :zeitraum) AND "
                                  "((T_Buchungen.mandant)=:mandant));");
const QString Q3 = QStringLiteral("SELECT Sum(t_kontenbewegungen.St_Betrag) AS St_Betrag\n") + J + QStringLiteral("\n") + K +
                   QStringLiteral("\nWHERE (((T_Kontenplan.Kontonummer)Between 2000 And 2999) AND ((T_Kontenplan.Kontonummer)<>2021) "
                                  "and ((T_Buchungen.Buchungsdatum) Between :von And :bis) AND ((T_Zeitraum.id)= :zeitraum) AND "
                                  "((T_Buchungen.mandant)=:mandant));");
const QString Q45 = QStringLiteral(
    "SELECT Sum(t_kontenbewegungen.St_Betrag) AS St_Betrag\n"
    "FROM T_Buchungen INNER JOIN t_kontenbewegungen ON (T_Buchungen.ID = t_kontenbewegungen.Buchungen_id) AND "
    "(T_Buchungen.mandant = t_kontenbewegungen.mandant)\n"
    "WHERE (((T_Buchungen.Buchungsdatum) Between :von And :bis) AND ((T_Buchungen.Wirtschaftsjahr)= :zeitraum) AND "
    "((T_Buchungen.mandant)=:mandant) AND ((T_Buchungen.%1)=1));");
const QString Q6 = QStringLiteral("SELECT Sum(t_kontenbewegungen.St_Betrag) AS St_Betrag\n") + J + QStringLiteral("\n") + K +
                   QStringLiteral("\nWHERE (((T_Kontenplan.Kontonummer)=3000) and ((T_Buchungen.Buchungsdatum) Between :von And "
                                  ":bis) AND ((T_Zeitraum.id)= :zeitraum) AND ((T_Buchungen.mandant)=:mandant));");

FontSpec bold() {
    FontSpec f;
    f.bold = true;
    return f;
}

Item amount(double rightEdge, double top, const QString& name, FontSpec font = {}) {
    return Item::label(QString(), rightEdge, top, font, Align::Right, name);
}

// The sums of one summary statement; an empty sum, or a failing statement, counts as 0.
struct Summen {
    Currency st;
    Currency betrag;
};

Summen summen(Database& db, const QString& sql, const T_RepDaten& d) {
    Summen s;
    try {
        QSqlQuery q = db.query(sql,
                               {{QStringLiteral(":von"), d.von.toString(Qt::ISODate)},
                                {QStringLiteral(":bis"), d.bis.toString(Qt::ISODate)},
                                {QStringLiteral(":zeitraum"), d.Zeitraum},
                                {QStringLiteral(":mandant"), d.mandant}},
                               QStringLiteral("Umsatzsteuerverprobung"));
        if (q.next()) {
            s.st = Currency::fromUnits(q.value(0).toLongLong());
            if (q.record().count() > 1)
                s.betrag = Currency::fromUnits(q.value(1).toLongLong());
        }
    } catch (const KassolError&) {
    }
    return s;
}

} // namespace

namespace TRep_Verprobung {

QString keineEinnahmen() { return QStringLiteral("Es gibt für diesen Zeitraum (noch) keine Einnahmen!"); }

std::optional<PreparedReport> erstelle(TDM_EinAus& dm, const T_RepDaten& d) {
    Database& db = dm.db();
    const ReportData data = ReportData::fromQuery(db, Query_Verprobung_Sql,
                                                  {{QStringLiteral(":Zeitraum"), d.Zeitraum},
                                                   {QStringLiteral(":von"), d.von.toString(Qt::ISODate)},
                                                   {QStringLiteral(":bis"), d.bis.toString(Qt::ISODate)},
                                                   {QStringLiteral(":Mandant"), d.mandant}},
                                                  QStringLiteral("Umsatzsteuerverprobung"));
    if (data.count() == 0)
        return std::nullopt;

    ReportDefinition r;
    Band title{BandKind::Title, QStringLiteral("SeitenTitel"), 19.8};
    title.items = {Item::label(QStringLiteral("Umsatzsteuerverprobung"), 0, 0, bold()),
                   Item::label(QString(), 52.9, 0, bold(), Align::Left, QStringLiteral("LabelGanzerName")),
                   Item::label(QString(), 52.9, 4.2, bold(), Align::Left, QStringLiteral("LabelZeitraum")),
                   Item::label(QStringLiteral("Bemessungsgrundlage (netto)"), 86.8, 14.8),
                   Item::label(QStringLiteral("Umsatzsteuer"), 150.3, 14.8)};
    title.beforePrint = [&d](BandContext& c) {
        c.item(QStringLiteral("LabelZeitraum")).text = d.ZeitraumText;
        c.item(QStringLiteral("LabelGanzerName")).text = d.Ganzername;
    };

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
    fuss.beforePrint = [&db, &d](BandContext& c) {
        // Exact fixed-point sums in place of floating point: the figures are the same to the cent.
        const Summen q1 = summen(db, Q1, d);
        const Currency A = q1.st, B = q1.betrag;
        const Summen q2 = summen(db, Q2, d);
        const Currency C = A + q2.st;
        const Currency D = ((B + q2.betrag) - C) + A;
        const Currency E = summen(db, Q3, d).st;
        const Currency F = summen(db, Q45.arg(QStringLiteral("IstKFZ")), d).st;
        const Currency G = summen(db, Q45.arg(QStringLiteral("IstGebaeude")), d).st;
        const Currency H = summen(db, Q6, d).st;
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
