#include "backup/ParallelDeflate.h"
#include "backup/ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zip.h>

namespace {

QByteArray bytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void put(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(data.size(), f.write(data));
}

// Much like a database file: records that repeat with variations (also across the blocks' edges),
// runs of zeros as in free pages, and stretches that do not compress at all.
QByteArray inhalt(qint64 groesse) {
    QByteArray d;
    d.reserve(groesse + 40000);
    quint32 x = 20240105;
    const auto zufall = [&x] {
        x = x * 1664525u + 1013904223u;
        return x >> 8;
    };
    while (d.size() < groesse) {
        switch (zufall() % 16) {
        case 0:
            d.append(QByteArray(static_cast<int>(zufall() % 30000), '\0'));
            break;
        case 1:
            for (int i = 0; i < 3000; ++i)
                d.append(static_cast<char>(zufall()));
            break;
        default:
            d.append(QByteArray::number(zufall() % 1000) + ";Verkauf " + QByteArray::number(zufall() % 500) + ";20;" +
                     QByteArray::number(zufall() % 100000) + "\n");
        }
    }
    d.truncate(static_cast<int>(groesse));
    return d;
}

// The exit code of a tool run on the archive with its output, or -1 when the tool is not there.
int werkzeug(const QString& programm, const QStringList& argumente, QString* ausgabe) {
    const QString pfad = QStandardPaths::findExecutable(programm);
    if (pfad.isEmpty())
        return -1;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(pfad, argumente);
    p.waitForFinished(-1);
    *ausgabe = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 99;
}

// unzip tests every entry's checksum.
void unzipIstEinverstanden(const QString& archiv) {
    QString ausgabe;
    const int unzip = werkzeug("unzip", {"-tq", archiv}, &ausgabe);
    if (unzip >= 0) {
        EXPECT_EQ(0, unzip) << ausgabe.toStdString();
    }
}

// Python's zipfile tests every entry's checksum of each archive and compares its entries with the
// files named after it: archive, database, INI file, archive, ...
void zipfileIstEinverstanden(const QStringList& archiveUndDateien) {
    QString ausgabe;
    const int python =
        werkzeug("python3",
                 QStringList{"-c", "import sys, zipfile\n"
                                   "a = sys.argv[1:]\n"
                                   "for archiv, db, ini in zip(a[0::3], a[1::3], a[2::3]):\n"
                                   "    z = zipfile.ZipFile(archiv)\n"
                                   "    assert z.testzip() is None, archiv\n"
                                   "    assert [i.compress_type for i in z.infolist()] == [zipfile.ZIP_DEFLATED] * 2, archiv\n"
                                   "    assert z.read('ks_tab.mdb') == open(db, 'rb').read(), archiv\n"
                                   "    assert z.read('Kassol.ini') == open(ini, 'rb').read(), archiv\n"} +
                     archiveUndDateien,
                 &ausgabe);
    if (python >= 0) {
        EXPECT_EQ(0, python) << ausgabe.toStdString();
    }
}

// An archive of the one file, written by libzip through the deflater.
QString schreibeMit(const QString& archiv, ParallelDeflate& d) {
    int code = 0;
    zip_t* z = zip_open(QFile::encodeName(archiv).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z)
        return QStringLiteral("zip_open %1").arg(code);
    zip_source_t* s = d.quelle(nullptr);
    if (!s || zip_file_add(z, "ks_tab.mdb", s, ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(s);
        zip_discard(z);
        return QStringLiteral("zip_file_add");
    }
    if (zip_close(z) != 0) {
        const QString grund = QString::fromLocal8Bit(zip_strerror(z));
        zip_discard(z);
        return grund;
    }
    return QString();
}

} // namespace

TEST(ZipArchive, EverySizeIsReadBackByteForByteByUsAndByOtherReaders) {
    constexpr qint64 B = ParallelDeflate::Blockgroesse;
    const qint64 groessen[] = {0, 1, B - 1, B, B + 1, 3 * B + 12345};
    QTemporaryDir dir;
    const QString ini = dir.filePath("Kassol.ini");
    const QString aus = dir.filePath("aus");
    put(ini, "[Datensicherung]\nZiel=/tmp/\n");
    QStringList fuerPython;
    for (const qint64 g : groessen) {
        SCOPED_TRACE(g);
        const QByteArray daten = inhalt(g);
        const QString db = dir.filePath(QStringLiteral("%1.mdb").arg(g));
        put(db, daten);
        const QString archiv = dir.filePath(QStringLiteral("%1.zip").arg(g));
        QList<ZipArchive::Geschrieben> geschrieben;
        ASSERT_EQ("", ZipArchive::schreibe(archiv, {{db, "ks_tab.mdb"}, {ini, "Kassol.ini"}}, &geschrieben).toStdString());
        EXPECT_EQ("", ZipArchive::pruefe(archiv, geschrieben).toStdString());
        EXPECT_EQ(QStringList({"ks_tab.mdb", "Kassol.ini"}), ZipArchive::namen(archiv));
        EXPECT_EQ(QList<bool>({true, true}), ZipArchive::deflated(archiv));
        EXPECT_EQ("", ZipArchive::pruefe(archiv).toStdString());
        ASSERT_EQ("", ZipArchive::entpacke(archiv, "ks_tab.mdb", aus).toStdString());
        EXPECT_TRUE(bytes(aus) == daten);
        ASSERT_EQ("", ZipArchive::entpacke(archiv, "Kassol.ini", aus).toStdString());
        EXPECT_EQ(bytes(ini), bytes(aus));
        unzipIstEinverstanden(archiv);
        fuerPython << archiv << db << ini;
    }
    zipfileIstEinverstanden(fuerPython);
}

namespace {

// Little-endian numbers in the archive's headers.
quint32 zahl(const QByteArray& d, qsizetype at, int bytes) {
    quint32 n = 0;
    for (int i = bytes - 1; i >= 0; --i)
        n = (n << 8) | static_cast<quint8>(d[at + i]);
    return n;
}

} // namespace

TEST(ZipArchive, TheCheckAgainstWhatWasWrittenFindsEveryChangedByte) {
    QTemporaryDir dir;
    const QString db = dir.filePath("ks_tab.mdb");
    const QString ini = dir.filePath("Kassol.ini");
    put(db, inhalt(2 * ParallelDeflate::Blockgroesse));
    put(ini, "[Datensicherung]\nnichtzippen=0\n");
    const QString archiv = dir.filePath("Kassol.zip");
    QList<ZipArchive::Geschrieben> geschrieben;
    ASSERT_EQ("", ZipArchive::schreibe(archiv, {{db, "ks_tab.mdb"}, {ini, "Kassol.ini"}}, &geschrieben).toStdString());
    ASSERT_EQ("", ZipArchive::pruefe(archiv, geschrieben).toStdString());
    const QByteArray gut = bytes(archiv);
    const qsizetype ende = gut.lastIndexOf(QByteArray("PK\x05\x06", 4));
    ASSERT_GT(ende, 0);
    const qsizetype verzeichnis = zahl(gut, ende + 16, 4);

    const struct {
        const char* was;
        qsizetype wo;
    } stellen[] = {
        {"in the database's stream", gut.size() / 2},
        {"the INI file's last stored byte", verzeichnis - 1},
        {"the database's CRC in the central directory", verzeichnis + 16},
    };
    for (const auto& s : stellen) {
        SCOPED_TRACE(s.was);
        QByteArray schlecht = gut;
        schlecht[s.wo] = static_cast<char>(schlecht[s.wo] ^ 0x10);
        put(archiv, schlecht);
        EXPECT_NE("", ZipArchive::pruefe(archiv, geschrieben).toStdString());
    }
    put(archiv, gut);
    QList<ZipArchive::Geschrieben> anders = geschrieben;
    anders[1].crc ^= 1;
    EXPECT_EQ("Kassol.ini: Das Inhaltsverzeichnis stimmt nicht mit den geschriebenen Daten überein",
              ZipArchive::pruefe(archiv, anders).toStdString());
    EXPECT_NE("", ZipArchive::pruefe(archiv, geschrieben.mid(0, 1)).toStdString());
}

TEST(ZipArchive, TheDeflatedStreamIsTheSameWhateverTheNumberOfWorkers) {
    QTemporaryDir dir;
    const QString db = dir.filePath("ks_tab.mdb");
    put(db, inhalt(9 * ParallelDeflate::Blockgroesse + 777));
    QByteArray erstes;
    // One worker, as many as cores here, and more than the blocks kept in memory.
    for (const int threads : {1, 2, 11}) {
        SCOPED_TRACE(threads);
        ParallelDeflate d(db, threads);
        const QString archiv = dir.filePath(QStringLiteral("%1.zip").arg(threads));
        ASSERT_EQ("", schreibeMit(archiv, d).toStdString());
        EXPECT_EQ("", d.grund().toStdString());
        EXPECT_EQ("", ZipArchive::pruefe(archiv).toStdString());
        if (erstes.isEmpty())
            erstes = bytes(archiv);
        else
            EXPECT_TRUE(bytes(archiv) == erstes);
    }
}

TEST(ZipArchive, AFileThatIsMissingOrChangesWhileItIsArchivedIsReportedAndNoArchiveIsLeft) {
    QTemporaryDir dir;
    const QString db = dir.filePath("ks_tab.mdb");
    const QString archiv = dir.filePath("Kassol.zip");
    const QString fehlt = ZipArchive::schreibe(archiv, {{db, "ks_tab.mdb"}});
    EXPECT_EQ(QStringLiteral("Die Datei \u201E%1\u201C gibt es nicht.").arg(QDir::toNativeSeparators(db)), fehlt);

    put(db, inhalt(3 * ParallelDeflate::Blockgroesse));
    ParallelDeflate d(db);
    int code = 0;
    zip_t* z = zip_open(QFile::encodeName(archiv).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_TRUE(z);
    ASSERT_LE(0, zip_file_add(z, "ks_tab.mdb", d.quelle(nullptr), 0));
    // Shorter than when it was added.
    ASSERT_TRUE(QFile::resize(db, ParallelDeflate::Blockgroesse));
    EXPECT_NE(0, zip_close(z));
    zip_discard(z);
    EXPECT_EQ(
        QStringLiteral("Die Datei \u201E%1\u201C hat sich während der Sicherung geändert.").arg(QDir::toNativeSeparators(db)),
        d.grund());
    EXPECT_EQ(QStringList({"ks_tab.mdb"}), QDir(dir.path()).entryList(QDir::Files | QDir::Hidden));
}
