#include "CliTestSupport.h"

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
