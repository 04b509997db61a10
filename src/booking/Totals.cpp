#include "booking/Totals.h"

#include "store/DM_KS.h"
#include "store/DbError.h"
#include "store/SummeNachArt.h"

#include <sqlite3.h>


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

class Abfrage {
public:
    Abfrage(sqlite3* db, const char* sql) : m_db(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            fehler(sql);
    }
    ~Abfrage() { sqlite3_finalize(m_stmt); }
    Abfrage(const Abfrage&) = delete;
    Abfrage& operator=(const Abfrage&) = delete;
    sqlite3_stmt* get() const { return m_stmt; }
    bool naechste() {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            fehler(sqlite3_sql(m_stmt));
        return false;
    }

private:
    [[noreturn]] void fehler(const char* sql) const {
        throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)), QString::fromUtf8(sql), QStringLiteral("Summen berechnen"));
    }
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

// The four documented statements in two scans that SQLite aggregates itself: the year's bookings
// from one index (the gross sums, and each booking's kind noted), then the client's movements of
// the same range of booking ids, each added to the sum of its booking's kind. The sums are those of
// the statements, row for row; nullopt when one leaves the 64-bit range or a scan fails, where the
// statements themselves are left to report it.
std::optional<Summen> summenInZweiDurchgaengen(sqlite3* db, int zeitraum, int mandant) {
    try {
        SummeNachArt arten;
        Summen summen;
        {
            Abfrage q(db, "SELECT kassol_merke(?3, ID, IstEinnahme), "
                          "sum(CASE WHEN IstEinnahme = 1 AND IstDrittland = 2 THEN Betrag END), "
                          "sum(CASE WHEN IstEinnahme = 2 AND IstDrittland = 2 THEN Betrag END) "
                          "FROM T_Buchungen WHERE mandant = ?1 AND Wirtschaftsjahr = ?2");
            sqlite3_stmt* s = q.get();
            sqlite3_bind_int(s, 1, mandant);
            sqlite3_bind_int(s, 2, zeitraum);
            sqlite3_bind_pointer(s, 3, &arten, SummeNachArt::Zeiger, nullptr);
            if (q.naechste()) {
                summen.einnahmen = Currency::fromUnits(sqlite3_column_int64(s, 1));
                summen.ausgaben = Currency::fromUnits(sqlite3_column_int64(s, 2));
            }
        }
        if (arten.eintraege.empty())
            return summen;
        arten.ordne();
        {
            Abfrage q(db, "SELECT kassol_summiere(?4, Buchungen_id, St_Betrag) FROM t_kontenbewegungen "
                          "WHERE mandant = ?1 AND Buchungen_id BETWEEN ?2 AND ?3");
            sqlite3_stmt* s = q.get();
            sqlite3_bind_int(s, 1, mandant);
            sqlite3_bind_int64(s, 2, arten.kleinster);
            sqlite3_bind_int64(s, 3, arten.groesster);
            sqlite3_bind_pointer(s, 4, &arten, SummeNachArt::Zeiger, nullptr);
            (void)q.naechste();
        }
        if (arten.ueberlauf)
            return std::nullopt;
        summen.ust = Currency::fromUnits(arten.summe[1]);
        summen.vst = Currency::fromUnits(arten.summe[2]);
        return summen;
    } catch (const DbError&) {
        return std::nullopt;
    }
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
    if (const auto schnell = summenInZweiDurchgaengen(db.handle(), zeitraum, mandant)) {
        s.einnahmen = schnell->einnahmen;
        s.ausgaben = schnell->ausgaben;
        s.ust = schnell->ust;
        s.vst = schnell->vst;
    } else {
        s.einnahmen = summe(db, Brutto_Sql, 1, zeitraum, mandant);
        s.ausgaben = summe(db, Brutto_Sql, 2, zeitraum, mandant);
        s.ust = summe(db, Ust_Sql, 1, zeitraum, mandant);
        s.vst = summe(db, Vst_Sql, 2, zeitraum, mandant);
    }
    return s;
}
