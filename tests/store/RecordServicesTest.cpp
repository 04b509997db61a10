#include "store/DbError.h"
#include "support/ScriptedInteraction.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(RecordServices, NeueIdTakesTheLargestIdOfTheWholeTable) {
    TestBooks books;
    auto tx = books.db().transaction();
    EXPECT_EQ(1, books.dm->neueID("t_bkreis"));
    books.addCircle(7, 41, "X", "X");
    books.addCircle(8, 3, "Y", "Y");
    EXPECT_EQ(42, books.dm->neueID("t_bkreis")) << "whichever client owns that row";
    EXPECT_EQ(1, books.dm->neueID("t_gibtsnicht"));
}

TEST(RecordServices, NeueBelegnummerCountsIncomeAndExpenseOfTheCurrentYear) {
    TestBooks books;
    books.addClient(5, "A", true, 2024, 1);
    books.addClient(6, "B", false, 2024, 2);
    books.addCircle(5, 1, "Waren", "WA");
    books.addCircle(6, 2, "Waren", "WA");
    EXPECT_EQ(1, books.dm->neueBelegnummer());
    books.addBooking(5, 1, 1, QDate(2024, 1, 1), 7, "1", 0, 1, 1);
    books.addBooking(5, 2, 1, QDate(2024, 1, 1), 12, "1", 0, 1, 2);
    books.addBooking(6, 3, 2, QDate(2024, 1, 1), 99, "1", 0, 2, 1);
    books.db().exec("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (5, 3, 2023)");
    books.addBooking(5, 4, 3, QDate(2023, 1, 1), 50, "1", 0, 1, 1);
    EXPECT_EQ(13, books.dm->neueBelegnummer());
}

TEST(RecordServices, NeueMandantNummerComesFromTheClock) {
    TestBooks books;
    const QDateTime t(QDate(2024, 3, 15), QTime(10, 0, 0, 123));
    books.clock.set(t);
    auto tx = books.db().transaction();
    // Day number 738960 of the proleptic calendar (1 January 1 is day 1), at 10:00:00.123.
    const qint64 stamp = 738960LL * 86400000LL + 36000123LL;
    EXPECT_EQ(static_cast<int>(stamp % 1000000000LL), books.dm->neueMandantNummer());
    const int first = books.dm->neueMandantNummer();
    books.clock.set(t.addMSecs(1000000000LL));
    EXPECT_EQ(first, books.dm->neueMandantNummer()) << "repeats after a billion milliseconds";
    books.addClient(first, "Vorhanden", false, 0, 0);
    EXPECT_EQ(first + 1, books.dm->neueMandantNummer()) << "a taken number moves on to the next free one";
}

// A key read outside the transaction that writes it could be taken by another program meanwhile.
TEST(RecordServices, NewKeysAreOnlyHandedOutInsideAWriteTransaction) {
    TestBooks books;
    EXPECT_THROW((void)books.dm->neueID("T_Buchungen"), KassolError);
    EXPECT_THROW((void)books.dm->neueMandantNummer(), KassolError);
}

TEST(RecordServices, KeysAndAutomaticVoucherNumbersStayWithinTheirRange) {
    TestBooks books;
    books.addClient(5, "A", true, 2024, 1);
    books.addCircle(5, 1, "Waren", "WA");
    books.addBooking(5, 1, 1, QDate(2024, 1, 2), 2147483646, "12", 20, 1);
    const GebuchteBuchung letzte = Buchungen::buchen(*books.dm, testBuchung(QDate(2024, 1, 3), "10", 20, 1));
    EXPECT_EQ(2147483647, letzte.belegnummer);
    try {
        (void)Buchungen::buchen(*books.dm, testBuchung(QDate(2024, 1, 4), "10", 20, 1));
        FAIL() << "a voucher number beyond the largest was handed out";
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().contains("Belegnummer selbst an")) << e.message().toStdString();
    }
    EXPECT_EQ(2, books.count("T_Buchungen"));
    Buchungsdaten mitNummer = testBuchung(QDate(2024, 1, 4), "10", 20, 1);
    mitNummer.belegnummer = 17;
    EXPECT_EQ(17, Buchungen::buchen(*books.dm, mitNummer).belegnummer) << "a number given by hand is still taken";

    books.db().exec("UPDATE T_Buchungen SET ID = 2147483647 WHERE ID = 1");
    auto tx = books.db().transaction();
    EXPECT_THROW((void)books.dm->neueID("T_Buchungen"), KassolError);
}

TEST(RecordServices, LoescheMandantRemovesEveryRowOfThatClientOnly) {
    TestBooks books;
    for (int m : {5, 6}) {
        books.addClient(m, "M", m == 6, 2024, m);
        books.addCircle(m, m, "Waren", "WA");
        books.addBooking(m, m, m, QDate(2024, 1, 1), 1, "120", 20, m);
        books.addMovement(m, m, m, 1020, "20");
    }
    books.dm->loescheMandant(5);
    for (const char* t : {"t_kontenbewegungen", "T_Buchungen", "T_BKreis", "T_Zeitraum", "T_Einstellungen", "T_Stammdaten"}) {
        EXPECT_EQ(0, books.count(t, "mandant = 5")) << t;
        EXPECT_EQ(1, books.count(t, "mandant = 6")) << t;
    }
    EXPECT_EQ(0, books.count("T_Mandant", "id = 5"));
    EXPECT_EQ(1, books.count("T_Mandant", "id = 6"));
}

TEST(RecordServices, LoescheZeitraumRemovesTheYearWithItsBookingsAndMovementsOnly) {
    TestBooks books;
    books.addClient(5, "M", true, 2024, 1);
    books.db().exec("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (5, 2, 2023)");
    books.addCircle(5, 1, "Waren", "WA");
    books.addBooking(5, 1, 1, QDate(2024, 1, 1), 1, "120", 20, 1);
    books.addMovement(5, 1, 1, 1020, "20");
    books.addBooking(5, 2, 2, QDate(2023, 1, 1), 1, "1000", 20, 1, 2, 1);
    books.addMovement(5, 2, 2, 1021, "200");
    books.addMovement(5, 3, 2, 2021, "200");
    books.dm->loescheZeitraum(2);
    EXPECT_EQ(0, books.count("T_Zeitraum", "id = 2"));
    EXPECT_EQ(0, books.count("T_Buchungen", "Wirtschaftsjahr = 2"));
    EXPECT_EQ(1, books.count("t_kontenbewegungen"));
    EXPECT_EQ(1, books.count("T_Buchungen"));
    EXPECT_EQ(1, books.count("T_Einstellungen", "ZeitraumNummer = 1"));
}

TEST(RecordServices, AFailedDeletionLeavesEveryRowAndIsRaised) {
    TestBooks books;
    books.addClient(5, "M", false, 2024, 1);
    books.addCircle(5, 1, "Waren", "WA");
    books.addBooking(5, 1, 1, QDate(2024, 1, 1), 1, "120", 20, 1);
    // A trigger stands in for any failure of the last statement.
    books.db().exec("CREATE TRIGGER refuse BEFORE DELETE ON T_Mandant BEGIN SELECT RAISE(ABORT, 'gesperrt'); END");
    EXPECT_THROW(books.dm->loescheMandant(5), DbError);
    EXPECT_EQ(1, books.count("T_Buchungen"));
    EXPECT_EQ(1, books.count("T_BKreis"));
    EXPECT_EQ(1, books.count("T_Stammdaten"));
    books.db().exec("CREATE TRIGGER refuse2 BEFORE DELETE ON T_Zeitraum BEGIN SELECT RAISE(ABORT, 'gesperrt'); END");
    EXPECT_THROW(books.dm->loescheZeitraum(1), DbError);
    EXPECT_EQ(1, books.count("T_Buchungen"));
}

TEST(InitiiereMandant, EmptyDatabaseAsksForNameAndAFourDigitYear) {
    TestBooks books;
    ScriptedInteraction ui;
    ui.input("", true, "Neuer Mandant").input("Muster KG").input("abc", true, "Neues Wirtschaftsjahr").input("26").input("1066").input("2025");
    books.dm->InitiiereMandant(ui);
    EXPECT_TRUE(ui.finished());
    EXPECT_EQ(QStringList({"Geben sie bitte eine Mandantenbezeichnung an.", "Geben sie das Jahr bitte 4-stellig an!",
                           "Geben sie das Jahr bitte 4-stellig an!",
                           "Das Jahr 1066 ist kein gültiges Wirtschaftsjahr; erlaubt sind die Jahre 1900 bis 2100."}),
              ui.messages);
    EXPECT_EQ(QStringList({"Mandant 1", "Mandant 1", "2024", "abc", "26", "1066"}), ui.inputProposals)
        << "the year box comes back holding the refused text";
    EXPECT_EQ(1, books.count("T_Mandant", "aktiv = 1 AND Bezeichnung = 'Muster KG'"));
    EXPECT_EQ(1, books.count("T_Stammdaten"));
    EXPECT_EQ(1, books.count("T_Zeitraum", "id = 1 AND Jahr = 2025"));
    EXPECT_EQ(1, books.count("T_Einstellungen", "ZeitraumNummer = 1"));
    EXPECT_EQ(1, books.dm->Table_Stammdaten.recordCount());
}

TEST(InitiiereMandant, ACancelEndsTheAskingAndWritesNothing) {
    for (const bool atYear : {false, true}) {
        TestBooks books;
        ScriptedInteraction ui;
        if (atYear)
            ui.input("Muster KG").input("", false);
        else
            ui.input("", false);
        EXPECT_THROW(books.dm->InitiiereMandant(ui), InteractionAborted);
        EXPECT_TRUE(ui.finished());
        EXPECT_EQ(0, books.count("T_Mandant"));
        EXPECT_EQ(0, books.count("T_Stammdaten"));
        EXPECT_EQ(0, books.count("T_Zeitraum"));
    }
}

TEST(InitiiereMandant, ActiveClientWithYearAsksNothing) {
    TestBooks books;
    books.addClient(5, "A", true, 2024, 1);
    books.addClient(6, "B", false, 2024, 2);
    ScriptedInteraction ui;
    books.dm->InitiiereMandant(ui);
    EXPECT_TRUE(ui.inputProposals.isEmpty());
    ASSERT_EQ(1, books.dm->Table_Stammdaten.recordCount());
    EXPECT_EQ(5, books.dm->Table_Stammdaten.fieldInt("mandant"));
}

TEST(InitiiereMandant, ClientsButNoneActiveCreatesAFurtherActiveClient) {
    TestBooks books;
    books.addClient(5, "A", false, 2024, 1);
    ScriptedInteraction ui;
    ui.input("Neu").input("2025");
    books.dm->InitiiereMandant(ui);
    EXPECT_EQ(2, books.count("T_Mandant"));
    const int active = books.dm->gibAktiverMandant();
    EXPECT_NE(5, active);
    EXPECT_EQ("Neu", books.dm->gibMandantBezeichnung(active).toStdString());
    EXPECT_EQ(2025, books.dm->gibJahr());
    EXPECT_EQ(2, books.dm->gibZeitraum()) << "ids count across clients";
}
