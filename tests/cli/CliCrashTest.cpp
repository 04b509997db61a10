#include "store/Database.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {
int runCli(const QString& dir, const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KASSOL_CLI_PATH), QStringList{"--data-dir", dir} + args);
    p.waitForFinished(60000);
    return p.exitCode();
}
} // namespace

TEST(Crash, AKilledImportLeavesAllOrNothingAndConfirmedBookingsStay) {
    QTemporaryDir dir;
    ASSERT_EQ(0, runCli(dir.path(), {"init", "--client", "Muster", "--year", "2024"}));
    ASSERT_EQ(0, runCli(dir.path(), {"circle", "add", "Waren", "WA"}));
    ASSERT_EQ(0, runCli(dir.path(), {"book", "--income", "--date", "02.01.2024", "--amount", "120", "--rate", "20", "--circle", "1"}));
    QFile csv(dir.filePath("gross.csv"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("Datum;Belegnummer;Text;Betrag;Steuersatz;Buchungskreis;Art;EU;Drittland;KFZ;Gebaeude\n");
    for (int i = 0; i < 200000; ++i)
        csv.write("03.01.2024;;Zeile;12,34;20;WA;A;;;;\n");
    csv.close();

    // Kill the import at several moments: while reading, while writing, around the commit.
    for (int delayMs : {50, 300, 700, 1200}) {
        QProcess p;
        p.start(QStringLiteral(KASSOL_CLI_PATH), {"--data-dir", dir.path(), "import", csv.fileName()});
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(delayMs);
        p.kill();
        p.waitForFinished();
        Database db;
        db.open(dir.filePath("KS_tab.mdb"));
        EXPECT_EQ("ok", db.scalar("PRAGMA integrity_check")->toString().toStdString()) << delayMs;
        const qint64 bookings = db.scalar("SELECT count(*) FROM T_Buchungen")->toLongLong();
        EXPECT_TRUE(bookings == 1 || bookings == 200001) << delayMs << " ms: " << bookings;
        EXPECT_EQ(bookings, db.scalar("SELECT count(*) FROM t_kontenbewegungen")->toLongLong());
        EXPECT_EQ(1, db.scalar("SELECT count(*) FROM T_Buchungen WHERE Betrag = 1200000")->toLongLong()) << "the confirmed booking";
        db.close();
        if (bookings > 1)
            break;
    }
}
