#include "booking/Bookings.h"
#include "store/DbError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct Books : TestBooks {
    Books() {
        addClient(5, "Muster", true, 2024, 1);
        addCircle(5, 1, "Waren", "WA");
        addClient(6, "Andere", false, 2024, 2);
        addCircle(6, 2, "Fremd", "FR");
    }
    static Buchungsdaten daten(const char* betrag, int satz, int einnahme = 1) {
        return testBuchung(QDate(2024, 2, 1), betrag, satz, einnahme);
    }
};

std::vector<std::pair<int, qint64>> movements(TestBooks& b) {
    std::vector<std::pair<int, qint64>> rows;
    QSqlQuery q = b.db().query("SELECT Konten_Nr, St_Betrag FROM t_kontenbewegungen ORDER BY id");
    while (q.next())
        rows.push_back({q.value(0).toInt(), q.value(1).toLongLong()});
    return rows;
}

} // namespace

TEST(Bookings, NewBookingGetsNextIdsAndItsMovementsInOrder) {
    Books b;
    b.addBooking(6, 41, 2, QDate(2024, 1, 1), 1, "1", 0, 2);
    b.addMovement(6, 77, 41, 1000, "0");
    Buchungsdaten eu = Books::daten("1000", 20, 2);
    eu.istEU = 1;
    const GebuchteBuchung g = Buchungen::buchen(*b.dm, eu);
    EXPECT_EQ(42, g.id) << "ids count across clients";
    EXPECT_EQ(1, g.belegnummer);
    ASSERT_EQ(2u, g.bewegungen.size());
    EXPECT_EQ(78, g.bewegungen[0].id);
    EXPECT_EQ(1021, g.bewegungen[0].bewegung.konto);
    EXPECT_EQ(79, g.bewegungen[1].id) << "the second movement takes the next id";
    EXPECT_EQ(2021, g.bewegungen[1].bewegung.konto);
    EXPECT_EQ(2000000, g.bewegungen[1].bewegung.betrag.units());
    EXPECT_EQ(1, b.count("T_Buchungen", "mandant = 5 AND Wirtschaftsjahr = 1 AND IstEU = 1 AND IstKFZ = 2 AND Betrag = 10000000"));
}

TEST(Bookings, ChangeRepostsExactlyTheNewStateAndDeleteLeavesNothing) {
    Books b;
    Buchungsdaten d = Books::daten("1000", 20, 2);
    d.istEU = 1;
    const int id = Buchungen::buchen(*b.dm, d).id;
    Buchungen::buchen(*b.dm, Books::daten("55", 10));
    d.istEU = 2;
    d.betrag = Currency::parse("240");
    d.istKFZ = 1;
    const GebuchteBuchung g = Buchungen::aendern(*b.dm, id, d);
    ASSERT_EQ(1u, g.bewegungen.size());
    EXPECT_EQ((std::vector<std::pair<int, qint64>>{{1010, 50000}, {2020, 400000}}), movements(b));
    EXPECT_EQ(1, b.count("T_Buchungen", "ID = " + QString::number(id) + " AND IstKFZ = 1 AND IstEU = 2"));

    Buchungen::loeschen(*b.dm, id);
    EXPECT_EQ(0, b.count("T_Buchungen", "ID = " + QString::number(id)));
    EXPECT_EQ((std::vector<std::pair<int, qint64>>{{1010, 50000}}), movements(b));
    EXPECT_THROW(Buchungen::loeschen(*b.dm, id), KassolError) << "an unknown id";
}

TEST(Bookings, AFailureWhilePostingLeavesTheBooksAsTheyWere) {
    Books b;
    Buchungen::buchen(*b.dm, Books::daten("120", 20));
    b.db().exec("CREATE TRIGGER refuse BEFORE INSERT ON t_kontenbewegungen WHEN NEW.Konten_Nr = 2021 "
                "BEGIN SELECT RAISE(ABORT, 'Platte voll'); END");
    Buchungsdaten eu = Books::daten("1000", 20, 2);
    eu.istEU = 1;
    EXPECT_THROW(Buchungen::buchen(*b.dm, eu), DbError);
    EXPECT_EQ(1, b.count("T_Buchungen"));
    EXPECT_EQ(1, b.count("t_kontenbewegungen"));

    Buchungsdaten changed = Books::daten("1000", 20, 2);
    changed.istEU = 1;
    EXPECT_THROW(Buchungen::aendern(*b.dm, 1, changed), DbError);
    EXPECT_EQ(1, b.count("T_Buchungen", "IstEinnahme = 1 AND Betrag = 1200000"));
    EXPECT_EQ(1, b.count("t_kontenbewegungen", "Konten_Nr = 1020 AND St_Betrag = 200000"));
    ASSERT_EQ(1, b.dm->ADO_Buchungen.recordCount());
    EXPECT_EQ(1, b.dm->ADO_Buchungen.fieldInt("IstEinnahme")) << "the data set shows the booking as it was kept";
}

TEST(Bookings, BadValuesAreRefusedAndNothingIsWritten) {
    Books b;
    const auto with = [](auto change) {
        Buchungsdaten d = Books::daten("10", 20, 2);
        change(d);
        return d;
    };
    const struct {
        Buchungsdaten daten;
        const char* says;
    } cases[] = {
        {with([](Buchungsdaten& d) { d.betrag.reset(); }), "Betrag"},
        {with([](Buchungsdaten& d) { d.bk.reset(); }), "Buchungskreis angeben"},
        {with([](Buchungsdaten& d) { d.bk = 2; }), "gehört nicht zum aktiven Mandanten"},
        {with([](Buchungsdaten& d) { d.bk = 99; }), "gehört nicht zum aktiven Mandanten"},
        {with([](Buchungsdaten& d) { d.text = QString(101, 'x'); }), "höchstens 100 Zeichen"},
        {with([](Buchungsdaten& d) { d.datum = QDate(2023, 12, 31); }), "nicht im Wirtschaftsjahr 2024"},
        {with([](Buchungsdaten& d) { d.steuersatz = -100; }), "Steuersatz"},
        {with([](Buchungsdaten& d) { d.istEinnahme = 1; d.istKFZ = 1; }), "nur bei Ausgaben"},
        {with([](Buchungsdaten& d) { d.istEU = 1; d.istDrittland = 1; }), "zugleich innergemeinschaftlich"},
        {with([](Buchungsdaten& d) { d.istDrittland = 1; d.istGebaeude = 1; }), "schließen KFZ und Gebäude aus"},
        {with([](Buchungsdaten& d) { d.istKFZ = 1; d.istGebaeude = 1; }), "zugleich KFZ und Gebäude"},
    };
    for (const auto& c : cases) {
        try {
            Buchungen::buchen(*b.dm, c.daten);
            ADD_FAILURE() << c.says;
        } catch (const KassolError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says))) << e.message().toStdString();
        }
    }
    EXPECT_EQ(0, b.count("T_Buchungen"));
    Buchungsdaten odd = Books::daten("119", 25);
    EXPECT_NO_THROW(Buchungen::buchen(*b.dm, odd)) << "a rate outside the offered list is booked like any other";
    EXPECT_EQ(1, b.count("t_kontenbewegungen", "Konten_Nr = 1025 AND St_Betrag = 238000"));
}

TEST(Bookings, VoucherNumbersCountOnFromTheHighestGivenByHand) {
    Books b;
    Buchungsdaten d = Books::daten("1", 0);
    d.belegnummer = 7;
    Buchungen::buchen(*b.dm, d);
    EXPECT_EQ(8, Buchungen::buchen(*b.dm, Books::daten("1", 0, 2)).belegnummer);
}
