#include "backup/Compaction.h"

#include "app/FilePaths.h"
#include "app/KassolError.h"
#include "app/Platform.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"
#include "store/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

KassolError fehler(const QString& path, const QString& grund) {
    return KassolError(QStringLiteral("Die Datenbank \u201E%1\u201C konnte nicht komprimiert werden; sie bleibt unverändert.\n%2")
                           .arg(QDir::toNativeSeparators(path), grund));
}

} // namespace

void komprimiereDatenbank(const QString& path) {
    const DatabaseFileKind kind = inspectDatabaseFile(path);
    if (kind != DatabaseFileKind::SQLite)
        throw fehler(path, describeUnusableDatabase(path, kind));
    const QString temp = FilePaths::replaceExtension(path, QStringLiteral(".$$$"));
    QFile::remove(temp);
    try {
        {
            Database source;
            source.open(path);
            source.exec(QStringLiteral("VACUUM INTO :ziel"), {{QStringLiteral(":ziel"), temp}}, QStringLiteral("Komprimieren"));
            source.close();
        }
        if (const QString grund = checkKassolDatabase(temp); !grund.isEmpty())
            throw fehler(path, QStringLiteral("Die komprimierte Kopie ist fehlerhaft: %1").arg(grund));
        if (!Platform::syncFile(temp))
            throw fehler(path, QStringLiteral("Die komprimierte Kopie kann nicht auf den Datenträger geschrieben werden."));
        const QString grund = Platform::replaceFile(temp, path);
        if (!grund.isEmpty())
            throw fehler(path, QStringLiteral("Die komprimierte Kopie kann nicht an ihre Stelle gebracht werden: %1").arg(grund));
    } catch (const DbError& e) {
        QFile::remove(temp);
        throw fehler(path, e.engineMessage());
    } catch (const KassolError&) {
        QFile::remove(temp);
        throw;
    }
}
