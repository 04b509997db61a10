#include "app/IniFile.h"
#include "backup/Backup.h"
#include "backup/Compaction.h"
#include "backup/Restore.h"
#include "backup/ZipArchive.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray bytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
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
    EXPECT_EQ(bytes(b.db()), bytes(out.filePath("db")));
    ASSERT_EQ("", ZipArchive::entpacke(r.zielDatei, "Kassol.ini", out.filePath("ini")).toStdString());
    EXPECT_EQ(bytes(b.helper.IniPath()), bytes(out.filePath("ini")));
    EXPECT_EQ(QStringList({"Kassol.zip"}), QDir(b.target.path()).entryList(QDir::Files | QDir::Hidden)) << "no building file left";
    EXPECT_FALSE(QFile::exists(b.folder.file("KS_tab.$$$")));
}

TEST(Backup, CopyModeAndATargetEqualToTheDatabaseFolder) {
    Books b;
    const Sicherungsergebnis copy = Datensicherung::sichern(b.helper, b.target.path(), true);
    ASSERT_TRUE(copy.erfolgreich) << copy.meldung.toStdString();
    EXPECT_EQ(bytes(b.db()), bytes(b.target.filePath("ks_tab_save.mdb")));
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

TEST(Compaction, KeepsTheOriginalWhenTheCompactedCopyCannotBeMade) {
    Books b;
    const QByteArray before = bytes(b.db());
    // A folder where the compacted copy would go makes VACUUM INTO fail.
    ASSERT_TRUE(QDir(b.folder.path()).mkpath("KS_tab.$$$/belegt"));
    EXPECT_THROW(komprimiereDatenbank(b.db()), KassolError);
    EXPECT_EQ(before, bytes(b.db()));
    QDir(b.folder.file("KS_tab.$$$")).removeRecursively();
    komprimiereDatenbank(b.db());
    EXPECT_FALSE(QFile::exists(b.folder.file("KS_tab.$$$")));
    Database db;
    db.open(b.db());
    EXPECT_EQ(1, db.scalar("SELECT count(*) FROM T_Buchungen")->toInt());
}

TEST(Restore, RefusesWhatIsNoSoundBackupAndSwapsAGoodOne) {
    Books b;
    ASSERT_TRUE(Datensicherung::sichern(b.helper, b.target.path(), false).erfolgreich);
    const QString zip = b.target.filePath("Kassol.zip");
    const QByteArray saved = bytes(b.db());

    // The books change after the backup: a second client.
    {
        Database db;
        db.open(b.db());
        db.exec("INSERT INTO T_Mandant VALUES (6, 0, 'Neu')");
    }
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
    for (const QString& bad : {junk.filePath("Kassol.zip"), junk.filePath("fremd.zip"), junk.filePath("kaputt.zip"), junk.filePath("fehlt.zip")}) {
        EXPECT_THROW(Datensicherung::wiederherstellen(b.helper, bad, false, now), KassolError) << bad.toStdString();
        EXPECT_EQ(current, bytes(b.db())) << bad.toStdString();
    }

    IniFile(b.helper.IniPath()).writeString("Datensicherung", "Ziel", "/anderswo");
    const Wiederherstellung w = Datensicherung::wiederherstellen(b.helper, zip, true, now);
    EXPECT_EQ(saved, bytes(b.db()));
    EXPECT_EQ(current, bytes(w.bisherigeKopie));
    EXPECT_EQ(b.folder.file("KS_tab_vor_Wiederherstellung_2024-03-15_100000.mdb"), w.bisherigeKopie);
    EXPECT_TRUE(w.iniWiederhergestellt);
    EXPECT_EQ(b.target.path(), IniFile(b.helper.IniPath()).readString("Datensicherung", "Ziel", ""));

    ASSERT_TRUE(Datensicherung::sichern(b.helper, b.target.path(), true).erfolgreich);
    EXPECT_NO_THROW(Datensicherung::wiederherstellen(b.helper, b.target.filePath("ks_tab_save.mdb"), false, now.addSecs(1)));
}
