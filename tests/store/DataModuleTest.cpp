#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(DataModule, FallbacksWithoutAnActiveClient) {
    TestBooks books;
    books.addClient(5, "Inaktiv", false, 2020, 1);
    EXPECT_EQ(-1, books.dm->gibAktiverMandant());
    EXPECT_EQ(-1, books.dm->gibZeitraum());
    EXPECT_EQ(2024, books.dm->gibJahr()) << "today's year";
    EXPECT_FALSE(books.dm->gibSteuerDE());
    EXPECT_EQ("", books.dm->gibMandantBezeichnung(77).toStdString());
    EXPECT_EQ("Inaktiv", books.dm->gibMandantBezeichnung(5).toStdString());
}

TEST(DataModule, ContextOfTheActiveClient) {
    TestBooks books;
    books.addClient(5, "Fünf", false, 2020, 1);
    books.addClient(6, "Sechs", true, 2023, 2);
    EXPECT_EQ(6, books.dm->gibAktiverMandant());
    EXPECT_EQ(2, books.dm->gibZeitraum());
    EXPECT_EQ(2023, books.dm->gibJahr());
    books.db().exec("UPDATE T_Stammdaten SET SteuerDE = 1 WHERE mandant = 6");
    EXPECT_TRUE(books.dm->gibSteuerDE());

    books.dm->setzeAktiverMandant(5);
    EXPECT_EQ(5, books.dm->gibAktiverMandant());
    EXPECT_EQ(2020, books.dm->gibJahr());
    EXPECT_FALSE(books.dm->gibSteuerDE()) << "an empty SteuerDE counts as false";
    EXPECT_EQ(1, books.count("T_Mandant", "aktiv = 1"));

    books.dm->setzeAktiverMandant(999);
    EXPECT_EQ(-1, books.dm->gibAktiverMandant()) << "an unknown number leaves no client active";
}

TEST(DataModule, ClientWithoutSettingsOrWithAnUnknownYear) {
    TestBooks books;
    books.addClient(5, "Ohne Jahr", true, 0, 0);
    EXPECT_EQ(-1, books.dm->gibZeitraum());
    EXPECT_EQ(2024, books.dm->gibJahr());
    books.db().exec("INSERT INTO T_Einstellungen (mandant, ZeitraumNummer) VALUES (5, 42)");
    EXPECT_EQ(42, books.dm->gibZeitraum());
    EXPECT_EQ(2024, books.dm->gibJahr()) << "no such fiscal year: today's year";
    books.db().exec("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (5, 42, NULL)");
    EXPECT_EQ(2024, books.dm->gibJahr()) << "an empty year: today's year";
}

TEST(DataModule, FiltersLimitMasterDataAndCirclesToOneClient) {
    TestBooks books;
    books.addClient(5, "A", true, 2024, 1);
    books.addClient(6, "B", false, 2024, 2);
    books.addCircle(5, 1, "Waren", "WA");
    books.addCircle(6, 2, "Miete", "MI");
    books.dm->StammdatenFilterSetzen(6);
    ASSERT_EQ(1, books.dm->Table_Stammdaten.recordCount());
    EXPECT_EQ(6, books.dm->Table_Stammdaten.fieldInt("mandant"));
    books.dm->BuchungskreisFiltern(5);
    ASSERT_EQ(1, books.dm->ADO_BK.recordCount());
    EXPECT_EQ("Waren", books.dm->ADO_BK.fieldText("BKName").toStdString());
    books.dm->StammdatenFilterSetzen(-1);
    EXPECT_EQ(0, books.dm->Table_Stammdaten.recordCount());
}

TEST(DataModule, ListQueriesShowNewestFirstAndOnlyBookingsWithTheirCircle) {
    TestBooks books;
    books.addClient(5, "A", true, 2024, 1);
    books.addCircle(5, 1, "Waren", "WA");
    books.addBooking(5, 1, 1, QDate(2024, 1, 10), 1, "120", 20, 1);
    books.addBooking(5, 2, 1, QDate(2024, 2, 1), 2, "55", 10, 1);
    books.addBooking(5, 3, 1, QDate(2024, 2, 1), 3, "10", 0, 1, 2);
    DataSet& ein = books.dm->Query_Ein;
    ein.setParam("Zeitraum", 1);
    ein.setParam("mandant", 5);
    ein.open();
    ASSERT_EQ(2, ein.recordCount());
    EXPECT_EQ(2, ein.fieldInt("Buchungsid"));
    EXPECT_NEAR(5.0, ein.field("Ust").toDouble(), 1e-9);
    ein.next();
    EXPECT_NEAR(20.0, ein.field("Ust").toDouble(), 1e-9);
    EXPECT_EQ("WA", ein.fieldText("BKKurz").toStdString());
}
