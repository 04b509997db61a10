#include "CliTestSupport.h"
#include "app/IniFile.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {
struct Books : CliFixture {
    QTemporaryDir target;
    Books() {
        ok({"init", "--client", "Muster GmbH", "--year", "2024"});
        ok({"circle", "add", "Waren", "WA"});
        ok({"book", "--expense", "--date", "15.03.2024", "--amount", "120", "--rate", "20", "--circle", "1"});
    }
};
} // namespace

TEST(CliExport, WritesTheTxtFileAndPrintsItsPath) {
    Books cli;
    const CliRun r = cli.ok({"export", "--month", "3", "--out", cli.dataDir() + "/bericht.csv"});
    EXPECT_EQ(cli.dataDir() + "/bericht.TXT\n", r.out);
    QFile f(cli.dataDir() + "/bericht.TXT");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QByteArray("Buchungsdatum\tBelegnummer\tText\tBruttoBetrag\tSteuersatz\tVST\tUST\r\n"
                         "15.03.2024\t1\t\t-120\t20\t20\t0\r\n"),
              f.readAll());
    EXPECT_EQ(1, cli.run({"export", "--month", "13", "--out", "x"}).status);
}

TEST(CliBackup, BacksUpRemembersTheTargetAndRestores) {
    Books cli;
    const QJsonObject zip = cli.ok({"--json", "backup", "--target", cli.target.path()}).json().object();
    EXPECT_EQ(cli.target.path() + "/Kassol.zip", zip["datei"].toString());
    const QJsonObject copy = cli.ok({"--json", "backup", "--copy"}).json().object();
    EXPECT_EQ(cli.target.path() + "/ks_tab_save.mdb", copy["datei"].toString()) << "the target was remembered";

    cli.ok({"delete", "1"});
    // Even a damaged database can be replaced by its backup.
    QFile db(cli.dataDir() + "/KS_tab.mdb");
    ASSERT_TRUE(db.open(QIODevice::WriteOnly));
    db.write("kaputt");
    db.close();
    EXPECT_EQ(1, cli.run({"totals"}).status);
    cli.ok({"restore", cli.target.path() + "/Kassol.zip"});
    EXPECT_EQ("120.00", cli.ok({"--json", "totals"}).json().object()["ausgaben"].toString().toStdString());

    const CliRun notABackup = cli.run({"restore", cli.dataDir() + "/Kassol.ini"});
    EXPECT_EQ(1, notABackup.status);
    EXPECT_TRUE(notABackup.err.contains("keine Kassol-Sicherung")) << notABackup.err.toStdString();
}

TEST(CliBackup, AFailedBackupSaysWhyWithExitStatusOne) {
    Books cli;
    const CliRun r = cli.run({"backup", "--target", cli.dataDir() + "/fehlt", "--zip"});
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.err.contains("Die Datensicherung war nicht erfolgreich.")) << r.err.toStdString();
}

TEST(CliBackup, EmptyTargetsAndFileNamesAreRefusedAndNothingIsWritten) {
    Books cli;
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"backup", "--target", ""}, "Die Option --target braucht einen Zielordner"},
        {{"backup", "--target=", "--copy"}, "Die Option --target braucht einen Zielordner"},
        {{"export", "--month", "3", "--out", ""}, "Die Option --out braucht einen Dateinamen"},
        {{"export", "--month", "3", "--out", cli.dataDir() + "/"}, "Die Option --out braucht einen Dateinamen"},
        {{"export", "--month", "3", "--out", cli.dataDir()}, "Die Option --out braucht einen Dateinamen"},
        {{"report", "journal", "--pdf", ""}, "Die Option --pdf braucht einen Dateinamen"},
        {{"report", "details", "--export-csv", " "}, "Die Option --export-csv braucht einen Dateinamen"},
    };
    const QStringList before = QDir(cli.dataDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const auto& c : cases) {
        const CliRun r = cli.run(c.args);
        EXPECT_EQ(1, r.status) << c.says;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
    }
    EXPECT_EQ(before, QDir(cli.dataDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath(".TXT")));
    EXPECT_EQ("", IniFile(cli.dataDir() + "/Kassol.ini").readString("Datensicherung", "Ziel", "").toStdString());
}

TEST(CliBackup, AFailedBackupDoesNotRememberItsTargetOrMode) {
    Books cli;
    cli.ok({"backup", "--target", cli.target.path()});
    const CliRun r = cli.run({"backup", "--target", cli.target.path() + "/fehlt", "--copy"});
    EXPECT_EQ(1, r.status);
    const IniFile ini(cli.dataDir() + "/Kassol.ini");
    EXPECT_EQ(cli.target.path() + "/", ini.readString("Datensicherung", "Ziel", ""));
    EXPECT_FALSE(ini.valueExists("Datensicherung", "nichtzippen"));
}

TEST(CliBackup, ATargetThatCannotBeRememberedIsAnError) {
    Books cli;
    cli.ok({"backup", "--target", cli.target.path()});
    const QString iniPath = cli.dataDir() + "/Kassol.ini";
    ASSERT_TRUE(QFile::setPermissions(iniPath, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QFile ini(iniPath);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray before = ini.readAll();
    ini.close();
    QTemporaryDir other;
    for (const QStringList& args : {QStringList{"backup", "--target", other.path()}, QStringList{"backup", "--copy"}}) {
        const CliRun r = cli.run(args);
        EXPECT_EQ(1, r.status) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("wurde geschrieben")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("kann nicht für die nächste Sicherung gespeichert werden")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("schreibgeschützt")) << r.err.toStdString();
    }
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(before, ini.readAll());
}
