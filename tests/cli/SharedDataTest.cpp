#include "store/Database.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
int runCli(const QString& dir, const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KASSOL_CLI_PATH), QStringList{"--data-dir", dir} + args);
    p.waitForFinished(60000);
    return p.exitCode();
}
} // namespace

// One command line books while another backs up the same data, again and again: every booking
// reported as saved is in the books afterwards.
TEST(SharedData, BookingsMadeWhileBackingUpAreKept) {
    QTemporaryDir dir;
    QTemporaryDir target;
    ASSERT_EQ(0, runCli(dir.path(), {"init", "--client", "Muster", "--year", "2024"}));
    ASSERT_EQ(0, runCli(dir.path(), {"circle", "add", "Waren", "WA"}));

    QProcess booking;
    booking.start("sh", {"-c", QStringLiteral("for i in $(seq 40); do \"%1\" --data-dir \"%2\" book --income --date 02.01.2024 "
                                              "--amount 120 --rate 20 --circle 1 >/dev/null 2>&1 && echo gebucht; done")
                                   .arg(QStringLiteral(KASSOL_CLI_PATH), dir.path())});
    ASSERT_TRUE(booking.waitForStarted());
    int backups = 0;
    bool copy = false;
    while (booking.state() != QProcess::NotRunning) {
        if (runCli(dir.path(), {"backup", "--target", target.path(), copy ? "--copy" : "--zip"}) == 0)
            ++backups;
        copy = !copy;
        booking.waitForFinished(10);
    }
    booking.waitForFinished();
    const qsizetype saved = booking.readAllStandardOutput().count("gebucht");
    EXPECT_GT(saved, 0);
    EXPECT_GT(backups, 0);

    Database db;
    db.open(dir.filePath("KS_tab.mdb"));
    EXPECT_EQ("ok", db.scalar("PRAGMA integrity_check")->toString().toStdString());
    EXPECT_EQ(saved, db.scalar("SELECT count(*) FROM T_Buchungen")->toLongLong());
    EXPECT_EQ(saved, db.scalar("SELECT count(*) FROM t_kontenbewegungen")->toLongLong());
}
