#include "booking/Bookings.h"
#include "booking/Totals.h"
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
