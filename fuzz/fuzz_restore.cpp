// Restoring a backup from an archive (or a database copy) made of the input's bytes.
#include "FuzzSupport.h"
#include "app/KassolError.h"
#include "app/THelperData.h"
#include "backup/Restore.h"
#include "store/DatabaseFile.h"
#include "store/MdbSqlRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

struct Setup {
    QTemporaryDir dir;
    QString data, database, ini, backup;
    QByteArray databaseBytes;
    const QByteArray iniBytes = QByteArrayLiteral("[Datensicherung]\nZiel=/media/stick/\n");
    THelperData helper{Folders{}, nullptr};

    Setup() {
        data = dir.filePath(QStringLiteral("Data"));
        QDir().mkpath(data);
        database = data + QStringLiteral("/KS_tab.mdb");
        ini = data + QStringLiteral("/Kassol.ini");
        backup = dir.filePath(QStringLiteral("Kassol.zip"));
        Helper_MdbSqlRunner::CreateDatabaseIfMissing(database);
        databaseBytes = contents(database);
        helper.PointAtDataFolder(data);
        reset();
    }

    static QByteArray contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            fuzz::fail("cannot write a file of the setup");
    }
    // The data folder as before a restore: the database, the settings and nothing else.
    void reset() {
        QDir folder(data);
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden))
            folder.remove(name);
        write(database, databaseBytes);
        write(ini, iniBytes);
    }
};

Setup* setup = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startQt(argc, argv);
    setup = new Setup;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Setup& s = *setup;
    Setup::write(s.backup, fuzz::bytes(data, size));
    const QDateTime at(QDate(2024, 3, 15), QTime(10, 0));
    try {
        (void)Datensicherung::wiederherstellen(s.helper, s.backup, true, at);
    } catch (const KassolError&) {
        // A refused backup leaves the data folder as it was.
        if (Setup::contents(s.database) != s.databaseBytes || Setup::contents(s.ini) != s.iniBytes)
            fuzz::fail("refused restore changed the data");
        if (QDir(s.data).entryList(QDir::Files | QDir::Hidden).size() != 2)
            fuzz::fail("refused restore left files behind");
        return 0;
    }
    // What was restored is a sound database, and the one it replaced was kept.
    if (!checkKassolDatabase(s.database).isEmpty())
        fuzz::fail("restored a database that does not pass the check");
    // The copy is taken through SQLite, so it holds the same books but not the same bytes.
    bool kept = false;
    for (const QString& name : QDir(s.data).entryList(QDir::Files))
        kept = kept || (name.contains(QStringLiteral("vor_Wiederherstellung")) && name.endsWith(QStringLiteral(".mdb")) &&
                        checkKassolDatabase(QDir(s.data).filePath(name)).isEmpty());
    if (!kept)
        fuzz::fail("the replaced database was not kept");
    s.reset();
    return 0;
}
