#include "app/KassolError.h"
#include "app/SafeFileWriter.h"
#include "support/SmallDisk.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QProcess>
#include <QTemporaryDir>
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

QStringList entries(const QString& folder) { return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }

} // namespace

TEST(SafeFileWriter, ReplacesTheFileKeepingItsPermissionsAndLeavesNothingElse) {
    QTemporaryDir dir;
    const QString path = dir.filePath("bericht.txt");
    put(path, "alt");
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    SafeFileWriter writer(path, "Die Exportdatei");
    writer.write("neu,");
    writer.device().write(" ganz");
    EXPECT_EQ("alt", bytes(path)) << "nothing reaches the target before commit";
    writer.commit();
    EXPECT_EQ("neu, ganz", bytes(path));
    EXPECT_EQ(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup,
              QFile::permissions(path) & (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther));
    EXPECT_EQ(QStringList{"bericht.txt"}, entries(dir.path()));
}

TEST(SafeFileWriter, AWriterThatIsNotCommittedLeavesThePreviousFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("bericht.txt");
    put(path, "alt");
    {
        SafeFileWriter writer(path);
        writer.write("halb");
    }
    EXPECT_EQ("alt", bytes(path));
    EXPECT_EQ(QStringList{"bericht.txt"}, entries(dir.path()));
}

TEST(SafeFileWriter, RefusesWithAGermanReasonAndLeavesThePreviousFile) {
    QTemporaryDir dir;
    put(dir.filePath("schreibgeschuetzt.txt"), "alt");
    ASSERT_TRUE(QFile::setPermissions(dir.filePath("schreibgeschuetzt.txt"), QFile::ReadOwner | QFile::ReadGroup));
    ASSERT_TRUE(QDir(dir.path()).mkdir("ordner"));
    const struct {
        QString target;
        const char* says;
    } cases[] = {
        {"", "es ist kein Dateiname angegeben"},
        {"   ", "es ist kein Dateiname angegeben"},
        {dir.filePath("schreibgeschuetzt.txt"), "Die Datei ist schreibgeschützt. Heben Sie bitte den Schreibschutz auf"},
        {dir.filePath("ordner"), "Unter diesem Namen gibt es bereits einen Ordner"},
        {dir.filePath("fehlt/datei.txt"), "existiert nicht. Legen Sie ihn bitte an"},
    };
    for (const auto& c : cases) {
        try {
            SafeFileWriter::writeAll(c.target, "neu", "Die Exportdatei");
            ADD_FAILURE() << "written: " << c.target.toStdString();
        } catch (const KassolError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says))) << e.message().toStdString();
            EXPECT_TRUE(e.message().startsWith("Die Exportdatei")) << e.message().toStdString();
        }
    }
    EXPECT_EQ("alt", bytes(dir.filePath("schreibgeschuetzt.txt")));
    EXPECT_EQ((QStringList{"ordner", "schreibgeschuetzt.txt"}), entries(dir.path()));
}

TEST(SafeFileWriter, AFullDiskIsReportedEvenThroughTheDeviceAndThePreviousFileStays) {
    SmallDisk disk(256);
    if (!disk.mounted())
        GTEST_SKIP() << disk.why().toStdString();
    const QString path = disk.file("bericht.pdf");
    put(path, "alt");
    disk.fill();
    const QByteArray big(64 * 1024, 'x');

    EXPECT_THROW(SafeFileWriter::writeAll(path, big), KassolError);

    // A writer that ignores the device's answer (as QPdfWriter does) learns of it at commit.
    SafeFileWriter writer(path, "Die PDF-Datei");
    writer.device().write(big);
    try {
        writer.commit();
        ADD_FAILURE() << "committed on a full disk";
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().contains("nicht genug Platz frei")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("Die bisherige Datei ist unverändert.")) << e.message().toStdString();
    }
    EXPECT_EQ("alt", bytes(path));
    EXPECT_EQ((QStringList{".ballast", "bericht.pdf"}), entries(disk.path()));
}

TEST(SafeFileWriter, RemovesWhatWritersThatWereKilledLeftButNotWhatRunningOnesWrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Kassol.zip");
    // A process that has ended: its number is free.
    QProcess ended;
    ended.start("true");
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 dead = ended.processId();
    ASSERT_TRUE(ended.waitForFinished());
    const QString ownName = QStringLiteral(".Kassol.zip.%1.neu").arg(QCoreApplication::applicationPid());
    for (const QString& name : {QStringLiteral(".Kassol.zip.%1.neu").arg(dead), QStringLiteral(".Kassol.zip.%1.neu.mdb").arg(dead),
                                QStringLiteral(".Kassol.zip.1.neu"), QStringLiteral(".ks_tab_save.mdb.%1.neu").arg(dead),
                                QStringLiteral("Kassol.zip.%1.neu").arg(dead)})
        put(dir.filePath(name), "rest");
    SafeFileWriter::writeAll(path, "neu");
    // Process 1 always runs; other kinds of file and names not of this pattern are not ours.
    EXPECT_EQ((QStringList{".Kassol.zip.1.neu", QStringLiteral(".ks_tab_save.mdb.%1.neu").arg(dead), "Kassol.zip",
                           QStringLiteral("Kassol.zip.%1.neu").arg(dead)}),
              entries(dir.path()));
    EXPECT_FALSE(QFile::exists(dir.filePath(ownName)));
}
