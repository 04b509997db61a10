#include "booking/Totals.h"

#include "store/DM_KS.h"
#include "store/DbError.h"

#include <sqlite3.h>

#include <algorithm>
#include <vector>

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

bool addiere(qint64& summe, qint64 wert) { return !__builtin_add_overflow(summe, wert, &summe); }

// The four documented statements in two passes: the year's bookings from one index, then the
// client's movements of the same range of booking ids, each matched to its booking in memory.
// The sums are those of the statements, row for row; nullopt when a sum leaves the 64-bit range,
// where the statements themselves are left to report it.
std::optional<Summen> summenInZweiDurchgaengen(sqlite3* db, int zeitraum, int mandant) {
    // The year's income (1) and expense (2) bookings by id; other kinds count in no sum.
    struct Buchung {
        qint64 id;
        unsigned char art;
    };
    std::vector<Buchung> buchungen;
    buchungen.reserve(1024);
    qint64 brutto[3] = {0, 0, 0};
    qint64 kleinste = 0, groesste = 0;
    {
        Abfrage q(db, "SELECT ID, IstEinnahme, IstDrittland, Betrag FROM T_Buchungen WHERE mandant = ?1 AND Wirtschaftsjahr = ?2");
        sqlite3_stmt* s = q.get();
        sqlite3_bind_int(s, 1, mandant);
        sqlite3_bind_int(s, 2, zeitraum);
        while (q.naechste()) {
            // A missing value reads as 0, which is neither kind, no import flag and adds nothing.
            const qint64 einnahme = sqlite3_column_int64(s, 1);
            if (einnahme != 1 && einnahme != 2)
                continue;
            const auto art = static_cast<unsigned char>(einnahme);
            // IstDrittland = 2 ("nein"): imports stay out of the gross sums.
            if (sqlite3_column_int64(s, 2) == 2 && !addiere(brutto[art], sqlite3_column_int64(s, 3)))
                return std::nullopt;
            const qint64 id = sqlite3_column_int64(s, 0);
            if (id == 0 && sqlite3_column_type(s, 0) == SQLITE_NULL)
                continue;
            if (buchungen.empty() || id < kleinste)
                kleinste = id;
            if (buchungen.empty() || id > groesste)
                groesste = id;
            buchungen.push_back({id, art});
        }
    }
    Summen summen;
    summen.einnahmen = Currency::fromUnits(brutto[1]);
    summen.ausgaben = Currency::fromUnits(brutto[2]);
    if (buchungen.empty())
        return summen;
    // Ids of one year lie close together; a table by offset then finds a booking in one step.
    std::vector<unsigned char> dicht;
    const bool nah = groesste - kleinste < 4 * static_cast<qint64>(buchungen.size()) + 4096;
    if (nah) {
        dicht.assign(static_cast<size_t>(groesste - kleinste + 1), 0);
        for (const Buchung& b : buchungen)
            dicht[static_cast<size_t>(b.id - kleinste)] = b.art;
    } else {
        std::sort(buchungen.begin(), buchungen.end(), [](const Buchung& a, const Buchung& b) { return a.id < b.id; });
    }
    qint64 steuer[3] = {0, 0, 0};
    Abfrage q(db, "SELECT Buchungen_id, St_Betrag FROM t_kontenbewegungen WHERE mandant = ?1 AND Buchungen_id BETWEEN ?2 AND ?3");
    sqlite3_stmt* s = q.get();
    sqlite3_bind_int(s, 1, mandant);
    sqlite3_bind_int64(s, 2, kleinste);
    sqlite3_bind_int64(s, 3, groesste);
    while (q.naechste()) {
        const qint64 id = sqlite3_column_int64(s, 0);
        unsigned char art = 0;
        if (nah) {
            art = dicht[static_cast<size_t>(id - kleinste)];
        } else {
            const auto it = std::lower_bound(buchungen.begin(), buchungen.end(), id, [](const Buchung& b, qint64 v) { return b.id < v; });
            if (it != buchungen.end() && it->id == id)
                art = it->art;
        }
        if (art != 0 && !addiere(steuer[art], sqlite3_column_int64(s, 1)))
            return std::nullopt;
    }
    summen.ust = Currency::fromUnits(steuer[1]);
    summen.vst = Currency::fromUnits(steuer[2]);
    return summen;
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
