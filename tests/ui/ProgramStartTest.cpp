#include "support/TestSupport.h"

#include "app/IniFile.h"
#include "store/DM_KS.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <csignal>

namespace {
// The program started by xvfb-run, found by its command line (xvfb-run's own shell waits for it).
qint64 programPid(const QString& folder) {
    const QByteArray wanted = QByteArray(KASSOL_PROGRAM) + '\0' + "--data-dir" + '\0' + folder.toLocal8Bit() + '\0';
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll() == wanted)
            return pid;
    }
    return -1;
}
} // namespace

// The real program under a virtual X server: it starts on prepared books, takes the data
// folder's lock, and closes its books again when the session ends it.
TEST(Program, StartsUnderXvfbOnPreparedBooksAndEndsCleanly) {
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty())
        GTEST_SKIP() << "xvfb-run is not installed";
    QTemporaryDir home;
    QString folder;
    {
        TestBooks books;
        books.addClient(3, QStringLiteral("Probe KG"), true, 2024, 1);
        books.db().exec(QStringLiteral("UPDATE T_Stammdaten SET GanzerName = 'Probe KG'"));
        books.dm->closeConnection();
        folder = home.filePath(QStringLiteral("daten"));
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(QFile::copy(books.folder.databaseFile(), folder + QStringLiteral("/KS_tab.mdb")));
    }

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(xvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1280x900x24"),
                            QStringLiteral(KASSOL_PROGRAM), QStringLiteral("--data-dir"), folder});
    ASSERT_TRUE(program.waitForStarted(10000));

    const QString ini = folder + QStringLiteral("/Kassol.ini");
    // The desktop icon is settled when the window is created; the lock is held from the start.
    const bool up = QTest::qWaitFor(
        [&] { return QFileInfo::exists(folder + QStringLiteral("/Kassol.lock")) && QFileInfo::exists(ini); }, 30000);
    ASSERT_TRUE(up) << program.readAll().toStdString();
    QTest::qWait(1500);
    ASSERT_EQ(QProcess::Running, program.state()) << program.readAll().toStdString();

    EXPECT_EQ("true", IniFile(ini).readString(QStringLiteral("Einstellungen"), QStringLiteral("DesktopIcon"), {}).toStdString());
    EXPECT_TRUE(QFileInfo::exists(home.filePath(QStringLiteral("Desktop/Kassol.desktop"))));

    const qint64 pid = programPid(folder);
    ASSERT_GT(pid, 0) << "the program's process was not found";
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(20000)) << program.readAll().toStdString();
    EXPECT_EQ(0, program.exitCode()) << program.readAll().toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/Kassol.lock")));

    THelperData helper(Folders{}, [](const QString&) {});
    helper.PointAtDataFolder(folder);
    FixedClock clock(QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
    TDM_EinAus dm(helper, clock);
    EXPECT_EQ("ok", dm.db().scalar(QStringLiteral("PRAGMA integrity_check"))->toString().toStdString());
    EXPECT_EQ(3, dm.gibAktiverMandant());
}
