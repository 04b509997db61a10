#include "CliTestSupport.h"
#include "app/IniFile.h"
#include "cli/CliCommand.h"
#include "store/Database.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray bytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void put(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

CliRun runIn(const QString& dataDir, const QStringList& args, const Clock& clock) {
    CliRun r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = runCli(QStringList{"--data-dir", dataDir} + args, out, err, clock);
    out.flush();
    err.flush();
    return r;
}

} // namespace

TEST(FullDisk, EveryFileWrittenThereIsReportedAndThePreviousOneStays) {
    SmallDisk disk(512);
    if (!disk.mounted())
        GTEST_SKIP() << disk.why().toStdString();
    CliFixture cli;
    cli.ok({"init", "--client", "Muster", "--year", "2024"});
    cli.ok({"circle", "add", "Waren", "WA"});
    for (int i = 0; i < 40; ++i)
        cli.ok({"book", "--income", "--date", "05.03.2024", "--amount", "120", "--rate", "20", "--circle", "1", "--text",
                QStringLiteral("Verkauf %1").arg(i)});
    const QStringList files{"export.TXT", "journal.csv", "journal.pdf", "ks_tab_save.mdb", "Kassol.zip"};
    for (const QString& f : files)
        put(disk.file(f), "alt");
    disk.fill();

    const struct {
        QStringList args;
        const char* file;
    } cases[] = {
        {{"export", "--month", "3", "--out", disk.file("export.TXT")}, "export.TXT"},
        {{"report", "journal", "--export-csv", disk.file("journal.csv")}, "journal.csv"},
        {{"report", "journal", "--pdf", disk.file("journal.pdf")}, "journal.pdf"},
        {{"backup", "--target", disk.path(), "--copy"}, "ks_tab_save.mdb"},
        {{"backup", "--target", disk.path(), "--zip"}, "Kassol.zip"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli.run(c.args);
        EXPECT_EQ(1, r.status) << c.file << "\n" << r.out.toStdString();
        EXPECT_TRUE(r.err.contains("Auf dem Datenträger ist nicht genug Platz frei.")) << c.file << ": " << r.err.toStdString();
        EXPECT_EQ("alt", bytes(disk.file(c.file))) << c.file;
    }
    const QStringList left{".ballast", "export.TXT", "journal.csv", "journal.pdf", "Kassol.zip", "ks_tab_save.mdb"};
    EXPECT_EQ(left, QDir(disk.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_FALSE(IniFile(cli.dataDir() + "/Kassol.ini").valueExists("Datensicherung", "Ziel")) << "a failed backup is not remembered";

    // With room again, the same commands succeed.
    disk.release();
    for (const auto& c : cases)
        cli.ok(c.args);
}

TEST(FullDisk, AFullDataFolderKeepsKassolIniWholeAndTheBooksSound) {
    SmallDisk disk(2048);
    if (!disk.mounted())
        GTEST_SKIP() << disk.why().toStdString();
    const FixedClock clock(QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
    QTemporaryDir target;
    QTemporaryDir other;
    ASSERT_EQ(0, runIn(disk.path(), {"init", "--client", "Muster", "--year", "2024"}, clock).status);
    ASSERT_EQ(0, runIn(disk.path(), {"circle", "add", "Waren", "WA"}, clock).status);
    ASSERT_EQ(0, runIn(disk.path(), {"book", "--income", "--date", "05.03.2024", "--amount", "120", "--rate", "20", "--circle", "1"}, clock).status);
    ASSERT_EQ(0, runIn(disk.path(), {"backup", "--target", target.path(), "--copy"}, clock).status);
    const QByteArray ini = bytes(disk.file("Kassol.ini"));
    ASSERT_FALSE(ini.isEmpty());
    disk.fill();

    const CliRun r = runIn(disk.path(), {"backup", "--target", other.path(), "--zip"}, clock);
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.err.contains("wurde geschrieben")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Auf dem Datenträger ist nicht genug Platz frei.")) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(other.filePath("Kassol.zip")));
    EXPECT_EQ(ini, bytes(disk.file("Kassol.ini")));
    Database db;
    db.open(disk.file("KS_tab.mdb"));
    EXPECT_EQ("ok", db.scalar("PRAGMA integrity_check")->toString().toStdString());
    EXPECT_EQ(1, db.scalar("SELECT count(*) FROM T_Buchungen")->toInt());
}
