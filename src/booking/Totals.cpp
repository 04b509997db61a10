#include "booking/Totals.h"

#include "store/DM_KS.h"
#include "store/DbError.h"
#include "store/Nebenverbindung.h"
#include "store/SummeNachArt.h"

#include <functional>
#include <future>
#include <memory>
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

using SummeNachArt::Merkliste;
using SummeNachArt::Zuordnung;

// The bookings of a year whose voucher number lies in [von, bis) (all when von > bis, those
// without a number when nurOhneNummer), noted in the list.
void merke(sqlite3* db, int zeitraum, int mandant, Merkliste& liste, qint64 von = 1, qint64 bis = 0, bool nurOhneNummer = false) {
    const char* sql = nurOhneNummer ? "SELECT kassol_merke(?3, ID, IstEinnahme, IstDrittland, Betrag) FROM T_Buchungen "
                                      "WHERE mandant = ?1 AND Wirtschaftsjahr = ?2 AND Belegnummer IS NULL"
                      : von > bis   ? "SELECT kassol_merke(?3, ID, IstEinnahme, IstDrittland, Betrag) FROM T_Buchungen "
                                      "WHERE mandant = ?1 AND Wirtschaftsjahr = ?2"
                                    : "SELECT kassol_merke(?3, ID, IstEinnahme, IstDrittland, Betrag) FROM T_Buchungen "
                                      "WHERE mandant = ?1 AND Wirtschaftsjahr = ?2 AND Belegnummer >= ?4 AND Belegnummer < ?5";
    Abfrage q(db, sql);
    sqlite3_stmt* s = q.get();
    sqlite3_bind_int(s, 1, mandant);
    sqlite3_bind_int(s, 2, zeitraum);
    sqlite3_bind_pointer(s, 3, &liste, Merkliste::Zeiger, nullptr);
    if (!nurOhneNummer && von <= bis) {
        sqlite3_bind_int64(s, 4, von);
        sqlite3_bind_int64(s, 5, bis);
    }
    (void)q.naechste();
}

// The client's movements of the bookings with ids in [von, bis], added by their booking's kind.
void summiere(sqlite3* db, int mandant, qint64 von, qint64 bis, Zuordnung& zuordnung) {
    Abfrage q(db, "SELECT kassol_summiere(?4, Buchungen_id, St_Betrag) FROM t_kontenbewegungen "
                  "WHERE mandant = ?1 AND Buchungen_id BETWEEN ?2 AND ?3");
    sqlite3_stmt* s = q.get();
    sqlite3_bind_int(s, 1, mandant);
    sqlite3_bind_int64(s, 2, von);
    sqlite3_bind_int64(s, 3, bis);
    sqlite3_bind_pointer(s, 4, &zuordnung, Zuordnung::Zeiger, nullptr);
    (void)q.naechste();
}

std::optional<qint64> ganzzahl(sqlite3* db, const char* sql, int zeitraum, int mandant) {
    Abfrage q(db, sql);
    sqlite3_bind_int(q.get(), 1, mandant);
    sqlite3_bind_int(q.get(), 2, zeitraum);
    if (!q.naechste() || sqlite3_column_type(q.get(), 0) != SQLITE_INTEGER)
        return std::nullopt;
    return sqlite3_column_int64(q.get(), 0);
}

// A read transaction of the main connection for as long as the second one reads beside it.
class Lesetransaktion {
public:
    explicit Lesetransaktion(sqlite3* db) : m_db(db) {
        if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)), QStringLiteral("BEGIN"), QStringLiteral("Summen berechnen"));
    }
    ~Lesetransaktion() { sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr); }
    Lesetransaktion(const Lesetransaktion&) = delete;
    Lesetransaktion& operator=(const Lesetransaktion&) = delete;

private:
    sqlite3* m_db;
};

// Runs teil on the second connection on another thread while the caller goes on; warte() says
// whether it ran there. When it did not (no second connection, or it could not read), the caller
// does that part itself.
class Nebenher {
public:
    Nebenher(Nebenverbindung* neben, std::function<void(sqlite3*)> teil) {
        if (!neben)
            return;
        neben->warteAufHintergrund();
        m_ergebnis = std::async(std::launch::async, [neben, teil = std::move(teil)] {
            if (!neben->beginneLesen())
                return false;
            bool gelesen = true;
            try {
                teil(neben->handle());
            } catch (const DbError&) {
                gelesen = false;
            }
            // Its shared lock would otherwise keep the main connection from writing.
            neben->beendeLesen();
            return gelesen;
        });
    }
    ~Nebenher() {
        if (m_ergebnis.valid())
            m_ergebnis.wait();
    }
    Nebenher(const Nebenher&) = delete;
    Nebenher& operator=(const Nebenher&) = delete;
    bool warte() { return m_ergebnis.valid() && m_ergebnis.get(); }

private:
    std::future<bool> m_ergebnis;
};

// The four documented statements in scans that SQLite aggregates itself: the year's bookings from
// one index (the gross sums, and each booking's kind noted, in one function call a row), then the
// client's movements of the same range of booking ids, each added to the sum of its booking's kind.
// Each scan is split in two halves, one read on a second connection on the other core, when the
// main connection has no transaction of its own open. The sums are those of the statements, row
// for row; nullopt when one leaves the 64-bit range or a scan fails, where the statements
// themselves are left to report it.
std::optional<Summen> summenInZweiDurchgaengen(Database& datenbank, int zeitraum, int mandant) {
    sqlite3* db = datenbank.handle();
    // Kept from one computation to the next, so that a year's keys find their memory ready. The
    // lambdas below run on another thread and so name these through pointers, never directly.
    thread_local Merkliste artenSpeicher;
    thread_local Merkliste zweiteSpeicher;
    Merkliste* const arten = &artenSpeicher;
    Merkliste* const zweite = &zweiteSpeicher;
    arten->leere();
    zweite->leere();
    try {
        const bool geteilt = !datenbank.inTransaction() && sqlite3_get_autocommit(db);
        std::optional<Lesetransaktion> lesen;
        Nebenverbindung* neben = nullptr;
        if (geteilt) {
            lesen.emplace(db);
            neben = datenbank.nebenverbindung();
        }
        // The voucher numbers of the year, halved between the connections.
        const auto erste = ganzzahl(db, "SELECT min(Belegnummer) FROM T_Buchungen WHERE mandant = ?1 AND Wirtschaftsjahr = ?2",
                                    zeitraum, mandant);
        const auto letzte = ganzzahl(db, "SELECT max(Belegnummer) FROM T_Buchungen WHERE mandant = ?1 AND Wirtschaftsjahr = ?2",
                                     zeitraum, mandant);
        if (neben && erste && letzte && *letzte > *erste) {
            const qint64 mitte = *erste + (*letzte - *erste) / 2 + 1;
            const qint64 ende = *letzte + 1;
            Nebenher nebenher(neben, [=](sqlite3* h) { merke(h, zeitraum, mandant, *zweite, mitte, ende); });
            merke(db, zeitraum, mandant, *arten, *erste, mitte);
            merke(db, zeitraum, mandant, *arten, 1, 0, true);
            if (!nebenher.warte()) {
                zweite->leere();
                merke(db, zeitraum, mandant, *zweite, mitte, ende);
            }
            arten->uebernimm(*zweite);
        } else {
            merke(db, zeitraum, mandant, *arten);
        }
        Zuordnung unten, oben;
        unten.arten = oben.arten = arten;
        if (!arten->eintraege.empty()) {
            arten->ordne();
            const qint64 kleinster = arten->kleinster;
            const qint64 groesster = arten->groesster;
            const qint64 mitte = kleinster + (groesster - kleinster) / 2;
            if (neben && mitte < groesster) {
                Zuordnung* const obere = &oben;
                Nebenher nebenher(neben, [=](sqlite3* h) { summiere(h, mandant, mitte + 1, groesster, *obere); });
                summiere(db, mandant, kleinster, mitte, unten);
                if (!nebenher.warte()) {
                    oben.summe = SummeNachArt::Summen();
                    summiere(db, mandant, mitte + 1, groesster, oben);
                }
            } else {
                summiere(db, mandant, kleinster, groesster, unten);
            }
        }
        unten.summe.addiere(oben.summe);
        if (arten->bedingt.ueberlauf || unten.summe.ueberlauf)
            return std::nullopt;
        Summen summen;
        summen.einnahmen = Currency::fromUnits(arten->bedingt.wert[1]);
        summen.ausgaben = Currency::fromUnits(arten->bedingt.wert[2]);
        summen.ust = Currency::fromUnits(unten.summe.wert[1]);
        summen.vst = Currency::fromUnits(unten.summe.wert[2]);
        return summen;
    } catch (const DbError&) {
        return std::nullopt;
    }
}

// The same sums on one connection alone, with tables of their own (for a thread of its own).
std::optional<Summen> summenAufEinerVerbindung(sqlite3* db, int zeitraum, int mandant) {
    try {
        Merkliste arten;
        merke(db, zeitraum, mandant, arten);
        Zuordnung zuordnung;
        zuordnung.arten = &arten;
        if (!arten.eintraege.empty()) {
            arten.ordne();
            summiere(db, mandant, arten.kleinster, arten.groesster, zuordnung);
        }
        if (arten.bedingt.ueberlauf || zuordnung.summe.ueberlauf)
            return std::nullopt;
        Summen summen;
        summen.einnahmen = Currency::fromUnits(arten.bedingt.wert[1]);
        summen.ausgaben = Currency::fromUnits(arten.bedingt.wert[2]);
        summen.ust = Currency::fromUnits(zuordnung.summe.wert[1]);
        summen.vst = Currency::fromUnits(zuordnung.summe.wert[2]);
        return summen;
    } catch (const DbError&) {
        return std::nullopt;
    }
}

// Sums read ahead on the second connection, with what is needed to know that they still hold:
// no other connection has committed since (the main connection's data version) and the main
// connection has changed no row (its count of changes). Only the main thread touches this.
struct Vorrat {
    Database* db = nullptr;
    quint64 verbindung = 0;
    int zeitraum = -1;
    int mandant = -1;
    qint64 stand = -1;
    qint64 aenderungen = -1;
    std::shared_ptr<std::optional<Summen>> summen;
};
std::optional<Vorrat> vorrat;

// The sums read ahead for this year, when they are still those of the file; the store is emptied.
std::optional<Summen> ausDemVorrat(Database& db, int zeitraum, int mandant) {
    if (!vorrat)
        return std::nullopt;
    Vorrat v = std::move(*vorrat);
    vorrat.reset();
    Nebenverbindung* neben = db.nebenverbindung();
    if (v.db != &db || !neben || neben->nummer() != v.verbindung || v.zeitraum != zeitraum || v.mandant != mandant)
        return std::nullopt;
    neben->warteAufHintergrund();
    if (!*v.summen || sqlite3_total_changes64(db.handle()) != v.aenderungen || db.fremderStand() != v.stand)
        return std::nullopt;
    return *v.summen;
}

} // namespace

void summenVorbereiten(TDM_EinAus& dm) {
    vorrat.reset();
    Database& db = dm.db();
    const int zeitraum = dm.gibZeitraum();
    const int mandant = dm.gibAktiverMandant();
    if (zeitraum == -1 || mandant == -1 || !db.isOpen())
        return;
    Nebenverbindung* neben = db.nebenverbindung();
    if (!neben)
        return;
    Vorrat v;
    v.db = &db;
    v.verbindung = neben->nummer();
    v.zeitraum = zeitraum;
    v.mandant = mandant;
    // Both taken before the second connection reads: whatever is committed after that changes them.
    try {
        v.stand = db.fremderStand();
    } catch (const DbError&) {
        return;  // the figures are then computed when they are asked for
    }
    v.aenderungen = sqlite3_total_changes64(db.handle());
    v.summen = std::make_shared<std::optional<Summen>>();
    const auto ziel = v.summen;
    neben->imHintergrund([ziel, zeitraum, mandant](sqlite3* h) { *ziel = summenAufEinerVerbindung(h, zeitraum, mandant); });
    vorrat = std::move(v);
}

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
    auto schnell = ausDemVorrat(db, zeitraum, mandant);
    if (!schnell)
        schnell = summenInZweiDurchgaengen(db, zeitraum, mandant);
    if (schnell) {
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
