#include "migration/JetTestdaten.h"
#include "migration/JetUebernahme.h"
#include "migration/JetUebernahmeFrage.h"

#include "app/IniFile.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"
#include "support/ScriptedInteraction.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace jettest;

namespace {

class JetUebernahmeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        schreibeDatei(jet(), jetKopf());
        // Windows-1252: "ü" is 0xFC, "€" is 0x80.
        schreibeDatei(dir.filePath(QStringLiteral("Kassol.ini")),
                      QByteArray("[Buchen Mandant 1]\r\nBuchungstext=B\xfcromaterial \x80 5\r\nSteuersatz=20\r\n"));
    }
    QString jet() const { return dir.filePath(QStringLiteral("KS_tab.mdb")); }
    QString datei(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    Uebernahmeoptionen optionen(std::map<QString, JetTabelle> tabellen = buecher()) {
        Uebernahmeoptionen o;
        o.zeitpunkt = QDateTime(QDate(2026, 1, 15), QTime(9, 30));
        o.leser = [tabellen](const QString&) { return std::make_unique<TestLeser>(tabellen); };
        return o;
    }
    // The Jet file is still where it was, byte for byte, and nothing took its place.
    void erwarteUnveraendert() {
        EXPECT_EQ(liesDatei(jet()), jetKopf());
        EXPECT_FALSE(QFile::exists(datei("KS_tab_Access.mdb")));
        const QStringList reste = QDir(dir.path()).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
        EXPECT_TRUE(reste.isEmpty()) << reste.join(QLatin1Char(' ')).toStdString();
    }
    static QStringList zeilen(Database& db, const QString& sql) {
        QStringList r;
        QSqlQuery q = db.query(sql);
        while (q.next()) {
            QStringList werte;
            for (int i = 0; i < q.record().count(); ++i)
                werte << (q.value(i).isNull() ? QStringLiteral("NULL") : q.value(i).toString());
            r << werte.join(QLatin1Char('|'));
        }
        return r;
    }
    QTemporaryDir dir;
};

TEST_F(JetUebernahmeTest, EveryColumnOfEveryTableArrivesWithItsValue) {
    const Uebernahmeergebnis e = uebernimmJetDatenbank(dir.path(), optionen());
    ASSERT_TRUE(e.uebernommen);
    EXPECT_EQ(inspectDatabaseFile(jet()), DatabaseFileKind::SQLite);
    EXPECT_EQ(checkKassolDatabase(jet()), QString());
    EXPECT_EQ(liesDatei(datei("KS_tab_Access.mdb")), jetKopf());

    Database db;
    db.open(jet());
    EXPECT_EQ(zeilen(db, "SELECT * FROM T_Mandant ORDER BY id"), (QStringList{"1|1|Muster GmbH", "2|0|NULL"}));
    EXPECT_EQ(zeilen(db, "SELECT * FROM T_Stammdaten ORDER BY mandant"),
              (QStringList{QStringLiteral("1|Dr. Änne Müller|Hauptstraße 1|6991 Riezlern|+43 5517 1234|12-345/6789|Referat 7|11|%1|1").arg(langerText()),
                           "2|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|0"}));
    EXPECT_EQ(zeilen(db, "SELECT * FROM T_BKreis ORDER BY id"), (QStringList{"1|1|Büro|BÜ", "1|2|Reisen|RE", "2|3|NULL|NULL"}));
    EXPECT_EQ(zeilen(db, "SELECT * FROM T_Zeitraum ORDER BY id"), (QStringList{"1|10|2023|NULL", "1|11|2024|0", "2|12|2024|1"}));
    EXPECT_EQ(zeilen(db, "SELECT * FROM T_Einstellungen ORDER BY mandant"), (QStringList{"1|11", "2|12"}));
    // The time of day of a voucher date is cut off: Kassol keeps voucher dates as days.
    EXPECT_EQ(zeilen(db, "SELECT * FROM T_Buchungen ORDER BY ID"),
              (QStringList{"1|100|10|2023-03-15|1|20|1200000|Honorar März|1|2|2|1|2|2",
                           "1|101|11|2024-01-01|1|10|-55000|Storno|2|2|2|2|2|2",
                           "1|102|11|2024-01-09|2|20|9223372036854775807|NULL|1|1|2|2|1|1",
                           "2|103|12|2024-01-10|1|0|0||NULL|2|1|2|2|2"}));
    EXPECT_EQ(zeilen(db, "SELECT typeof(Text) FROM T_Buchungen WHERE ID = 103"), QStringList{"text"});
    EXPECT_EQ(zeilen(db, "SELECT * FROM t_kontenbewegungen ORDER BY id"),
              (QStringList{"1|200|100|1020|200000", "1|201|101|2010|-5000", "1|202|102|1021|123456", "1|203|102|2021|-123456",
                           "2|204|103|3000|7777"}));
    // The chart the file had, and the two accounts it lacked.
    EXPECT_EQ(zeilen(db, "SELECT count(*) FROM T_Kontenplan"), QStringList{"21"});
    EXPECT_EQ(zeilen(db, "SELECT Kontonummer, Kontoname FROM T_Kontenplan WHERE Kontonummer IN (1005, 2005, 2024) ORDER BY 1"),
              (QStringList{"1005|UST 5%", "2005|VST 5%", "2024|VST Gebäude"}));
    EXPECT_EQ(zeilen(db, "SELECT Release FROM Release"), QStringList{QString::number(SchemaRelease)});

    const QString protokoll = QString::fromUtf8(liesDatei(datei("Uebernahme-Protokoll.txt")));
    EXPECT_TRUE(protokoll.contains(QStringLiteral("Ergebnis: Vollständig übernommen."))) << protokoll.toStdString();
    EXPECT_TRUE(protokoll.contains(QStringLiteral("Buchungsdatum hatte eine Uhrzeit; übernommen wurde der Tag 2024-01-01")));
    EXPECT_TRUE(protokoll.contains(QStringLiteral("Mandant 1, Wirtschaftsjahr 11: Beträge 922337203685472,0807, Steuerbeträge -0,5000")))
        << protokoll.toStdString();
    EXPECT_TRUE(protokoll.contains(QStringLiteral("Datenstand 202001")));
}

TEST_F(JetUebernahmeTest, TheSettingsAreReadAsWindows1252AndTheOriginalIsKept) {
    // The old program's file in its code page, and one that was saved as UTF-8 with its mark since.
    for (const QByteArray& alt : {QByteArray("[Buchen Mandant 1]\r\nBuchungstext=B\xfcromaterial \x80 5\r\nSteuersatz=20\r\n"),
                                  QByteArray("\xEF\xBB\xBF[Buchen Mandant 1]\r\nBuchungstext=B\xC3\xBCromaterial \xE2\x82\xAC 5\r\nSteuersatz=20\r\n")}) {
        QTemporaryDir ordner;
        schreibeDatei(QDir(ordner.path()).filePath("KS_tab.mdb"), jetKopf());
        schreibeDatei(QDir(ordner.path()).filePath("Kassol.ini"), alt);
        ASSERT_TRUE(uebernimmJetDatenbank(ordner.path(), optionen()).iniUebernommen);
        IniFile ini(QDir(ordner.path()).filePath("Kassol.ini"));
        EXPECT_EQ(ini.readString(QStringLiteral("Buchen Mandant 1"), QStringLiteral("Buchungstext"), {}), QStringLiteral("Büromaterial € 5"));
        EXPECT_EQ(ini.readInteger(QStringLiteral("Buchen Mandant 1"), QStringLiteral("Steuersatz"), 0), 20);
        EXPECT_EQ(liesDatei(QDir(ordner.path()).filePath("Kassol_Access.ini")), alt);
    }
    // An earlier run kept the original but stopped before converting: this run converts it; a
    // file converted before is left alone.
    schreibeDatei(datei("Kassol_Access.ini"), liesDatei(datei("Kassol.ini")));
    ASSERT_TRUE(uebernimmJetDatenbank(dir.path(), optionen()).iniUebernommen);
    EXPECT_EQ(IniFile(datei("Kassol.ini")).readString(QStringLiteral("Buchen Mandant 1"), QStringLiteral("Buchungstext"), {}),
              QStringLiteral("Büromaterial € 5"));
    schreibeDatei(jet(), jetKopf());
    QFile::remove(datei("KS_tab_Access.mdb"));
    EXPECT_FALSE(uebernimmJetDatenbank(dir.path(), optionen()).iniUebernommen);
    EXPECT_EQ(IniFile(datei("Kassol.ini")).readString(QStringLiteral("Buchen Mandant 1"), QStringLiteral("Buchungstext"), {}),
              QStringLiteral("Büromaterial € 5"));
}

// Each case spoils the books in one way that the schema refuses.
struct Abweisung {
    const char* name;
    std::function<void(std::map<QString, JetTabelle>&)> verderbe;
    std::vector<std::pair<const char*, const char*>> erwartet;  // table and a part of the reason
};

TEST_F(JetUebernahmeTest, RefusedRowsStopEverythingAndAreListedThenTheRestIsTakenOverWhenAsked) {
    const std::vector<Abweisung> faelle{
        {"Text zu lang", [](auto& b) { b["T_BKreis"].zeilen[1][3] = text("REI"); },
         // The circle goes, and with it the booking in it and that booking's movement.
         {{"T_BKreis", "BKKurz ist 3 Zeichen lang; erlaubt sind 2"}, {"T_Buchungen", "verweist auf T_BKreis"},
          {"t_kontenbewegungen", "verweist auf T_Buchungen"}}},
        {"Buchung ohne Buchungskreis", [](auto& b) { b["T_Buchungen"].zeilen[0][8] = zahl(99); },
         {{"T_Buchungen", "verweist auf T_BKreis (mandant 1, BK 99)"}, {"t_kontenbewegungen", "verweist auf T_Buchungen"}}},
        {"Bewegung ohne Buchung", [](auto& b) { b["t_kontenbewegungen"].zeilen[4][2] = zahl(999); },
         {{"t_kontenbewegungen", "verweist auf T_Buchungen (mandant 2, Buchungen_id 999)"}}},
        {"doppelter Schlüssel", [](auto& b) { b["T_Zeitraum"].zeilen[1][1] = zahl(10); },
         {{"T_Zeitraum", "mehrfach"}, {"T_Zeitraum", "mehrfach"}}},
        {"Wert außerhalb des Bereichs", [](auto& b) { b["T_Buchungen"].zeilen[3][5] = zahl(40000); },
         {{"T_Buchungen", "Steuersatz = 40000 liegt außerhalb"}, {"t_kontenbewegungen", "verweist auf T_Buchungen"}}},
        {"Stammdaten ohne Mandant", [](auto& b) { b["T_Stammdaten"].zeilen[1][0] = zahl(7); },
         {{"T_Stammdaten", "verweist auf T_Mandant"}}},
        {"kein Datum", [](auto& b) { b["T_Buchungen"].zeilen[3][3] = datum(1e9); },
         {{"T_Buchungen", "Buchungsdatum ist kein gültiges Datum"}, {"t_kontenbewegungen", "verweist"}}},
        {"leerer Schlüssel", [](auto& b) { b["T_Mandant"].zeilen[1][0] = nix(); },
         {{"T_Mandant", "Schlüssel id ist leer"}, {"T_Stammdaten", "verweist auf T_Mandant"}}},
    };
    for (const Abweisung& fall : faelle) {
        SCOPED_TRACE(fall.name);
        QTemporaryDir ordner;
        schreibeDatei(QDir(ordner.path()).filePath("KS_tab.mdb"), jetKopf());
        auto b = buecher();
        fall.verderbe(b);
        const Uebernahmeergebnis gestoppt = uebernimmJetDatenbank(ordner.path(), optionen(b));
        EXPECT_FALSE(gestoppt.uebernommen);
        ASSERT_EQ(gestoppt.abbildung.abgewiesen.size(), fall.erwartet.size());
        for (size_t i = 0; i < fall.erwartet.size(); ++i) {
            EXPECT_EQ(gestoppt.abbildung.abgewiesen[i].tabelle, QString::fromLatin1(fall.erwartet[i].first));
            EXPECT_TRUE(gestoppt.abbildung.abgewiesen[i].grund.contains(QString::fromUtf8(fall.erwartet[i].second)))
                << gestoppt.abbildung.abgewiesen[i].grund.toStdString();
        }
        EXPECT_EQ(liesDatei(QDir(ordner.path()).filePath("KS_tab.mdb")), jetKopf());
        EXPECT_FALSE(QFile::exists(QDir(ordner.path()).filePath("KS_tab_Access.mdb")));
        const QString protokoll = QString::fromUtf8(liesDatei(QDir(ordner.path()).filePath("Uebernahme-Protokoll.txt")));
        EXPECT_TRUE(protokoll.contains(QStringLiteral("NICHT übernommen")));
        for (const AbgewieseneZeile& z : gestoppt.abbildung.abgewiesen)
            EXPECT_TRUE(protokoll.contains(QStringLiteral("%1, Zeile %2 (%3): %4").arg(z.tabelle).arg(z.zeile).arg(z.schluessel, z.grund)));

        Uebernahmeoptionen ohne = optionen(b);
        ohne.ohneUngueltige = true;
        const Uebernahmeergebnis weiter = uebernimmJetDatenbank(ordner.path(), ohne);
        ASSERT_TRUE(weiter.uebernommen);
        EXPECT_EQ(weiter.abbildung.abgewiesen.size(), fall.erwartet.size());
        Database db;
        db.open(QDir(ordner.path()).filePath("KS_tab.mdb"));
        for (const auto& [tabelle, quelle] : weiter.abbildung.quellZeilen) {
            if (tabelle == QLatin1String("T_Kontenplan"))
                continue;
            int weg = 0;
            for (const AbgewieseneZeile& z : weiter.abbildung.abgewiesen)
                weg += z.tabelle == tabelle;
            EXPECT_EQ(db.scalar(QStringLiteral("SELECT count(*) FROM [%1]").arg(tabelle))->toInt(), quelle - weg) << tabelle.toStdString();
        }
        const QString danach = QString::fromUtf8(liesDatei(QDir(ordner.path()).filePath("Uebernahme-Protokoll.txt")));
        EXPECT_TRUE(danach.contains(QStringLiteral("Übernommen OHNE die %1").arg(fall.erwartet.size())));
        EXPECT_TRUE(danach.contains(gestoppt.abbildung.abgewiesen.front().grund));
    }
}

TEST_F(JetUebernahmeTest, BooksKassolCannotHoldStopBeforeAnythingIsWritten) {
    const std::vector<std::pair<std::function<void(std::map<QString, JetTabelle>&)>, const char*>> faelle{
        {[](auto& b) { b.erase("T_Buchungen"); }, "fehlt die Tabelle \u201ET_Buchungen\u201C"},
        {[](auto& b) {
             b["T_Mandant"].spalten.removeLast();
             b["T_Mandant"].typen.pop_back();
         },
         "fehlt die Spalte \u201EBezeichnung\u201C"},
        {[](auto& b) { b["T_Buchungen"].typen[6] = JetTyp::Gleitkomma; }, "hat nicht den Typ Währung"},
        // Beside the largest Currency, one more ten-thousandth.
        {[](auto& b) { b["T_Buchungen"].zeilen[1][6] = geld(1); }, "Mandant 1, Wirtschaftsjahr 11 ergeben zusammen mehr, als Kassol genau rechnen kann"},
    };
    for (const auto& fall : faelle) {
        auto b = buecher();
        fall.first(b);
        try {
            (void)uebernimmJetDatenbank(dir.path(), optionen(b));
            ADD_FAILURE() << "übernommen: " << fall.second;
        } catch (const KassolError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(fall.second))) << e.message().toStdString();
        }
        EXPECT_EQ(liesDatei(jet()), jetKopf());
        EXPECT_FALSE(QFile::exists(datei("KS_tab_Access.mdb")));
        EXPECT_FALSE(QFile::exists(datei("Kassol_Access.ini")));
    }
}

TEST_F(JetUebernahmeTest, TheChecksCatchAMissingRowAndAChangedSum) {
    const std::vector<std::pair<const char*, const char*>> faelle{
        {"DELETE FROM T_Einstellungen WHERE mandant = 2", "Die Tabelle T_Einstellungen hat 1 Zeilen statt 2."},
        {"UPDATE T_Buchungen SET Betrag = Betrag + 1 WHERE ID = 100",
         "Mandant 1, Wirtschaftsjahr 10: Die Beträge ergeben 120,0001 statt 120,0000."},
        {"UPDATE t_kontenbewegungen SET St_Betrag = 7770 WHERE id = 204",
         "Mandant 2, Wirtschaftsjahr 12: Die Steuerbeträge ergeben 0,7770 statt 0,7777."},
        {"UPDATE T_Buchungen SET Wirtschaftsjahr = 10 WHERE ID = 101", "Wirtschaftsjahr 10: Die Beträge ergeben 114,5000 statt 120,0000."},
    };
    for (const auto& [sql, meldung] : faelle) {
        SCOPED_TRACE(sql);
        Uebernahmeoptionen o = optionen();
        const QString statement = QString::fromUtf8(sql);
        o.vorDerPruefung = [statement](Database& db) { db.exec(statement); };
        try {
            (void)uebernimmJetDatenbank(dir.path(), o);
            ADD_FAILURE() << "Die Abweichung blieb unbemerkt.";
        } catch (const KassolError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(meldung))) << e.message().toStdString();
        }
        erwarteUnveraendert();
    }
}

// A take-over killed at each of its steps leaves the Jet file in place, unchanged, and no
// half-built database; the next run completes.
TEST_F(JetUebernahmeTest, AKilledTakeOverLeavesTheJetFileAndNoHalfBuiltDatabase) {
    for (const int schritt : {25, 30, 85, 95}) {
        SCOPED_TRACE(schritt);
        QTemporaryDir ordner;
        const QString pfad = QDir(ordner.path()).filePath("KS_tab.mdb");
        schreibeDatei(pfad, jetKopf());
        auto b = buecher();
        // Enough rows that the writing reports progress of its own.
        for (int i = 0; i < 1200; ++i)
            b["T_Einstellungen"].zeilen.push_back({zahl(1000 + i), zahl(11)});
        Uebernahmeoptionen o = optionen(b);
        o.fortschritt = [schritt](int prozent, const QString&) {
            if (prozent >= schritt)
                std::raise(SIGKILL);
        };
        const pid_t kind = fork();
        ASSERT_GE(kind, 0);
        if (kind == 0) {
            try {
                (void)uebernimmJetDatenbank(ordner.path(), o);
            } catch (...) {
            }
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(kind, &status, 0), kind);
        ASSERT_TRUE(WIFSIGNALED(status)) << "Der Schritt wurde nicht erreicht.";
        EXPECT_EQ(liesDatei(pfad), jetKopf());

        o.fortschritt = {};
        ASSERT_TRUE(uebernimmJetDatenbank(ordner.path(), o).uebernommen);
        EXPECT_EQ(checkKassolDatabase(pfad), QString());
        EXPECT_EQ(liesDatei(QDir(ordner.path()).filePath("KS_tab_Access.mdb")), jetKopf());
        const QStringList reste = QDir(ordner.path()).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
        EXPECT_TRUE(reste.isEmpty()) << reste.join(QLatin1Char(' ')).toStdString();
    }
}

TEST_F(JetUebernahmeTest, AnotherFileUnderTheNameOfTheKeptCopyIsNeverReplaced) {
    schreibeDatei(datei("KS_tab_Access.mdb"), "ältere Bücher");
    EXPECT_THROW((void)uebernimmJetDatenbank(dir.path(), optionen()), KassolError);
    EXPECT_EQ(liesDatei(datei("KS_tab_Access.mdb")), QByteArray("ältere Bücher"));
    EXPECT_EQ(liesDatei(jet()), jetKopf());
}

TEST_F(JetUebernahmeTest, AtStartUpTheUserIsAskedAndShownTheRefusedRows) {
    ScriptedAnswers<UserInteraction> nein;
    nein.confirm(UserInteraction::Answer::No);
    EXPECT_FALSE(frageNachJetUebernahme(dir.path(), nein, optionen()));
    EXPECT_EQ(liesDatei(jet()), jetKopf());

    auto b = buecher();
    b["T_BKreis"].zeilen[0][2] = W(QString(51, QLatin1Char('x')));
    ScriptedAnswers<UserInteraction> abbrechen;
    abbrechen.confirm(UserInteraction::Answer::Yes).warn(UserInteraction::Answer::No);
    EXPECT_THROW(frageNachJetUebernahme(dir.path(), abbrechen, optionen(b)), KassolError);
    ASSERT_EQ(abbrechen.questions.size(), 2);
    EXPECT_TRUE(abbrechen.questions[1].contains(QStringLiteral("T_BKreis, Zeile 1 (mandant 1, id 1): BKName ist 51 Zeichen lang; erlaubt sind 50.")))
        << abbrechen.questions[1].toStdString();
    EXPECT_TRUE(abbrechen.questions[1].contains(QStringLiteral("Uebernahme-Protokoll.txt")));
    EXPECT_EQ(liesDatei(jet()), jetKopf());

    ScriptedAnswers<UserInteraction> ohne;
    ohne.confirm(UserInteraction::Answer::Yes).warn(UserInteraction::Answer::Yes);
    EXPECT_TRUE(frageNachJetUebernahme(dir.path(), ohne, optionen(b)));
    EXPECT_TRUE(ohne.finished());
    ASSERT_EQ(ohne.messages.size(), 1);
    EXPECT_TRUE(ohne.messages[0].contains(QStringLiteral("2 Buchungskreis(e)"))) << ohne.messages[0].toStdString();
    EXPECT_EQ(checkKassolDatabase(jet()), QString());
}

} // namespace
