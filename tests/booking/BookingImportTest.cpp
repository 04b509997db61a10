#include "booking/BookingImport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {
const QByteArray Kopf = "Datum;Belegnummer;Text;Betrag;Steuersatz;Buchungskreis;Art;EU;Drittland;KFZ;Gebaeude\r\n";

struct Books : TestBooks {
    Books() {
        addClient(5, "Muster", true, 2024, 1);
        addCircle(5, 1, "Waren", "WA");
        addCircle(5, 2, "Miete", "MI");
        addClient(6, "Andere", false, 2024, 2);
        addCircle(6, 3, "Fremd", "FR");
    }
};
} // namespace

TEST(BookingImport, BooksEveryLineWithItsMovements) {
    Books b;
    b.addBooking(5, 10, 1, QDate(2024, 1, 1), 4, "1", 0, 1);
    const QByteArray csv = "\xEF\xBB\xBF" + Kopf +
                           "01.02.2024;;\"Miete; Februar\";1.200,00;20;MI;A;;;nein;ja\r\n"
                           "02.02.2024;100;Verkauf ÄÖÜ;50,5;10;wa;E;;;;\n"
                           "\n"
                           "03.02.2024;;EU-Einkauf;1000;20;MI;A;ja;nein;;\n";
    const ImportErgebnis e = BuchungsImport::importiere(*b.dm, csv);
    EXPECT_EQ(3, e.buchungen);
    EXPECT_EQ(4, e.bewegungen);
    EXPECT_EQ(1, b.count("T_Buchungen", "ID = 11 AND Belegnummer = 5 AND Text = 'Miete; Februar' AND Betrag = 12000000 AND IstGebaeude = 1 AND BK = 2"));
    EXPECT_EQ(1, b.count("T_Buchungen", "ID = 12 AND Belegnummer = 100 AND Text = 'Verkauf ÄÖÜ' AND IstEinnahme = 1 AND BK = 1"));
    EXPECT_EQ(1, b.count("T_Buchungen", "ID = 13 AND Belegnummer = 101 AND IstEU = 1 AND Buchungsdatum = '2024-02-03'"));
    EXPECT_EQ(1, b.count("t_kontenbewegungen", "Buchungen_id = 12 AND Konten_Nr = 1010 AND St_Betrag = 45900"));
    EXPECT_EQ(2, b.count("t_kontenbewegungen", "Buchungen_id = 13 AND St_Betrag = 2000000"));
}

TEST(BookingImport, OneBadLineImportsNothingAndNamesItsLine) {
    const struct {
        QByteArray line;
        const char* says;
    } cases[] = {
        {"31.02.2024;;x;1;20;WA;A;;;;", "kein gültiges Datum"},
        {"01.02.2023;;x;1;20;WA;A;;;;", "nicht im Wirtschaftsjahr 2024"},
        {"01.02.2024;;x;abc;20;WA;A;;;;", "kein gültiger Betrag"},
        {"01.02.2024;;x;1;7,5;WA;A;;;;", "kein gültiger Steuersatz"},
        {"01.02.2024;;x;1;20;FR;A;;;;", "nicht angelegt"},
        {"01.02.2024;;x;1;20;WA;X;;;;", "Spalte Art"},
        {"01.02.2024;;x;1;20;WA;E;ja;;;", "nur bei Ausgaben"},
        {"01.02.2024;;x;1;20;WA;A;ja;ja;;", "zugleich innergemeinschaftlich"},
        {"01.02.2024;;x;1;20;WA;A;;;vielleicht;", "Spalte KFZ"},
        {"01.02.2024;;x;1;20;WA;A;;;", "Spalten"},
    };
    for (const auto& c : cases) {
        Books b;
        const QByteArray csv = Kopf + "01.02.2024;;gut;10;20;WA;E;;;;\r\n" + c.line + "\r\n";
        try {
            BuchungsImport::importiere(*b.dm, csv);
            ADD_FAILURE() << c.says;
        } catch (const KassolError& e) {
            EXPECT_TRUE(e.message().startsWith("Zeile 3:")) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says))) << e.message().toStdString();
        }
        EXPECT_EQ(0, b.count("T_Buchungen")) << c.says;
    }
}

TEST(BookingImport, NoVoucherNumberIsCountedOnPastTheLargestOne) {
    Books b;
    const QByteArray csv = Kopf + "01.02.2024;2147483647;x;1;20;WA;A;;;;\r\n01.02.2024;;y;1;20;WA;A;;;;\r\n";
    try {
        BuchungsImport::importiere(*b.dm, csv);
        ADD_FAILURE() << "imported";
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().startsWith("Zeile 3: Die nächste Belegnummer")) << e.message().toStdString();
    }
    EXPECT_EQ(0, b.count("T_Buchungen"));
}

TEST(BookingImport, AWrongHeaderOrAnEmptyFileIsRefused) {
    Books b;
    EXPECT_THROW(BuchungsImport::importiere(*b.dm, "Datum;Betrag\n01.02.2024;1\n"), KassolError);
    EXPECT_THROW(BuchungsImport::importiere(*b.dm, ""), KassolError);
    EXPECT_EQ(0, BuchungsImport::importiere(*b.dm, Kopf).buchungen);
}

TEST(BookingImport, ALargeImportThatFailsKeepsTheIndexesAndWritesNothing) {
    Books b;
    QByteArray csv = Kopf;
    for (int i = 0; i < 1200; ++i)
        csv += QByteArray("01.03.2024;;Zeile;10;") + (i == 1100 ? "13" : "20") + ";WA;E;;;;\n";
    const int indexes = b.db().scalar("SELECT count(*) FROM sqlite_master WHERE type = 'index'")->toInt();
    b.db().exec("CREATE TRIGGER refuse BEFORE INSERT ON t_kontenbewegungen WHEN NEW.Konten_Nr = 1013 "
                "BEGIN SELECT RAISE(ABORT, 'Platte voll'); END");
    EXPECT_THROW(BuchungsImport::importiere(*b.dm, csv), KassolError);
    EXPECT_EQ(0, b.count("T_Buchungen"));
    EXPECT_EQ(indexes, b.db().scalar("SELECT count(*) FROM sqlite_master WHERE type = 'index'")->toInt());
    b.db().exec("DROP TRIGGER refuse");
    EXPECT_EQ(1200, BuchungsImport::importiere(*b.dm, csv).buchungen);
    EXPECT_EQ(indexes, b.db().scalar("SELECT count(*) FROM sqlite_master WHERE type = 'index'")->toInt());
    EXPECT_EQ("ok", b.db().scalar("PRAGMA integrity_check")->toString().toStdString());
}
