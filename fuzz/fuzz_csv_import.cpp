// The CSV import of bookings, on a fresh database with one client, its year 2024 and a few circles.
#include "FuzzSupport.h"
#include "app/Clock.h"
#include "app/KassolError.h"
#include "app/THelperData.h"
#include "booking/BookingImport.h"
#include "booking/TaxPosting.h"
#include "store/DM_KS.h"
#include "store/MdbSqlRunner.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

namespace {

struct Books {
    QTemporaryDir dir;
    FixedClock clock{QDateTime(QDate(2024, 3, 15), QTime(10, 0))};
    THelperData helper{Folders{}, &Helper_MdbSqlRunner::CreateDatabaseIfMissing};
    std::unique_ptr<TDM_EinAus> dm;

    Books() {
        helper.UseDataFolder(dir.path());
        dm = std::make_unique<TDM_EinAus>(helper, clock);
        dm->DataModuleCreate();
        Database& db = dm->db();
        // Nothing here needs to survive a power cut, and syncing would halve the pace.
        db.exec(QStringLiteral("PRAGMA synchronous = OFF"));
        db.exec(QStringLiteral("INSERT INTO T_Mandant (id, aktiv, Bezeichnung) VALUES (1, 1, 'Muster')"));
        db.exec(QStringLiteral("INSERT INTO T_Stammdaten (mandant) VALUES (1)"));
        db.exec(QStringLiteral("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (1, 1, 2024)"));
        db.exec(QStringLiteral("INSERT INTO T_Einstellungen (mandant, ZeitraumNummer) VALUES (1, 1)"));
        // Two circles share a short name, which the import must refuse to guess between.
        db.exec(QStringLiteral("INSERT INTO T_BKreis (mandant, id, BKName, BKKurz) VALUES "
                               "(1, 1, 'Waren', 'WA'), (1, 2, 'Dienste', 'dl'), (1, 3, 'Eins', 'XX'), (1, 4, 'Zwei', 'xx')"));
    }

    qint64 count(const char* table) { return dm->db().scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table)))->toLongLong(); }
};

Books* books = nullptr;

// Every booking has exactly the movements its tax posting gives.
void checkMovements(Database& db) {
    QSqlQuery q = db.query(QStringLiteral("SELECT ID, IstEinnahme, IstEU, IstDrittland, Betrag, Steuersatz FROM T_Buchungen"));
    while (q.next()) {
        BuchungFuerSteuer b;
        b.art = buchungsartAus(q.value(1).toInt());
        b.istEU = jaNeinAus(q.value(2).toInt());
        b.istDrittland = jaNeinAus(q.value(3).toInt());
        b.betrag = Currency::fromUnits(q.value(4).toLongLong());
        b.steuersatz = q.value(5).toInt();
        std::vector<Steuerbewegung> expected = berechneSteuerbewegungen(b);
        std::vector<Steuerbewegung> stored;
        QSqlQuery m = db.query(QStringLiteral("SELECT Konten_Nr, St_Betrag FROM t_kontenbewegungen WHERE Buchungen_id = :id"),
                               {{QStringLiteral(":id"), q.value(0)}});
        while (m.next())
            stored.push_back({m.value(0).toInt(), Currency::fromUnits(m.value(1).toLongLong())});
        const auto order = [](const Steuerbewegung& a, const Steuerbewegung& c) {
            return a.konto != c.konto ? a.konto < c.konto : a.betrag < c.betrag;
        };
        std::sort(expected.begin(), expected.end(), order);
        std::sort(stored.begin(), stored.end(), order);
        if (expected != stored)
            fuzz::fail("imported booking without its tax movements");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    books = new Books;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Books& b = *books;
    ImportErgebnis result;
    try {
        result = BuchungsImport::importiere(*b.dm, fuzz::bytes(data, size));
    } catch (const KassolError&) {
        // All or nothing: a refused file leaves no trace.
        if (b.count("T_Buchungen") != 0 || b.count("t_kontenbewegungen") != 0)
            fuzz::fail("refused import left rows behind");
        return 0;
    }
    if (b.count("T_Buchungen") != result.buchungen || b.count("t_kontenbewegungen") != result.bewegungen)
        fuzz::fail("import reported other counts than it wrote");
    checkMovements(b.dm->db());
    b.dm->db().exec(QStringLiteral("DELETE FROM t_kontenbewegungen"));
    b.dm->db().exec(QStringLiteral("DELETE FROM T_Buchungen"));
    return 0;
}
