#include "BookGenerator.h"

#include "app/Currency.h"
#include "booking/TaxPosting.h"
#include "store/Database.h"
#include "store/MdbSqlRunner.h"

#include <QDate>
#include <random>
#include <sqlite3.h>
#include <stdexcept>

namespace {

class Stmt {
public:
    Stmt(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &m_s, nullptr); }
    ~Stmt() { sqlite3_finalize(m_s); }
    sqlite3_stmt* operator*() { return m_s; }
    void run() {
        if (sqlite3_step(m_s) != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(m_s)));
        sqlite3_reset(m_s);
    }

private:
    sqlite3_stmt* m_s = nullptr;
};

const char* const Texte[] = {"Wareneinkauf", "Miete", "Büromaterial", "Tankrechnung", "Honorar", "Verkauf Ladenkasse",
                             "Telefon", "Versicherung", "Reparatur", "Bewirtung", "Porto", "Fachliteratur", "Strom",
                             "Werbung", "Leasingrate", "Import Zollamt", "EU-Einkauf Lieferant", ""};
const char* const Kreise[][2] = {{"Erlöse", "ER"}, {"Wareneinkauf", "WE"}, {"Miete", "MI"}, {"KFZ", "KF"},
                                 {"Büro", "BU"},   {"Telefon", "TE"},     {"Werbung", "WB"}, {"Reisen", "RE"},
                                 {"Gebäude", "GB"}, {"Honorare", "HO"},    {"Versicherung", "VS"}, {"Sonstiges", "SO"}};

} // namespace

GeneratedBooks generateBooks(const QString& databaseFile, const BookSpec& spec) {
    Helper_MdbSqlRunner::CreateDatabaseIfMissing(databaseFile);
    Database db;
    db.open(databaseFile);
    sqlite3* h = db.handle();
    std::mt19937 rng(spec.seed);
    GeneratedBooks out;

    auto tx = db.transaction();
    Stmt mandant(h, "INSERT INTO T_Mandant (id, aktiv, Bezeichnung) VALUES (?,?,?)");
    Stmt stamm(h, "INSERT INTO T_Stammdaten (mandant, GanzerName, Adresse, PlzOrt, SteuerDE) VALUES (?,?,'Hauptstraße 1','6991 Riezlern',?)");
    Stmt zeitraum(h, "INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (?,?,?)");
    Stmt einst(h, "INSERT INTO T_Einstellungen (mandant, ZeitraumNummer) VALUES (?,?)");
    Stmt kreis(h, "INSERT INTO T_BKreis (mandant, id, BKName, BKKurz) VALUES (?,?,?,?)");
    Stmt buchung(h, "INSERT INTO T_Buchungen (mandant, ID, Wirtschaftsjahr, Buchungsdatum, Belegnummer, Steuersatz, Betrag, Text, "
                    "BK, IstEU, IstDrittland, IstEinnahme, IstKFZ, IstGebaeude) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    Stmt bewegung(h, "INSERT INTO t_kontenbewegungen (mandant, id, Buchungen_id, Konten_Nr, St_Betrag) VALUES (?,?,?,?,?)");

    int zeitraumId = 0, kreisId = 0, buchungId = 0, bewegungId = 0;
    for (int c = 1; c <= spec.clients; ++c) {
        const int nummer = 100000000 + c;
        const bool aktiv = c == 1;
        const bool de = c % 3 == 0;
        const QByteArray name = QStringLiteral("Mandant %1 GmbH").arg(c).toUtf8();
        sqlite3_bind_int(*mandant, 1, nummer);
        sqlite3_bind_int(*mandant, 2, aktiv ? 1 : 0);
        sqlite3_bind_text(*mandant, 3, name.constData(), -1, SQLITE_TRANSIENT);
        mandant.run();
        sqlite3_bind_int(*stamm, 1, nummer);
        sqlite3_bind_text(*stamm, 2, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(*stamm, 3, de ? 1 : 0);
        stamm.run();
        std::vector<int> kreisIds;
        for (int k = 0; k < spec.circlesPerClient; ++k) {
            const auto& kr = Kreise[k % std::size(Kreise)];
            sqlite3_bind_int(*kreis, 1, nummer);
            sqlite3_bind_int(*kreis, 2, ++kreisId);
            sqlite3_bind_text(*kreis, 3, kr[0], -1, SQLITE_STATIC);
            sqlite3_bind_text(*kreis, 4, kr[1], -1, SQLITE_STATIC);
            kreis.run();
            kreisIds.push_back(kreisId);
        }
        for (int y = 0; y < spec.yearsPerClient; ++y) {
            const int jahr = spec.firstYear + y;
            const int zid = ++zeitraumId;
            sqlite3_bind_int(*zeitraum, 1, nummer);
            sqlite3_bind_int(*zeitraum, 2, zid);
            sqlite3_bind_int(*zeitraum, 3, jahr);
            zeitraum.run();
            const bool current = y == spec.yearsPerClient - 1;
            if (current) {
                sqlite3_bind_int(*einst, 1, nummer);
                sqlite3_bind_int(*einst, 2, zid);
                einst.run();
            }
            if (aktiv && current) {
                out.activeClient = nummer;
                out.activeZeitraum = zid;
                out.activeYear = jahr;
                out.firstCircle = kreisIds.front();
            }
            const int anzahl = aktiv && current ? spec.bookingsPerYear
                             : spec.bookingsPerOtherYear >= 0 ? spec.bookingsPerOtherYear
                                                              : std::max(1, spec.bookingsPerYear / 10);
            const int tage = QDate(jahr, 12, 31).dayOfYear();
            std::vector<int> saetze = de ? std::vector<int>{0, 5, 7, 10, 13, 19, 20, 20, 20} : std::vector<int>{0, 5, 10, 13, 20, 20, 20};
            for (int i = 0; i < anzahl; ++i) {
                const int roll = static_cast<int>(rng() % 100);
                const int einnahme = roll < 40 ? 1 : 2;
                int eu = 2, dritt = 2, kfz = 2, geb = 2;
                if (einnahme == 2) {
                    const int art = static_cast<int>(rng() % 100);
                    if (art < 3)
                        eu = 1;
                    else if (art < 5)
                        dritt = 1;
                    else if (art < 10)
                        kfz = 1;
                    else if (art < 13)
                        geb = 1;
                }
                int satz = saetze[rng() % saetze.size()];
                if (eu == 1)
                    satz = 20;
                if (dritt == 1)
                    satz = 0;
                const Currency betrag = Currency::fromCents(static_cast<std::int64_t>(rng() % 500000) + 100);
                const QByteArray datum = QDate(jahr, 1, 1).addDays(static_cast<int>(rng() % tage)).toString(Qt::ISODate).toLatin1();
                const char* text = Texte[rng() % std::size(Texte)];
                const int id = ++buchungId;
                sqlite3_stmt* s = *buchung;
                sqlite3_bind_int(s, 1, nummer);
                sqlite3_bind_int(s, 2, id);
                sqlite3_bind_int(s, 3, zid);
                sqlite3_bind_text(s, 4, datum.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_int(s, 5, i + 1);
                sqlite3_bind_int(s, 6, satz);
                sqlite3_bind_int64(s, 7, betrag.units());
                sqlite3_bind_text(s, 8, text, -1, SQLITE_STATIC);
                sqlite3_bind_int(s, 9, kreisIds[rng() % kreisIds.size()]);
                sqlite3_bind_int(s, 10, eu);
                sqlite3_bind_int(s, 11, dritt);
                sqlite3_bind_int(s, 12, einnahme);
                sqlite3_bind_int(s, 13, kfz);
                sqlite3_bind_int(s, 14, geb);
                buchung.run();
                ++out.bookings;
                for (const Steuerbewegung& b : berechneSteuerbewegungen({buchungsartAus(einnahme), jaNeinAus(eu), jaNeinAus(dritt), betrag, satz})) {
                    sqlite3_stmt* m = *bewegung;
                    sqlite3_bind_int(m, 1, nummer);
                    sqlite3_bind_int(m, 2, ++bewegungId);
                    sqlite3_bind_int(m, 3, id);
                    sqlite3_bind_int(m, 4, b.konto);
                    sqlite3_bind_int64(m, 5, b.betrag.units());
                    bewegung.run();
                    ++out.movements;
                }
            }
        }
    }
    tx.commit();
    db.close();
    return out;
}
