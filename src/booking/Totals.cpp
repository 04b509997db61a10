#include "booking/Totals.h"

#include "store/DM_KS.h"

namespace {

const QString Brutto_Sql = QStringLiteral(
    "SELECT Sum(T_Buchungen.Betrag) AS Betrag\n"
    "FROM T_Buchungen\n"
    "GROUP BY T_Buchungen.IstEinnahme, T_Buchungen.Wirtschaftsjahr, T_Buchungen.IstDrittland, T_Buchungen.mandant\n"
    "HAVING (((T_Buchungen.IstEinnahme)=:einnahme) AND ((T_Buchungen.Wirtschaftsjahr)=:zeitraum) AND "
    "((T_Buchungen.IstDrittland)=2) AND ((T_Buchungen.mandant)=:mandant));");

const QString Ust_Sql = QStringLiteral(
    "SELECT Sum(t_kontenbewegungen.St_Betrag) AS Ust\n"
    "FROM T_Buchungen INNER JOIN t_kontenbewegungen ON (t_kontenbewegungen.mandant = T_Buchungen.mandant) AND "
    "(T_Buchungen.ID = t_kontenbewegungen.Buchungen_id)\n"
    "WHERE (((T_Buchungen.IstEinnahme)=:einnahme) AND ((T_Buchungen.Wirtschaftsjahr)=:Zeitraum) AND "
    "((T_Buchungen.mandant)=:mandant))");

const QString Vst_Sql = QStringLiteral(
    "SELECT Sum(t_kontenbewegungen.St_Betrag) AS VST\n"
    "FROM T_Buchungen INNER JOIN t_kontenbewegungen ON (t_kontenbewegungen.mandant = T_Buchungen.mandant) AND "
    "(T_Buchungen.ID = t_kontenbewegungen.Buchungen_id)\n"
    "WHERE (((T_Buchungen.IstEinnahme)=:einnahme) AND ((T_Buchungen.Wirtschaftsjahr)=:Zeitraum) AND "
    "((T_Buchungen.mandant)=:mandant))");

const QString Jahr_Sql = QStringLiteral("select * from t_zeitraum\nwhere id = :zeitraum \nand mandant = :mandant;");

// An empty sum, or no row at all, is zero.
Currency summe(Database& db, const QString& sql, int einnahme, int zeitraum, int mandant) {
    const auto v = db.scalar(sql,
                             {{QStringLiteral(":einnahme"), einnahme},
                              {QStringLiteral(":zeitraum"), zeitraum},
                              {QStringLiteral(":mandant"), mandant}},
                             QStringLiteral("Summen berechnen"));
    return v && !v->isNull() ? Currency::fromUnits(v->toLongLong()) : Currency();
}

} // namespace

Summen berechneSummen(TDM_EinAus& dm) {
    const int zeitraum = dm.gibZeitraum();
    const int mandant = dm.gibAktiverMandant();
    return berechneSummen(dm, zeitraum, mandant);
}

Summen berechneSummen(TDM_EinAus& dm, int zeitraum, int mandant) {
    Database& db = dm.db();
    Summen s;
    s.mandant = mandant;
    s.zeitraum = zeitraum;
    QSqlQuery jahr = db.query(Jahr_Sql, {{QStringLiteral(":zeitraum"), zeitraum}, {QStringLiteral(":mandant"), mandant}},
                              QStringLiteral("Wirtschaftsjahr lesen"));
    if (jahr.next() && !jahr.value(QStringLiteral("Jahr")).isNull())
        s.jahr = jahr.value(QStringLiteral("Jahr")).toInt();
    s.mandantBezeichnung = dm.gibMandantBezeichnung(dm.gibAktiverMandant());
    s.einnahmen = summe(db, Brutto_Sql, 1, zeitraum, mandant);
    s.ausgaben = summe(db, Brutto_Sql, 2, zeitraum, mandant);
    s.ust = summe(db, Ust_Sql, 1, zeitraum, mandant);
    s.vst = summe(db, Vst_Sql, 2, zeitraum, mandant);
    return s;
}
