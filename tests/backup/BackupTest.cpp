#include "app/IniFile.h"
#include "backup/Backup.h"
#include "backup/Compaction.h"
#include "backup/Restore.h"
#include "backup/ZipArchive.h"
#include "store/DatabaseFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QByteArray bytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

int count(const QString& file, const char* sql) {
    Database db;
    db.open(file);
    return db.scalar(QString::fromLatin1(sql))->toInt();
}

ino_t inode(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_ino;
}

// The number of a process that has ended.
qint64 endedProcess() {
    QProcess p;
    p.start("true");
    p.waitForStarted();
    const qint64 pid = p.processId();
    p.waitForFinished();
    return pid;
}

// A booking written by a connection of its own, as another program would.
void buche(Database& db, int id) {
    db.exec(QStringLiteral("INSERT INTO T_Buchungen (mandant, ID, Wirtschaftsjahr, Buchungsdatum, Belegnummer, Steuersatz, Betrag, "
                           "Text, BK, IstEU, IstDrittland, IstEinnahme, IstKFZ, IstGebaeude) VALUES (5, %1, 1, '2024-01-03', %1, "
                           "20, 600000, '', 1, 2, 2, 1, 2, 2)")
                .arg(id));
}

void overwrite(const QString& path, qint64 at, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(at);
    f.write(data);
}

// Books with a booking, closed as the backup wants them, and a target folder.
struct Books : TestBooks {
    QTemporaryDir target;
    Books() {
        addClient(5, "Muster", true, 2024, 1);
        addCircle(5, 1, "Waren", "WA");
        addBooking(5, 1, 1, QDate(2024, 1, 2), 1, "120", 20, 1);
        addMovement(5, 1, 1, 1020, "20");
        IniFile(helper.IniPath()).writeString("Datensicherung", "Ziel", target.path());
        dm->closeConnection();
    }
    QString db() const { return helper.DatabaseFile(); }
};

} // namespace

TEST(Backup, ZipHoldsTheCompactedDatabaseAndTheIniFileInOrderDeflated) {
    Books b;
    const Sicherungsergebnis r = Datensicherung::sichern(b.helper, b.target.path(), false);
    ASSERT_TRUE(r.erfolgreich) << r.meldung.toStdString();
    EXPECT_EQ(b.target.filePath("Kassol.zip"), r.zielDatei);
    EXPECT_TRUE(r.meldung.startsWith("Die Datensicherung war erfolgreich.\n\r\n\rDie Sicherung lautet: "));
    EXPECT_EQ(QStringList({"ks_tab.mdb", "Kassol.ini"}), ZipArchive::namen(r.zielDatei));
    EXPECT_EQ(QList<bool>({true, true}), ZipArchive::deflated(r.zielDatei));
    QTemporaryDir out;
    ASSERT_EQ("", ZipArchive::entpacke(r.zielDatei, "ks_tab.mdb", out.filePath("db")).toStdString());
    EXPECT_EQ("", checkKassolDatabase(out.filePath("db")).toStdString());
    EXPECT_EQ(1, count(out.filePath("db"), "SELECT count(*) FROM T_Buchungen"));
    ASSERT_EQ("", ZipArchive::entpacke(r.zielDatei, "Kassol.ini", out.filePath("ini")).toStdString());
    EXPECT_EQ(bytes(b.helper.IniPath()), bytes(out.filePath("ini")));
    EXPECT_EQ(QStringList({"Kassol.zip"}), QDir(b.target.path()).entryList(QDir::Files | QDir::Hidden)) << "no building file left";
    EXPECT_FALSE(QFile::exists(b.folder.file("KS_tab.$$$")));
}

TEST(Backup, CopyModeAndATargetEqualToTheDatabaseFolder) {
    Books b;
    const Sicherungsergebnis copy = Datensicherung::sichern(b.helper, b.target.path(), true);
    ASSERT_TRUE(copy.erfolgreich) << copy.meldung.toStdString();
    EXPECT_EQ(1, count(b.target.filePath("ks_tab_save.mdb"), "SELECT count(*) FROM t_kontenbewegungen"));
    const Sicherungsergebnis same = Datensicherung::sichern(b.helper, b.folder.path(), false);
    ASSERT_TRUE(same.erfolgreich) << same.meldung.toStdString();
    EXPECT_EQ(QStringList({"ks_tab.mdb", "Kassol.ini"}), ZipArchive::namen(b.folder.file("Kassol.zip")));
}

TEST(Backup, AFailedBackupLeavesThePreviousOneAndTheDatabase) {
    Books b;
    ASSERT_TRUE(Datensicherung::sichern(b.helper, b.target.path(), false).erfolgreich);
    const QByteArray previous = bytes(b.target.filePath("Kassol.zip"));
    // A damaged database: its second page is overwritten.
    overwrite(b.db(), 4096, QByteArray(4096, '\x5A'));
    const QByteArray damaged = bytes(b.db());
    const Sicherungsergebnis r = Datensicherung::sichern(b.helper, b.target.path(), false);
    EXPECT_FALSE(r.erfolgreich);
    EXPECT_TRUE(r.meldung.startsWith("Die Datensicherung war nicht erfolgreich.\n\r\n\rKontrollieren sie bitte, ob eine Diskette"));
    EXPECT_EQ(previous, bytes(b.target.filePath("Kassol.zip")));
    EXPECT_EQ(damaged, bytes(b.db()));
    EXPECT_EQ(QStringList({"Kassol.zip"}), QDir(b.target.path()).entryList(QDir::Files | QDir::Hidden));
}

TEST(Backup, AMissingTargetFolderIsReportedAndNothingIsWritten) {
    Books b;
    const QByteArray before = bytes(b.db());
    const Sicherungsergebnis r = Datensicherung::sichern(b.helper, b.target.filePath("fehlt"), true);
    EXPECT_FALSE(r.erfolgreich);
    EXPECT_TRUE(r.meldung.contains("ob der Sicherungspfad korrekt ist."));
    EXPECT_TRUE(r.meldung.contains("existiert nicht"));
    EXPECT_EQ(before, bytes(b.db()));
}

TEST(Backup, SettingsDefaultAndAreRemembered) {
    TestBooks b;
    Sicherungseinstellungen e = Datensicherung::lese(b.helper);
    EXPECT_TRUE(QDir(e.ziel).exists()) << e.ziel.toStdString();
    EXPECT_FALSE(e.nichtZippen);
    Datensicherung::schreibeZiel(b.helper, "/media/stick");
    Datensicherung::schreibeNichtZippen(b.helper, true);
    e = Datensicherung::lese(b.helper);
    EXPECT_EQ("/media/stick/", e.ziel.toStdString());
    EXPECT_TRUE(e.nichtZippen);
    EXPECT_EQ("1", IniFile(b.helper.IniPath()).readString("Datensicherung", "nichtzippen", "").toStdString());
}

TEST(Compaction, CompactsInPlaceSoThatAnOpenConnectionKeepsWorking) {
    Books b;
    Database other;
    other.open(b.db());
    other.exec("CREATE TABLE ballast (x)");
    other.exec("INSERT INTO ballast SELECT randomblob(1000) FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
               "WHERE i < 500) SELECT i FROM n)");
    other.exec("DROP TABLE ballast");
    const qint64 before = QFileInfo(b.db()).size();
    const ino_t file = inode(b.db());

    EXPECT_TRUE(komprimiereDatenbank(b.db()));
    EXPECT_LT(QFileInfo(b.db()).size(), before / 2);
    EXPECT_EQ(file, inode(b.db())) << "the file is never replaced";
    other.exec("INSERT INTO T_Mandant VALUES (6, 0, 'Neu')");
    EXPECT_EQ(2, count(b.db(), "SELECT count(*) FROM T_Mandant")) << "what the open connection writes afterwards is kept";

    // Another connection in the middle of a write: compaction waits, then leaves the file as it is.
    auto tx = other.transaction();
    other.exec("INSERT INTO T_Mandant VALUES (7, 0, 'Offen')");
    EXPECT_FALSE(komprimiereDatenbank(b.db()));
    tx.commit();
    EXPECT_EQ(3, count(b.db(), "SELECT count(*) FROM T_Mandant"));
}

TEST(Compaction, ADamagedDatabaseIsRefusedAndLeftAsItIs) {
    Books b;
    overwrite(b.db(), 4096, QByteArray(4096, '\x5A'));
    const QByteArray damaged = bytes(b.db());
    try {
        (void)komprimiereDatenbank(b.db());
        ADD_FAILURE() << "compacted a damaged database";
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().contains("beschädigt")) << e.message().toStdString();
    }
    EXPECT_EQ(damaged, bytes(b.db()));
}

TEST(Backup, BookingsOfAnotherConnectionBeforeAndAfterTheBackupAreKept) {
    for (const bool copy : {true, false}) {
        Books b;
        const ino_t file = inode(b.db());
        Database other;
        other.open(b.db());
        buche(other, 2);
        const Sicherungsergebnis r = Datensicherung::sichern(b.helper, b.target.path(), copy);
        ASSERT_TRUE(r.erfolgreich) << r.meldung.toStdString();
        buche(other, 3);
        EXPECT_EQ(3, count(b.db(), "SELECT count(*) FROM T_Buchungen")) << copy;
        EXPECT_EQ(file, inode(b.db())) << copy;
        QString saved = r.zielDatei;
        QTemporaryDir out;
        if (!copy) {
            saved = out.filePath("db");
            ASSERT_EQ("", ZipArchive::entpacke(r.zielDatei, "ks_tab.mdb", saved).toStdString());
        }
        EXPECT_EQ(2, count(saved, "SELECT count(*) FROM T_Buchungen")) << copy;
    }
}

TEST(Backup, RemovesWhatAKilledBackupOfItsKindLeftBehind) {
    Books b;
    const qint64 dead = endedProcess();
    const QString copyLeft = b.target.filePath(QStringLiteral(".ks_tab_save.mdb.%1.neu").arg(dead));
    const QString zipLeft = b.target.filePath(QStringLiteral(".Kassol.zip.%1.neu").arg(dead));
    const QString zipSnapshotLeft = zipLeft + ".mdb";
    for (const QString& f : {copyLeft, zipLeft, zipSnapshotLeft}) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("halb");
    }
    ASSERT_TRUE(Datensicherung::sichern(b.helper, b.target.path(), true).erfolgreich);
    EXPECT_FALSE(QFile::exists(copyLeft));
    EXPECT_TRUE(QFile::exists(zipLeft)) << "not of its kind";
    ASSERT_TRUE(Datensicherung::sichern(b.helper, b.target.path(), false).erfolgreich);
    EXPECT_EQ(QStringList({"Kassol.zip", "ks_tab_save.mdb"}), QDir(b.target.path()).entryList(QDir::Files | QDir::Hidden));
}

TEST(Backup, AnEmptyTargetIsRefusedAndASettingThatCannotBeStoredIsAnError) {
    Books b;
    const Sicherungsergebnis r = Datensicherung::sichern(b.helper, "", true);
    EXPECT_FALSE(r.erfolgreich);
    EXPECT_TRUE(r.meldung.contains("Es ist kein Zielordner angegeben.")) << r.meldung.toStdString();
    EXPECT_THROW(Datensicherung::schreibeZiel(b.helper, ""), KassolError);

    ASSERT_TRUE(QFile::setPermissions(b.helper.IniPath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray ini = bytes(b.helper.IniPath());
    try {
        Datensicherung::schreibeZiel(b.helper, "/media/stick");
        ADD_FAILURE() << "stored into a read-only file";
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().startsWith("Der Zielordner kann nicht für die nächste Sicherung gespeichert werden.")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("schreibgeschützt")) << e.message().toStdString();
    }
    EXPECT_THROW(Datensicherung::schreibeNichtZippen(b.helper, true), KassolError);
    EXPECT_EQ(ini, bytes(b.helper.IniPath()));
}

TEST(Restore, RefusesWhatIsNoSoundBackupAndBringsBackAGoodOneUnderAnOpenConnection) {
    Books b;
    ASSERT_TRUE(Datensicherung::sichern(b.helper, b.target.path(), false).erfolgreich);
    const QString zip = b.target.filePath("Kassol.zip");

    // The books change after the backup: a second client, by a connection that stays open.
    Database other;
    other.open(b.db());
    other.exec("INSERT INTO T_Mandant VALUES (6, 0, 'Neu')");
    const QByteArray current = bytes(b.db());
    const QDateTime now(QDate(2024, 3, 15), QTime(10, 0));

    QTemporaryDir junk;
    QFile garbage(junk.filePath("Kassol.zip"));
    garbage.open(QIODevice::WriteOnly);
    garbage.write("no archive at all");
    garbage.close();
    ZipArchive::schreibe(junk.filePath("fremd.zip"), {{b.helper.IniPath(), "Kassol.ini"}});
    QFile::copy(zip, junk.filePath("kaputt.zip"));
    overwrite(junk.filePath("kaputt.zip"), 200, QByteArray(64, '\x00'));
    for (const QString& bad : {junk.filePath("Kassol.zip"), junk.filePath("fremd.zip"), junk.filePath("kaputt.zip"),
                               junk.filePath("fehlt.zip"), b.db()}) {
        EXPECT_THROW(Datensicherung::wiederherstellen(b.helper, bad, false, now), KassolError) << bad.toStdString();
        EXPECT_EQ(current, bytes(b.db())) << bad.toStdString();
    }

    IniFile(b.helper.IniPath()).writeString("Datensicherung", "Ziel", "/anderswo");
    const Wiederherstellung w = Datensicherung::wiederherstellen(b.helper, zip, true, now);
    EXPECT_EQ(1, count(b.db(), "SELECT count(*) FROM T_Mandant"));
    EXPECT_EQ(b.folder.file("KS_tab_vor_Wiederherstellung_2024-03-15_100000.mdb"), w.bisherigeKopie);
    EXPECT_EQ(2, count(w.bisherigeKopie, "SELECT count(*) FROM T_Mandant"));
    EXPECT_TRUE(w.iniWiederhergestellt);
    EXPECT_EQ(b.target.path(), IniFile(b.helper.IniPath()).readString("Datensicherung", "Ziel", ""));
    // The open connection reads the restored books and goes on writing into them.
    EXPECT_EQ(1, other.scalar("SELECT count(*) FROM T_Mandant")->toInt());
    other.exec("INSERT INTO T_Mandant VALUES (7, 0, 'Danach')");
    EXPECT_EQ(2, count(b.db(), "SELECT count(*) FROM T_Mandant"));

    ASSERT_TRUE(Datensicherung::sichern(b.helper, b.target.path(), true).erfolgreich);
    EXPECT_NO_THROW(Datensicherung::wiederherstellen(b.helper, b.target.filePath("ks_tab_save.mdb"), false, now.addSecs(1)));
    EXPECT_EQ(2, count(b.db(), "SELECT count(*) FROM T_Mandant"));
}

TEST(Restore, RefusesWhileTheDataAreInUse) {
    Books b;
    ASSERT_TRUE(Datensicherung::sichern(b.helper, b.target.path(), true).erfolgreich);
    const QString backup = b.target.filePath("ks_tab_save.mdb");
    const QByteArray before = bytes(b.db());
    const QDateTime now(QDate(2024, 3, 15), QTime(10, 0));
    const auto refused = [&](const char* says) {
        try {
            Datensicherung::wiederherstellen(b.helper, backup, false, now);
            ADD_FAILURE() << "restored while in use: " << says;
        } catch (const KassolError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(says))) << e.message().toStdString();
        }
        EXPECT_EQ(before, bytes(b.db()));
        EXPECT_EQ(QStringList({"Kassol.ini", "KS_tab.mdb"}), QDir(b.folder.path()).entryList({"*.mdb", "*.ini"}, QDir::Files));
    };
    {
        // The desktop program on the same data folder.
        QLockFile desktop(b.folder.file("Kassol.lock"));
        ASSERT_TRUE(desktop.tryLock(0));
        refused("Beenden Sie bitte das Programm");
    }
    {
        Database other;
        other.open(b.db());
        auto tx = other.transaction();
        other.exec("INSERT INTO T_Mandant VALUES (6, 0, 'Neu')");
        refused("Ein anderes Kassol-Programm verwendet die Daten gerade.");
    }
}

TEST(Restore, AfterACrashTheDatedCopyHoldsTheCommittedBooksAndTheJournalIsLeftToSQLite) {
    Books b;
    ASSERT_TRUE(Datensicherung::sichern(b.helper, b.target.path(), true).erfolgreich);
    // A writer dies in the middle of a large transaction: part of it is already in the file, the
    // journal beside it holds what the file held before. Its files are taken as they were then.
    QTemporaryDir crash;
    {
        Database writer;
        writer.open(b.db());
        writer.exec("PRAGMA cache_size = 10");
        auto tx = writer.transaction();
        writer.exec("CREATE TABLE ballast (x)");
        writer.exec("INSERT INTO ballast SELECT randomblob(1000) FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                    "FROM n WHERE i < 300) SELECT i FROM n)");
        ASSERT_TRUE(QFile::copy(b.db(), crash.filePath("db")));
        ASSERT_TRUE(QFile::copy(b.db() + "-journal", crash.filePath("journal")));
    }
    ASSERT_NE(bytes(b.db()), bytes(crash.filePath("db"))) << "the transaction must have reached the file";
    QFile::remove(b.db());
    ASSERT_TRUE(QFile::copy(crash.filePath("db"), b.db()));
    ASSERT_TRUE(QFile::copy(crash.filePath("journal"), b.db() + "-journal"));

    const Wiederherstellung w =
        Datensicherung::wiederherstellen(b.helper, b.target.filePath("ks_tab_save.mdb"), false, QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
    EXPECT_EQ("", checkKassolDatabase(w.bisherigeKopie).toStdString());
    EXPECT_EQ(1, count(w.bisherigeKopie, "SELECT count(*) FROM T_Buchungen"));
    EXPECT_EQ(0, count(w.bisherigeKopie, "SELECT count(*) FROM sqlite_master WHERE name = 'ballast'"));
    EXPECT_EQ(1, count(b.db(), "SELECT count(*) FROM T_Buchungen"));
    EXPECT_EQ(0, count(b.db(), "SELECT count(*) FROM sqlite_master WHERE name = 'ballast'"));
}
