#include "booking/Bookings.h"
#include "export/TaxOfficeExport.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

const QByteArray Kopf = "Buchungsdatum\tBelegnummer\tText\tBruttoBetrag\tSteuersatz\tVST\tUST\r\n";

struct Books : TestBooks {
    Books() {
        addClient(5, "Muster", true, 2024, 1);
        addCircle(5, 1, "Waren", "WA");
        // Another client and another year of the same client never appear.
        addClient(6, "Andere", false, 2024, 2);
        addCircle(6, 2, "Waren", "WA");
        addBooking(6, 90, 2, QDate(2024, 1, 5), 1, "50", 20, 2);
        addMovement(6, 90, 90, 1020, "8,33");
        db().exec("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (5, 3, 2023)");
        addBooking(5, 91, 3, QDate(2024, 1, 5), 1, "50", 20, 1);
        addMovement(5, 91, 91, 1020, "8,33");
    }
    void book(const QDate& datum, const char* betrag, int satz, int einnahme, int eu = 2, int dritt = 2, const QString& text = {}) {
        Buchungsdaten d = testBuchung(datum, betrag, satz, einnahme);
        d.istEU = jaNeinAus(eu);
        d.istDrittland = jaNeinAus(dritt);
        d.text = text;
        buche(d);
    }
    QByteArray file(int monat) { return FinanzamtExport::dateiinhalt(FinanzamtExport::lese(*dm, monat)); }
};

} // namespace

TEST(TaxOfficeExport, EmptyPeriodGivesTheHeaderLineAlone) {
    Books b;
    EXPECT_EQ(Kopf, b.file(12));
    b.book(QDate(2024, 2, 1), "10", 20, 1);
    EXPECT_EQ(Kopf, b.file(1));
}

TEST(TaxOfficeExport, LinesOfThePartsExamples) {
    Books b;
    b.book(QDate(2024, 3, 31), "120", 20, 2, 2, 2, "Büro");
    b.book(QDate(2024, 1, 10), "1000", 20, 2, 1, 2, QString::fromUtf8("EU-Einkauf €"));
    b.book(QDate(2024, 2, 1), "230", 0, 2, 2, 1);
    b.book(QDate(2024, 2, 2), "12,5", 0, 1, 2, 2, "a\u2713b");
    b.book(QDate(2024, 4, 1), "99", 20, 1);
    const QByteArray expected = Kopf +
                                "10.01.2024\t2\tEU-Einkauf \x80\t-1000\t20\t200\t200\r\n"
                                "10.01.2024\t2\tEU-Einkauf \x80\t-1000\t20\t200\t200\r\n"
                                "01.02.2024\t3\t\t0\t0\t230\t0\r\n"
                                "02.02.2024\t4\ta?b\t12,5\t0\t0\t0\r\n"
                                "31.03.2024\t1\tB\xFCro\t-120\t20\t20\t0\r\n";
    EXPECT_EQ(expected, b.file(3)) << "March ends on the 31st, inclusive; April stays out";
    EXPECT_TRUE(b.file(4).endsWith("01.04.2024\t5\t\t99\t20\t0\t16,5\r\n"));
}

TEST(TaxOfficeExport, ControlCharactersOfOlderBooksBecomeBlanksAndReplacedCharactersAreCounted) {
    Books b;
    // Rows written before texts were checked may hold a TAB or a line break.
    b.addBooking(5, 10, 1, QDate(2024, 1, 3), 1, "10", 0, 1, 1, 2, 2, 2, 2, QStringLiteral("Zeile\teins\r\nzwei"));
    b.addMovement(5, 10, 10, 1000, "0");
    b.addBooking(5, 11, 1, QDate(2024, 1, 4), 2, "10", 0, 1, 1, 2, 2, 2, 2, QString::fromUtf8("a\u2713b\U0001F600?"));
    b.addMovement(5, 11, 11, 1000, "0");
    int ersetzt = -1;
    const QByteArray file = FinanzamtExport::dateiinhalt(FinanzamtExport::lese(*b.dm, 1), {}, &ersetzt);
    EXPECT_EQ(Kopf + "03.01.2024\t1\tZeile eins  zwei\t10\t0\t0\t0\r\n"
                     "04.01.2024\t2\ta?b??\t10\t0\t0\t0\r\n",
              file);
    EXPECT_EQ(2, ersetzt) << "the check mark and the emoji; a question mark of the text is no replacement";
    EXPECT_TRUE(FinanzamtExport::ersetztHinweis(2).contains(QStringLiteral("2 Zeichen")));
    EXPECT_TRUE(FinanzamtExport::ersetztHinweis(0).isEmpty());
}

TEST(TaxOfficeExport, FileNamesEndInTXT) {
    const struct {
        const char* chosen;
        const char* written;
    } cases[] = {{"/x/bericht.csv", "/x/bericht.TXT"}, {"/x/bericht", "/x/bericht.TXT"}, {"/x/a.b.csv", "/x/a.b.TXT"},
                 {"/x/ordner.neu/bericht", "/x/ordner.neu/bericht.TXT"}, {"/x/bericht.txt", "/x/bericht.TXT"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.written, FinanzamtExport::txtDateiname(c.chosen).toStdString());
}

TEST(TaxOfficeExport, ReplacesAnExistingFileAndReportsAFailureWithoutTouchingIt) {
    Books b;
    b.book(QDate(2024, 1, 2), "10", 0, 1);
    const QString dir = b.folder.path();
    const QString path = FinanzamtExport::exportiere(*b.dm, 1, dir + "/bericht.csv");
    EXPECT_EQ(dir + "/bericht.TXT", path);
    FinanzamtExport::exportiere(*b.dm, 12, dir + "/bericht.csv");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(2, f.readAll().count("\r\n")) << "replaced, not appended";
    f.close();

    EXPECT_THROW(FinanzamtExport::exportiere(*b.dm, 12, dir + "/fehlt/bericht.csv"), KassolError);
    ASSERT_TRUE(QDir(dir).mkdir("besetzt.TXT"));
    try {
        FinanzamtExport::exportiere(*b.dm, 12, dir + "/besetzt.csv");
        FAIL();
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().contains("konnte nicht geschrieben werden")) << e.message().toStdString();
    }
    EXPECT_EQ(QStringList{"bericht.TXT"}, QDir(dir).entryList({"*.TXT"}, QDir::Files));

    EXPECT_EQ(dir + "/MX1.TXT", FinanzamtExport::ansichtsDateiname(dir));
    QFile(dir + "/MX1.TXT").open(QIODevice::WriteOnly);
    EXPECT_EQ(dir + "/MX2.TXT", FinanzamtExport::ansichtsDateiname(dir));
}
