#include "store/DatabaseFile.h"

#include "app/KassolError.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

DatabaseFileKind inspectDatabaseFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return DatabaseFileKind::Missing;
    if (info.isDir())
        return DatabaseFileKind::Folder;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return DatabaseFileKind::Unreadable;
    const QByteArray head = file.read(32);
    if (head.isEmpty())
        return DatabaseFileKind::Empty;
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return DatabaseFileKind::SQLite;
    // Access files carry their engine's name right after a four-byte page header.
    if (head.mid(4, 15) == QByteArrayLiteral("Standard Jet DB") || head.mid(4, 16) == QByteArrayLiteral("Standard ACE DB"))
        return DatabaseFileKind::Jet;
    return DatabaseFileKind::Other;
}

QString describeUnusableDatabase(const QString& path, DatabaseFileKind kind) {
    const QString name = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    switch (kind) {
    case DatabaseFileKind::Missing:
        return QStringLiteral("Die Datenbank \u201E%1\u201C wurde nicht gefunden.").arg(name);
    case DatabaseFileKind::Folder:
        return QStringLiteral("\u201E%1\u201C ist ein Ordner und keine Datenbankdatei.").arg(name);
    case DatabaseFileKind::Unreadable:
        return QStringLiteral("Die Datenbank \u201E%1\u201C kann nicht gelesen werden. Bitte prüfen Sie die "
                              "Zugriffsrechte.")
            .arg(name);
    case DatabaseFileKind::Empty:
        return QStringLiteral("Die Datei \u201E%1\u201C ist leer und keine Kassol-Datenbank. Sie wurde nicht "
                              "verändert.")
            .arg(name);
    case DatabaseFileKind::Jet:
        return QStringLiteral("Die Datei \u201E%1\u201C ist eine Microsoft-Access-Datenbank. Kassol speichert "
                              "seine Daten in einem anderen Format und kann sie nicht öffnen; die Datei wurde "
                              "nicht verändert. Ihre Daten übernimmt Kassol beim Programmstart auf Nachfrage oder "
                              "mit \u201Ekassol-cli migrate\u201C.")
            .arg(name);
    case DatabaseFileKind::Other:
        return QStringLiteral("Die Datei \u201E%1\u201C ist keine Kassol-Datenbank (unbekanntes Dateiformat). "
                              "Sie wurde nicht verändert.")
            .arg(name);
    case DatabaseFileKind::SQLite:
        break;
    }
    return QString();
}

QString checkKassolDatabase(const QString& path) {
    const DatabaseFileKind kind = inspectDatabaseFile(path);
    if (kind != DatabaseFileKind::SQLite)
        return describeUnusableDatabase(path, kind);
    try {
        Database db;
        db.open(path);
        const QString check = db.scalar(QStringLiteral("PRAGMA quick_check"))->toString();
        if (check != QStringLiteral("ok"))
            return QStringLiteral("Die Datenbank ist beschädigt: %1").arg(check);
        const int tables = db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                                                    "('T_Buchungen', 't_kontenbewegungen', 'T_Mandant', 'T_Kontenplan')"))
                               ->toInt();
        if (tables != 4)
            return QStringLiteral("Die Datei enthält keine Kassol-Daten.");
        return QString();
    } catch (const KassolError& e) {
        return e.message();
    }
}
