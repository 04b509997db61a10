#include "admin/BookingCircles.h"
#include "admin/Clients.h"
#include "admin/FiscalYears.h"
#include "admin/MasterData.h"
#include "booking/BookingImport.h"
#include "booking/Bookings.h"
#include "store/DbError.h"
#include "support/ScriptedInteraction.h"
#include "support/TestSupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using B = Aenderungsmelder::Bereich;
using Bereiche = Aenderungsmelder::Bereiche;

// Client 5 is active with its current year 2024 (id 1), a past year 2023 (id 3), the circle 1
// holding booking 1 and the unused circle 2; client 6 is inactive. The rows are written around
// the services, so nothing is reported while the books are set up.
struct Books : TestBooks {
    std::vector<Bereiche> gemeldet;

    Books() {
        addClient(5, "Muster", true, 2024, 1);
        addCircle(5, 1, "Waren", "WA");
        addCircle(5, 2, "Miete", "MI");
        db().exec("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (5, 3, 2023)");
        addBooking(5, 1, 1, QDate(2024, 2, 1), 1, "120", 20, 1);
        addMovement(5, 1, 1, 1020, "20");
        addClient(6, "Andere", false, 2024, 2);
        QObject::connect(&dm->melder(), &Aenderungsmelder::geaendert, [this](Bereiche b) { gemeldet.push_back(b); });
    }
};

Buchungsdaten ausgabe() { return testBuchung(QDate(2024, 3, 1), "55", 10, 2); }

} // namespace

TEST(ChangeNotifier, EachWriteReportsWhatItChangedOnceAfterItsCommit) {
    const Bereiche alle = AlleBereiche;
    const struct {
        const char* what;
        std::function<void(Books&)> write;
        std::vector<Bereiche> expected;
    } cases[] = {
        {"book", [](Books& b) { b.buche(ausgabe()); }, {B::Buchungen}},
        {"change a booking", [](Books& b) { (void)Buchungen::aendern(*b.dm, 1, ausgabe()); }, {B::Buchungen}},
        {"delete a booking", [](Books& b) { Buchungen::loeschen(*b.dm, 1); }, {B::Buchungen}},
        {"import many lines",
         [](Books& b) {
             QByteArray csv = "Datum;Belegnummer;Text;Betrag;Steuersatz;Buchungskreis;Art;EU;Drittland;KFZ;Gebaeude\n";
             for (int i = 0; i < 300; ++i)
                 csv += "01.03.2024;;Zeile;10;20;WA;A;ja;;;\n";
             (void)BuchungsImport::importiere(*b.dm, csv);
         },
         {B::Buchungen}},
        {"new client", [](Books& b) { (void)Mandanten::anlegen(*b.dm, "Neu"); }, {B::Mandanten | B::Stammdaten}},
        {"rename a client", [](Books& b) { Mandanten::umbenennen(*b.dm, 6, "Anders"); }, {B::Mandanten}},
        {"choose a client", [](Books& b) { Mandanten::auswaehlen(*b.dm, 6); }, {alle}},
        {"delete a client", [](Books& b) { (void)Mandanten::loeschen(*b.dm, b.helper, 6); }, {alle}},
        {"new year", [](Books& b) { (void)Wirtschaftsjahre::anlegen(*b.dm, "2025"); }, {B::Wirtschaftsjahre}},
        {"choose a year", [](Books& b) { Wirtschaftsjahre::auswaehlen(*b.dm, 3); }, {B::Wirtschaftsjahre | B::Buchungen}},
        {"delete a year", [](Books& b) { (void)Wirtschaftsjahre::loeschen(*b.dm, 3); }, {B::Wirtschaftsjahre | B::Buchungen}},
        {"new circle", [](Books& b) { (void)Buchungskreise::anlegen(*b.dm, "Auto", "AU"); }, {B::Buchungskreise}},
        {"change a circle", [](Books& b) { Buchungskreise::aendern(*b.dm, 2, "Pacht", "PA"); }, {B::Buchungskreise}},
        {"delete a circle", [](Books& b) { Buchungskreise::loeschen(*b.dm, 2); }, {B::Buchungskreise}},
        {"master data", [](Books& b) { StammdatenVerwaltung::schreiben(*b.dm, Stammdaten{}); }, {B::Stammdaten}},
        {"first start with everything in place",
         [](Books& b) {
             ScriptedInteraction ui;
             b.dm->InitiiereMandant(ui);
         },
         {}},
    };
    for (const auto& c : cases) {
        Books b;
        c.write(b);
        EXPECT_EQ(c.expected, b.gemeldet) << c.what;
    }
}

TEST(ChangeNotifier, FirstStartReportsTheNewClientWithItsYearOnce) {
    TestBooks b;
    std::vector<Bereiche> gemeldet;
    QObject::connect(&b.dm->melder(), &Aenderungsmelder::geaendert, [&](Bereiche x) { gemeldet.push_back(x); });
    ScriptedInteraction ui;
    ui.input("Muster").input("2024");
    b.dm->InitiiereMandant(ui);
    EXPECT_EQ((std::vector<Bereiche>{AlleBereiche}), gemeldet);
}

TEST(ChangeNotifier, RefusedAndFailedWritesReportNothing) {
    Books b;
    EXPECT_THROW(Buchungskreise::loeschen(*b.dm, 1), KassolError) << "a booked circle";
    Buchungsdaten ohneKreis = ausgabe();
    ohneKreis.bk.reset();
    EXPECT_THROW(b.buche(ohneKreis), KassolError);
    EXPECT_THROW(Buchungen::loeschen(*b.dm, 99), KassolError);

    b.db().exec("CREATE TRIGGER refuse BEFORE INSERT ON t_kontenbewegungen BEGIN SELECT RAISE(ABORT, 'Platte voll'); END");
    EXPECT_THROW(b.buche(ausgabe()), DbError);
    EXPECT_THROW((void)Buchungen::aendern(*b.dm, 1, ausgabe()), DbError);
    EXPECT_THROW((void)BuchungsImport::importiere(*b.dm, "Datum;Belegnummer;Text;Betrag;Steuersatz;Buchungskreis;Art;EU;Drittland;KFZ;Gebaeude\n"
                                                        "01.03.2024;;x;10;20;WA;A;;;;\n"),
                 KassolError);
    EXPECT_TRUE(b.gemeldet.empty());
    b.db().exec("DROP TRIGGER refuse");
    b.buche(ausgabe());
    EXPECT_EQ(std::vector<Bereiche>{B::Buchungen}, b.gemeldet) << "nothing of the failed writes is left over";
}

TEST(ChangeNotifier, SavepointsMergeIntoTheOuterTransactionAndARolledBackOneCountsNot) {
    Books b;
    Database& db = b.db();
    {
        auto outer = db.transaction();
        outer.markiere(B::Mandanten);
        {
            auto inner = db.transaction();
            inner.markiere(B::Buchungen);
        }
        {
            auto inner = db.transaction();
            inner.markiere(B::Stammdaten);
            inner.commit();
        }
        EXPECT_TRUE(b.gemeldet.empty()) << "nothing before the outermost commit";
        outer.commit();
    }
    EXPECT_EQ(std::vector<Bereiche>{B::Mandanten | B::Stammdaten}, b.gemeldet);
}

TEST(ChangeNotifier, AFailedCommitReportsNothingAndListenersSeeTheCommittedBooks) {
    Books b;
    Database& db = b.db();
    try {
        auto tx = db.transaction();
        // A movement of a booking that does not exist fails only at the commit.
        db.exec("PRAGMA defer_foreign_keys = ON");
        db.exec("INSERT INTO t_kontenbewegungen (mandant, id, Buchungen_id, Konten_Nr, St_Betrag) VALUES (5, 50, 999, 1020, 1)");
        tx.markiere(B::Stammdaten);
        tx.commit();
        ADD_FAILURE() << "the commit went through";
    } catch (const DbError&) {
    }
    EXPECT_TRUE(b.gemeldet.empty());

    bool autocommit = false;
    int bookings = 0;
    QObject::connect(&b.dm->melder(), &Aenderungsmelder::geaendert, [&] {
        autocommit = sqlite3_get_autocommit(db.handle()) != 0;
        bookings = b.count("T_Buchungen");
    });
    b.buche(ausgabe());
    EXPECT_EQ(std::vector<Bereiche>{B::Buchungen}, b.gemeldet) << "the failed commit's marks are gone";
    EXPECT_TRUE(autocommit) << "the listener may start a write of its own";
    EXPECT_EQ(2, bookings);
}
