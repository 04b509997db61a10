// The real programs, several at once on the same data folder.
#include "store/Database.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

namespace {
struct Lauf {
    int status = -1;
    QString err;
};

Lauf kassolCli(const QString& dir, const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KASSOL_CLI_PATH), QStringList{"--data-dir", dir} + args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError())};
}
} // namespace

// Each booking reads its keys and voucher number inside its own write transaction; a program that
// finds the books busy waits for the other one.
TEST(TwoPrograms, BookingAtTheSameTimeLosesNothingAndKeepsNumbersUnique) {
    QTemporaryDir dir;
    ASSERT_EQ(0, kassolCli(dir.path(), {"init", "--client", "Muster", "--year", "2024"}).status);
    ASSERT_EQ(0, kassolCli(dir.path(), {"circle", "add", "Waren", "WA"}).status);

    constexpr int JeProgramm = 200;
    QStringList fehler[2];
    // Every other booking comes in through an import of one line: both ways allocate keys.
    const auto schreiber = [&](int nr) {
        const QString csv = dir.filePath(QStringLiteral("programm%1.csv").arg(nr));
        for (int i = 0; i < JeProgramm; ++i) {
            const QString text = QStringLiteral("P%1 %2").arg(nr).arg(i);
            Lauf l;
            if (i % 2 == 0) {
                l = kassolCli(dir.path(), {"book", nr == 0 ? "--income" : "--expense", "--date", "02.01.2024", "--amount",
                                           QString::number(i + 1), "--rate", "20", "--circle", "1", "--text", text});
            } else {
                QFile f(csv);
                if (!f.open(QIODevice::WriteOnly))
                    return;
                f.write(QStringLiteral("Datum;Belegnummer;Text;Betrag;Steuersatz;Buchungskreis;Art;EU;Drittland;KFZ;Gebaeude\n"
                                       "02.01.2024;;%1;%2;20;WA;%3;;;;\n")
                            .arg(text)
                            .arg(i + 1)
                            .arg(nr == 0 ? "E" : "A")
                            .toUtf8());
                f.close();
                l = kassolCli(dir.path(), {"import", csv});
            }
            if (l.status != 0)
                fehler[nr] << QStringLiteral("%1: %2").arg(i).arg(l.err);
        }
    };
    std::thread a(schreiber, 0), b(schreiber, 1);
    a.join();
    b.join();
    EXPECT_TRUE(fehler[0].isEmpty()) << fehler[0].join('\n').toStdString();
    EXPECT_TRUE(fehler[1].isEmpty()) << fehler[1].join('\n').toStdString();

    Database db;
    db.open(dir.filePath("KS_tab.mdb"));
    EXPECT_EQ(2 * JeProgramm, db.scalar("SELECT count(*) FROM T_Buchungen")->toInt());
    EXPECT_EQ(2 * JeProgramm, db.scalar("SELECT count(DISTINCT Text) FROM T_Buchungen")->toInt()) << "every booking of both";
    EXPECT_EQ(2 * JeProgramm, db.scalar("SELECT count(DISTINCT Belegnummer) FROM T_Buchungen")->toInt());
    EXPECT_EQ(2 * JeProgramm, db.scalar("SELECT max(Belegnummer) FROM T_Buchungen")->toInt());
    EXPECT_EQ(0, db.scalar("SELECT count(*) FROM T_Buchungen b WHERE (SELECT count(*) FROM t_kontenbewegungen k "
                           "WHERE k.mandant = b.mandant AND k.Buchungen_id = b.ID) <> 1")
                     ->toInt())
        << "each booking has its one tax movement";
    EXPECT_EQ("ok", db.scalar("PRAGMA integrity_check")->toString().toStdString());
}

// An unset variable in a starter script gives an empty folder: the desktop program says so and
// creates no books anywhere.
TEST(DesktopProgram, AnEmptyDataFolderIsRefused) {
#ifndef KASSOL_PROGRAM
    GTEST_SKIP() << "built without the desktop program";
#else
    QTemporaryDir home;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", home.path());
    env.insert("XDG_DATA_HOME", home.filePath("share"));
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_RUNTIME_DIR", home.path());
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(home.path());
    program.start(QStringLiteral(KASSOL_PROGRAM), {"--data-dir", ""});
    ASSERT_TRUE(program.waitForStarted(10000));
    // The refusal stays on screen in a message box; the starter script reads it on stderr.
    QByteArray err;
    QElapsedTimer uhr;
    uhr.start();
    while (!err.contains("Der Datenordner bei --data-dir ist leer") && program.state() == QProcess::Running &&
           uhr.elapsed() < 60000) {
        program.waitForReadyRead(1000);
        err += program.readAllStandardError();
    }
    err += program.readAllStandardError();
    program.kill();
    program.waitForFinished();
    EXPECT_TRUE(QString::fromLocal8Bit(err).contains("Der Datenordner bei --data-dir ist leer")) << err.toStdString();
    QDirIterator it(home.path(), {"KS_tab.mdb", "*.mdb"}, QDir::Files, QDirIterator::Subdirectories);
    EXPECT_FALSE(it.hasNext()) << "books were created: " << it.next().toStdString();
#endif
}
