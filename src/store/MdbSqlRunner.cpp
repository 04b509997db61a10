#include "store/MdbSqlRunner.h"

#include "app/KassolError.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/SchemaScript.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Helper_MdbSqlRunner {

namespace {

// Removes every character of code 32 or below from both ends.
QString trimControl(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

const QStringList& kassolTables() {
    static const QStringList tables{QStringLiteral("Release"),         QStringLiteral("T_BKreis"),
                                    QStringLiteral("T_Buchungen"),     QStringLiteral("T_Einstellungen"),
                                    QStringLiteral("t_kontenbewegungen"), QStringLiteral("T_Kontenplan"),
                                    QStringLiteral("T_Mandant"),       QStringLiteral("T_Stammdaten"),
                                    QStringLiteral("T_Zeitraum")};
    return tables;
}

} // namespace

void CreateEmptyMdb(const QString& path) {
    if (QFileInfo::exists(path))
        throw KassolError(QStringLiteral("Die Datenbank \u201E%1\u201C kann nicht angelegt werden: die Datei "
                                         "besteht bereits.")
                              .arg(QDir::toNativeSeparators(path)));
    try {
        Database db;
        db.openOrCreate(path);
        // Writes the first page, so that the file is a SQLite database and not an empty file.
        db.exec(QStringLiteral("PRAGMA user_version = 1"));
        db.close();
    } catch (const KassolError& e) {
        QFile::remove(path);
        throw KassolError(QStringLiteral("Die Datenbank \u201E%1\u201C kann nicht angelegt werden.\n%2")
                              .arg(QDir::toNativeSeparators(path), e.message()));
    }
}

SqlScriptParts SplitSqlScript(const QStringList& lines) {
    SqlScriptParts parts;
    QString buffer;
    for (const QString& line : lines) {
        const QString trimmed = trimControl(line);
        if (trimmed.isEmpty() || trimmed.startsWith(QStringLiteral("--")) || trimmed.startsWith(QLatin1Char('\'')))
            continue;
        buffer += QLatin1Char(' ') + trimmed;
        if (trimmed.endsWith(QLatin1Char(';'))) {
            QString statement = trimControl(buffer);
            statement.chop(1);
            if (!statement.isEmpty())
                parts.statements << statement;
            buffer.clear();
        }
    }
    parts.rest = trimControl(buffer);
    return parts;
}

void ExecuteSqlScript(const QString& path, const QStringList& lines) {
    const SqlScriptParts parts = SplitSqlScript(lines);
    Database db;
    db.openOrCreate(path);
    // The file is built under a temporary name and synced as a whole afterwards.
    db.exec(QStringLiteral("PRAGMA synchronous = OFF"));
    for (const QString& statement : parts.statements) {
        try {
            db.exec(statement);
        } catch (const DbError&) {
            // A failing statement does not stop the ones after it.
        }
    }
    if (!parts.rest.isEmpty())
        db.exec(parts.rest);
    db.close();
}

bool HasCompleteSchema(const QString& path) {
    try {
        Database db;
        db.open(path);
        for (const QString& table : kassolTables()) {
            if (!db.scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = :name COLLATE NOCASE"),
                           {{QStringLiteral(":name"), table}}))
                return false;
        }
        return db.scalar(QStringLiteral("SELECT count(*) FROM T_Kontenplan"))->toInt() == 21 &&
               db.scalar(QStringLiteral("SELECT count(*) FROM Release"))->toInt() >= 1;
    } catch (const KassolError&) {
        return false;
    }
}

void CreateDatabaseIfMissing(const QString& path) {
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return;
    const QString building = path + QStringLiteral(".neu");
    QFile::remove(building);
    CreateEmptyMdb(building);
    try {
        ExecuteSqlScript(building, SchemaScript().split(QStringLiteral("\r\n")));
    } catch (const KassolError&) {
        // Judged by the check below, as the script's own failures are.
    }
    if (!HasCompleteSchema(building) || !Platform::syncFile(building)) {
        QFile::remove(building);
        throw KassolError(QStringLiteral("Die Datenbank \u201E%1\u201C konnte nicht vollständig angelegt werden. "
                                         "Bitte prüfen Sie, ob der Ordner beschreibbar ist und genug Platz bietet.")
                              .arg(QDir::toNativeSeparators(path)));
    }
    if (!QFile::rename(building, path)) {
        QFile::remove(building);
        throw KassolError(QStringLiteral("Die Datenbank \u201E%1\u201C kann nicht angelegt werden.")
                              .arg(QDir::toNativeSeparators(path)));
    }
}

bool RunAndWait(const QString& programPath, const QString& parameters, Platform::ShowMode mode) {
    return Platform::runAndWait(programPath, parameters, mode);
}

} // namespace Helper_MdbSqlRunner
