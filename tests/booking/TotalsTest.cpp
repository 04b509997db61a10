#include "booking/Bookings.h"
#include "booking/Totals.h"
#include "store/Nebenverbindung.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {
Buchungsdaten d(const char* betrag, int satz, int einnahme, int eu = 2, int dritt = 2) {
    Buchungsdaten x = testBuchung(QDate(2024, 5, 1), betrag, satz, einnahme);
    x.istEU = jaNeinAus(eu);
    x.istDrittland = jaNeinAus(dritt);
    return x;
}
QString cents(Currency c) { return c.toPlainString(); }
} // namespace

TEST(Totals, EmptyYearIsZeroEverywhere) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2024, 1);
    const Summen s = berechneSummen(*b.dm);
    EXPECT_EQ(Currency(), s.einnahmen);
    EXPECT_EQ(Currency(), s.vst);
    EXPECT_EQ(2024, s.jahr.value());
    EXPECT_EQ("Muster", s.mandantBezeichnung.toStdString());
}

TEST(Totals, SumsOfTheYearAndOnlyOfIt) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2024, 1);
    b.addCircle(5, 1, "Waren", "WA");
    b.buche(d("120", 20, 1));
    b.buche(d("55", 10, 1));
    b.buche(d("230", 0, 2, 2, 1));
    b.buche(d("1000", 20, 2, 1));
    b.buche(d("110", 10, 2));
    // Another year of the same client and another client never count.
    b.db().exec("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (5, 2, 2023)");
    b.addBooking(5, 100, 2, QDate(2023, 1, 1), 1, "999", 20, 1);
    b.addMovement(5, 100, 100, 1020, "166,5");
    b.addClient(6, "Andere", false, 2024, 3);
    b.addCircle(6, 2, "Waren", "WA");
    b.addBooking(6, 101, 3, QDate(2024, 1, 1), 1, "777", 20, 2, 2);
    b.addMovement(6, 101, 101, 2020, "129,5");

    const Summen s = berechneSummen(*b.dm);
    EXPECT_EQ("175.00", cents(s.einnahmen).toStdString());
    EXPECT_EQ("25.00", cents(s.ust).toStdString());
    EXPECT_EQ("1110.00", cents(s.ausgaben).toStdString()) << "the import's amount is no gross amount";
    EXPECT_EQ("640.00", cents(s.vst).toStdString()) << "230 import VAT + 200 + 200 intra-community + 10";
}

TEST(Totals, AfterTheActiveClientChangesTheyAreTheNewClients) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2024, 1);
    b.addCircle(5, 1, "Waren", "WA");
    b.buche(d("120", 20, 1));
    b.addClient(6, "Andere", false, 2025, 2);
    b.dm->setzeAktiverMandant(6);
    const Summen s = berechneSummen(*b.dm);
    EXPECT_EQ("Andere", s.mandantBezeichnung.toStdString());
    EXPECT_EQ(2025, s.jahr.value());
    EXPECT_EQ(Currency(), s.einnahmen);
}

TEST(Totals, AnUnknownFiscalYearLeavesTheYearEmptyAndTheFiguresRight) {
    TestBooks b;
    b.addClient(5, "Muster", true, 0, 0);
    b.db().exec("INSERT INTO T_Einstellungen (mandant, ZeitraumNummer) VALUES (5, 9)");
    const Summen s = berechneSummen(*b.dm);
    EXPECT_FALSE(s.jahr.has_value());
    EXPECT_EQ(Currency(), s.ust);
}

TEST(Totals, SumsBeyondTheRangeOfOlderBooksFailInGerman) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2024, 1);
    b.addCircle(5, 1, "Waren", "WA");
    // Rows from before the per-booking limit: ten of 99,999,999,999,999 euros.
    for (int i = 1; i <= 10; ++i)
        b.addBooking(5, i, 1, QDate(2024, 1, i), i, "99999999999999", 0, 1);
    try {
        (void)berechneSummen(*b.dm);
        ADD_FAILURE() << "no overflow reported";
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Die Summe der Beträge ist zu groß"))) << e.message().toStdString();
        EXPECT_FALSE(e.message().contains(QStringLiteral("SELECT")));
    }
}

namespace {
// The four statements the totals are defined by, run as they stand.
Currency documented(TestBooks& b, const char* sql, int einnahme, int zeitraum, int mandant) {
    const auto v = b.db().scalar(QString::fromLatin1(sql), {{QStringLiteral(":e"), einnahme}, {QStringLiteral(":z"), zeitraum}, {QStringLiteral(":m"), mandant}});
    return v && !v->isNull() ? Currency::fromUnits(v->toLongLong()) : Currency();
}
const char* const Brutto = "SELECT Sum(T_Buchungen.Betrag) FROM T_Buchungen GROUP BY T_Buchungen.IstEinnahme, T_Buchungen.Wirtschaftsjahr, "
                           "T_Buchungen.IstDrittland, T_Buchungen.mandant HAVING (((T_Buchungen.IstEinnahme)=:e) AND "
                           "((T_Buchungen.Wirtschaftsjahr)=:z) AND ((T_Buchungen.IstDrittland)=2) AND ((T_Buchungen.mandant)=:m))";
const char* const Steuer = "SELECT Sum(t_kontenbewegungen.St_Betrag) FROM T_Buchungen INNER JOIN t_kontenbewegungen ON "
                           "(t_kontenbewegungen.mandant = T_Buchungen.mandant) AND (T_Buchungen.ID = t_kontenbewegungen.Buchungen_id) "
                           "WHERE (((T_Buchungen.IstEinnahme)=:e) AND ((T_Buchungen.Wirtschaftsjahr)=:z) AND ((T_Buchungen.mandant)=:m))";
} // namespace

// Odd rows included (no amount, flags outside 1 and 2, movements without amount or of bookings of
// other years and clients with the same ids), the figures are the statements' to the unit, with
// the ids of a year close together and scattered far apart.
TEST(Totals, FiguresAreThoseOfTheStatementsOnMixedBooks) {
    for (const int abstand : {1, 977}) {
        TestBooks b;
        b.addClient(5, "Muster", true, 2024, 1);
        b.db().exec("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (5, 2, 2023)");
        b.addClient(6, "Andere", false, 2024, 3);
        auto tx = b.db().transaction();
        unsigned zufall = 12345;
        const auto naechste = [&zufall](unsigned n) {
            zufall = zufall * 1103515245u + 12345u;
            return (zufall >> 8) % n;
        };
        const char* const flags[] = {"1", "2", "2", "0", "NULL"};
        int bewegung = 1;
        int zaehler[7] = {};
        for (int i = 1; i <= 3000; ++i) {
            const int mandant = naechste(10) == 0 ? 6 : 5;
            const int zeitraum = mandant == 6 ? 3 : (naechste(4) == 0 ? 2 : 1);
            // Both clients number their bookings from 1, so their ids meet.
            const int id = ++zaehler[mandant] * abstand;
            const QString betrag = naechste(50) == 0 ? QStringLiteral("NULL") : QString::number(naechste(100000000) - 1000000);
            // Voucher numbers in order, some missing, a few far out (the year is read in halves by them).
            const unsigned nummerArt = naechste(40);
            const QString nummer = nummerArt == 0 ? QStringLiteral("NULL") : QString::number(nummerArt == 1 ? 900000 + i : i);
            b.db().exec(QStringLiteral("INSERT INTO T_Buchungen (mandant, ID, Wirtschaftsjahr, Buchungsdatum, Betrag, IstEinnahme, "
                                       "IstDrittland, Belegnummer) VALUES (%1, %2, %3, '2024-01-01', %4, %5, %6, %7)")
                            .arg(mandant)
                            .arg(id)
                            .arg(zeitraum)
                            .arg(betrag, QString::fromLatin1(flags[naechste(5)]), QString::fromLatin1(flags[naechste(5)]), nummer));
            for (unsigned m = naechste(3); m > 0; --m) {
                const QString steuer = naechste(40) == 0 ? QStringLiteral("NULL") : QString::number(naechste(2000000));
                b.db().exec(QStringLiteral("INSERT INTO t_kontenbewegungen VALUES (%1, %2, %3, 1020, %4)")
                                .arg(mandant)
                                .arg(bewegung++)
                                .arg(id)
                                .arg(steuer));
            }
        }
        tx.commit();
        for (const auto& [zeitraum, mandant] : {std::pair{1, 5}, std::pair{2, 5}, std::pair{3, 6}, std::pair{9, 5}}) {
            const Summen s = berechneSummen(*b.dm, zeitraum, mandant);
            EXPECT_EQ(documented(b, Brutto, 1, zeitraum, mandant), s.einnahmen) << abstand << " " << zeitraum;
            EXPECT_EQ(documented(b, Brutto, 2, zeitraum, mandant), s.ausgaben) << abstand << " " << zeitraum;
            EXPECT_EQ(documented(b, Steuer, 1, zeitraum, mandant), s.ust) << abstand << " " << zeitraum;
            EXPECT_EQ(documented(b, Steuer, 2, zeitraum, mandant), s.vst) << abstand << " " << zeitraum;
        }
        EXPECT_NE(Currency(), berechneSummen(*b.dm, 1, 5).ust) << "the books have figures to compare";
        EXPECT_NE(nullptr, b.db().nebenverbindung()) << "the year was read on two connections";
        // Within a transaction of its own, the totals are those the connection sees, uncommitted rows included.
        auto offen = b.db().transaction();
        b.db().exec("INSERT INTO T_Buchungen (mandant, ID, Wirtschaftsjahr, Buchungsdatum, Betrag, IstEinnahme, IstDrittland, "
                    "Belegnummer) VALUES (5, 999999, 1, '2024-01-01', 70000, 1, 2, 5)");
        b.db().exec("INSERT INTO t_kontenbewegungen VALUES (5, 999999, 999999, 1020, 12345)");
        const Summen s = berechneSummen(*b.dm, 1, 5);
        EXPECT_EQ(documented(b, Brutto, 1, 1, 5), s.einnahmen);
        EXPECT_EQ(documented(b, Steuer, 1, 1, 5), s.ust);
    }
}

TEST(Totals, FiguresReadAheadCountOnlyWhileNothingHasBeenWrittenSince) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2024, 1);
    b.addCircle(5, 1, "Waren", "WA");
    b.buche(d("120", 20, 1));
    summenVorbereiten(*b.dm);
    EXPECT_EQ("120.00", cents(berechneSummen(*b.dm).einnahmen).toStdString());
    // A booking of this program after the figures were read ahead.
    const auto gelesen = [&b] { b.db().nebenverbindung()->warteAufHintergrund(); };
    summenVorbereiten(*b.dm);
    gelesen();
    b.buche(d("55", 10, 1));
    EXPECT_EQ("175.00", cents(berechneSummen(*b.dm).einnahmen).toStdString());
    // One of another program.
    summenVorbereiten(*b.dm);
    gelesen();
    {
        Database andere;
        andere.open(b.db().file());
        andere.exec("INSERT INTO T_Buchungen (mandant, ID, Wirtschaftsjahr, Buchungsdatum, Betrag, IstEinnahme, IstDrittland, "
                    "Belegnummer, BK) VALUES (5, 900, 1, '2024-02-01', 100000, 1, 2, 99, 1)");
    }
    EXPECT_EQ("185.00", cents(berechneSummen(*b.dm).einnahmen).toStdString());
    // Figures read ahead for one client are never those of another.
    b.addClient(6, "Andere", false, 2024, 3);
    summenVorbereiten(*b.dm);
    EXPECT_EQ(Currency(), berechneSummen(*b.dm, 3, 6).einnahmen);
    // Closing the books while the second connection still reads waits for it.
    summenVorbereiten(*b.dm);
    b.dm->closeConnection();
}
