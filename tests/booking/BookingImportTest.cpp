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
        {"01.02.2024;;x;1;25;WA;A;;;;", "kein Steuerkonto"},
        {"01.02.2024;;x;1;19;WA;A;;;;", "Kleinwalsertal"},
        {"01.02.2024;;x;1 000 000 000;20;WA;A;;;;", "höchstens 999.999.999,99"},
        {"01.02.2024;;x;5 0;20;WA;A;;;;", "kein gültiger Betrag"},
        {QByteArray("01.02.2024;;\"a\tb\";1;20;WA;A;;;;"), "Steuerzeichen"},
        {QByteArray("01.02.2024;;a\0b;1;20;WA;A;;;;", 29), "Steuerzeichen"},
        {"01.02.2024;;" + QString(101, QChar(0xE4)).toUtf8() + ";1;20;WA;A;;;;", "höchstens 100 Zeichen"},
        {"01.02.2024;;x\xC2\x85y;1;20;WA;A;;;;", "Steuerzeichen"},
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

TEST(BookingImport, AFileThatIsNoUtf8IsRefusedNotGarbled) {
    Books b;
    const QByteArray latin1 = Kopf + "01.02.2024;;M\xE4rz \xD6l;10;20;WA;E;;;;\r\n";
    try {
        BuchungsImport::importiere(*b.dm, latin1);
        ADD_FAILURE() << "imported";
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().contains("nicht in UTF-8")) << e.message().toStdString();
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

TEST(BookingImport, EveryFormOfAFieldIsReadAlike) {
    // Plain lines are read straight from their bytes, any other form the thorough way; both must
    // store the same.
    const struct {
        QByteArray line;
        const char* stored;  // Belegnummer|Text|Betrag|Steuersatz|BK|IstEinnahme|IstEU|IstKFZ
    } cases[] = {
        {"01.02.2024;7;Miete;1200,5;20;MI;A;;;;", "7|Miete|12005000|20|2|2|2|2"},
        {"01.02.2024; 7 ;Miete;1200,5;20;MI;A;;;;", "7|Miete|12005000|20|2|2|2|2"},
        {"01.02.2024;7;\"Miete\";1.200,50;20;mi;a;;;;", "7|Miete|12005000|20|2|2|2|2"},
        {"01.02.2024;7;\"Miete \"\"Mai\"\"\";1 200,50;20; MI ;A;;;;", "7|Miete \"Mai\"|12005000|20|2|2|2|2"},
        {"01.02.2024;7; Miete ;1.200;20;MI;A;;;;", "7| Miete |12000|20|2|2|2|2"},
        {"01.02.2024;7;Gebühr;12.345.678,1234;20;MI;A;JA;Nein;;", "7|Gebühr|123456781234|20|2|2|1|2"},
        {"01.02.2024;7;Kfz;0,5 €;20;WA;A;;;ja;", "7|Kfz|5000|20|1|2|2|1"},
        {"01.02.2024;007;x;+3;10;wa;E;nein;;;", "7|x|30000|10|1|1|2|2"},
        {" 01.02.2024 ;7;x;3;0;WA;e; ; ;;", "7|x|30000|0|1|1|2|2"},
    };
    for (const auto& c : cases) {
        Books b;
        BuchungsImport::importiere(*b.dm, Kopf + c.line + "\n");
        const QString stored =
            b.db().scalar("SELECT Belegnummer || '|' || Text || '|' || Betrag || '|' || Steuersatz || '|' || BK || '|' || "
                          "IstEinnahme || '|' || IstEU || '|' || IstKFZ FROM T_Buchungen WHERE Buchungsdatum = '2024-02-01'")
                ->toString();
        EXPECT_EQ(c.stored, stored.toStdString()) << c.line.constData();
    }
}

TEST(BookingImport, ALineTheDatabaseRefusesIsNamedInSmallAndLargeImports) {
    for (const int n : {20, 1500}) {
        Books b;
        QByteArray csv = Kopf;
        for (int i = 0; i < n; ++i)
            csv += QByteArray("0") + QByteArray::number(1 + i % 9) + ".03.2024;;Zeile " + QByteArray::number(i) + ";10;20;" +
                   (i % 3 ? "WA" : "MI") + ";E;;;;\n";
        const int indexes = b.db().scalar("SELECT count(*) FROM sqlite_master WHERE type = 'index'")->toInt();
        b.db().exec("CREATE TRIGGER refuse BEFORE INSERT ON T_Buchungen WHEN NEW.Text = 'Zeile 13' "
                    "BEGIN SELECT RAISE(ABORT, 'abgelehnt'); END");
        try {
            BuchungsImport::importiere(*b.dm, csv);
            ADD_FAILURE() << n;
        } catch (const KassolError& e) {
            // The header is line 1.
            EXPECT_TRUE(e.message().startsWith("Zeile 15: abgelehnt")) << e.message().toStdString();
        }
        EXPECT_EQ(0, b.count("T_Buchungen"));
        EXPECT_EQ(0, b.count("t_kontenbewegungen"));
        EXPECT_EQ(indexes, b.db().scalar("SELECT count(*) FROM sqlite_master WHERE type = 'index'")->toInt());
    }
}

TEST(BookingImport, ByteOrderMarksAndACharacterCutOffAtTheEnd) {
    {
        // One mark from the editor and one more are dropped at the start, one further on is text.
        Books b;
        EXPECT_EQ(1, BuchungsImport::importiere(*b.dm, "\xEF\xBB\xBF\xEF\xBB\xBF" + Kopf + "01.02.2024;;x;1;20;WA;A;;;;\n").buchungen);
        EXPECT_THROW(BuchungsImport::importiere(*b.dm, Kopf + "\xEF\xBB\xBF" "01.02.2024;;x;1;20;WA;A;;;;\n"), KassolError);
    }
    // A character cut off at the end of the file would lose its bytes without a word.
    Books b;
    try {
        BuchungsImport::importiere(*b.dm, Kopf + "01.02.2024;;x;1;20;WA;A;;;;\xC3");
        ADD_FAILURE() << "imported";
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().contains("nicht in UTF-8")) << e.message().toStdString();
    }
    EXPECT_EQ(0, b.count("T_Buchungen"));
}

TEST(BookingImport, ALargeFileNamesItsFirstBadLineAndKeepsTheLinesInOrder) {
    // Over a megabyte is read in two halves at once; line numbers and order must not show it.
    const auto datei = [](const std::vector<int>& schlecht) {
        QByteArray csv = Kopf;
        for (int i = 0; i < 30000; ++i) {
            const bool bad = std::find(schlecht.begin(), schlecht.end(), i) != schlecht.end();
            // Every 97th line has a form that is read the thorough way, its text kept beside the rows.
            csv += "05.03.2024;;Zeile " + QByteArray::number(i) + " mit etwas mehr Text;" + (bad ? "x" : "10,5") + (i % 97 ? ";20" : "; 20") +
                   ";WA;E;;;;\n";
        }
        return csv;
    };
    for (const auto& [schlecht, zeile] : std::vector<std::pair<std::vector<int>, const char*>>{
             {{29000}, "Zeile 29002:"}, {{100, 29000}, "Zeile 102:"}, {{15100, 29000}, "Zeile 15102:"}}) {
        Books b;
        try {
            BuchungsImport::importiere(*b.dm, datei(schlecht));
            ADD_FAILURE() << zeile;
        } catch (const KassolError& e) {
            EXPECT_TRUE(e.message().startsWith(zeile)) << e.message().toStdString();
        }
        EXPECT_EQ(0, b.count("T_Buchungen"));
    }
    Books b;
    EXPECT_EQ(30000, BuchungsImport::importiere(*b.dm, datei({})).buchungen);
    // Keys, voucher numbers and texts follow the lines.
    EXPECT_EQ(30000, b.count("T_Buchungen", "Belegnummer = ID AND Text = 'Zeile ' || (ID - 1) || ' mit etwas mehr Text'"));
    EXPECT_EQ(30000, b.count("t_kontenbewegungen", "St_Betrag = 17500 AND Buchungen_id = id"));
}

TEST(BookingImport, TextsUpToTheLimitAndKeysUpToTheirRange) {
    Books b;
    // A hundred characters are allowed, counted as characters, not as bytes.
    EXPECT_EQ(1, BuchungsImport::importiere(*b.dm, Kopf + "01.02.2024;;" + QString(100, QChar(0xE4)).toUtf8() + ";1;20;WA;A;;;;\n").buchungen);
    EXPECT_EQ(1, b.count("T_Buchungen", "length(Text) = 100"));
    // Keys beyond the 32-bit range of the columns are refused before anything is written.
    b.addBooking(5, 2147483000, 1, QDate(2024, 1, 1), 4, "1", 0, 1);
    QByteArray csv = Kopf;
    for (int i = 0; i < 1000; ++i)
        csv += "01.02.2024;;x;1;20;WA;A;;;;\n";
    try {
        BuchungsImport::importiere(*b.dm, csv);
        ADD_FAILURE() << "imported";
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().contains("reichen die freien Nummern nicht")) << e.message().toStdString();
    }
    EXPECT_EQ(2, b.count("T_Buchungen"));
}

TEST(BookingImport, AFileIsReadFromTheDiskOrItsFailureNamed) {
    Books b;
    const QString path = b.folder.file(QStringLiteral("import.csv"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Kopf + "01.02.2024;;Miete;1.200,00;20;MI;A;;;;\n02.02.2024;;Verkauf;50;10;WA;E;;;;");
    f.close();
    EXPECT_EQ(2, BuchungsImport::importiereDatei(*b.dm, path).buchungen);
    EXPECT_EQ(1, b.count("T_Buchungen", "Text = 'Verkauf' AND Betrag = 500000"));
    try {
        BuchungsImport::importiereDatei(*b.dm, b.folder.file(QStringLiteral("fehlt.csv")));
        ADD_FAILURE() << "read";
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().contains("kann nicht gelesen werden")) << e.message().toStdString();
    }
}
