#include "backup/ZipArchive.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Python's exit code and output, or -1 when it is not there.
int python(const QStringList& argumente, QString* ausgabe) {
    const QString pfad = QStandardPaths::findExecutable("python3");
    if (pfad.isEmpty())
        return -1;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(pfad, argumente);
    p.waitForFinished(-1);
    *ausgabe = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 99;
}

} // namespace

// Zip64: the file is larger than 4 GiB (sparse, so it takes no room on the disk). Deflating it takes
// a while, which is why this test has a program of its own; Python reads the Zip64 headers.
TEST(ZipArchive, AFileLargerThanFourGibibytesIsArchivedWithZip64) {
    QTemporaryDir dir;
    const QString db = dir.filePath("ks_tab.mdb");
    const qint64 groesse = (qint64(4) << 30) + (qint64(1) << 20) + 3;
    {
        QFile f(db);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Anfang");
        ASSERT_TRUE(f.resize(groesse - 4));
        ASSERT_TRUE(f.seek(groesse - 4));
        f.write("Ende");
    }
    const QString archiv = dir.filePath("Kassol.zip");
    QList<ZipArchive::Geschrieben> geschrieben;
    ASSERT_EQ("", ZipArchive::schreibe(archiv, {{db, "ks_tab.mdb"}}, &geschrieben).toStdString());
    ASSERT_EQ(1, geschrieben.size());
    EXPECT_EQ(groesse, geschrieben[0].groesse);
    EXPECT_EQ("", ZipArchive::pruefe(archiv, geschrieben).toStdString());
    QString ausgabe;
    const int rc = python({"-c",
                           "import sys, zipfile\n"
                           "i = zipfile.ZipFile(sys.argv[1]).getinfo('ks_tab.mdb')\n"
                           "assert i.file_size == int(sys.argv[2]), i.file_size\n"
                           "assert i.compress_size == int(sys.argv[3]), i.compress_size\n"
                           "assert i.CRC == int(sys.argv[4]), i.CRC\n",
                           archiv, QString::number(groesse), QString::number(geschrieben[0].komprimiert),
                           QString::number(geschrieben[0].crc)},
                          &ausgabe);
    if (rc >= 0) {
        EXPECT_EQ(0, rc) << ausgabe.toStdString();
    }
}
