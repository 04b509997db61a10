#include "backup/Compaction.h"

#include "app/KassolError.h"
#include "store/DatabaseFile.h"

#include <QDir>
#include <QFile>
#include <sqlite3.h>

namespace {

KassolError fehler(const QString& path, const QString& grund) {
    return KassolError(QStringLiteral("Die Datenbank \u201E%1\u201C konnte nicht komprimiert werden; sie bleibt unverändert.\n%2")
                           .arg(QDir::toNativeSeparators(path), grund));
}

// Runs one statement to its end with an optional text parameter; returns SQLite's result code
// and the first column of the first row, when there is one.
int ausfuehren(sqlite3* db, const char* sql, const QString& parameter = QString(), QString* ergebnis = nullptr) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        const QByteArray text = parameter.toUtf8();
        if (!parameter.isNull())
            sqlite3_bind_text(stmt, 1, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        bool erste = true;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            if (erste && ergebnis)
                *ergebnis = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
            erste = false;
        }
        if (rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    sqlite3_finalize(stmt);
    return rc;
}

// Compaction is housekeeping: a busy database or a disk without room for the journal leave it
// for another time.
bool spaeter(int rc) { return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED || (rc & 0xff) == SQLITE_FULL; }

} // namespace

SqliteDatei::SqliteDatei(const QString& path, int flags) {
    m_rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (m_db)
        sqlite3_busy_timeout(m_db, 5000);
}

SqliteDatei::~SqliteDatei() { close(); }

int SqliteDatei::exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

int SqliteDatei::close() {
    const int rc = sqlite3_close_v2(m_db);
    m_db = nullptr;
    return rc;
}

QString sqliteGrund(int code, sqlite3* db) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("Ein anderes Kassol-Programm verwendet die Daten gerade. Beenden Sie es oder versuchen Sie es "
                              "gleich noch einmal.");
    case SQLITE_FULL:
        return QStringLiteral("Auf dem Datenträger ist nicht genug Platz frei. Schaffen Sie bitte Platz oder wählen Sie "
                              "einen anderen Speicherort.");
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("Die Datei ist schreibgeschützt oder Kassol fehlen die Schreibrechte. Prüfen Sie bitte die "
                              "Zugriffsrechte.");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("Die Datenbank ist beschädigt. Stellen Sie bitte eine Sicherung wieder her.");
    case SQLITE_CANTOPEN:
        return QStringLiteral("Die Datei kann nicht geöffnet oder angelegt werden. Prüfen Sie bitte, ob der Ordner "
                              "existiert und beschreibbar ist.");
    case SQLITE_IOERR:
        return QStringLiteral("Der Datenträger meldet einen Lese- oder Schreibfehler. Prüfen Sie bitte den Datenträger "
                              "oder wählen Sie einen anderen Speicherort.");
    case SQLITE_NOMEM:
        return QStringLiteral("Es ist nicht genug Arbeitsspeicher frei. Schließen Sie bitte andere Programme und "
                              "versuchen Sie es erneut.");
    default:
        return QStringLiteral("Die Datenbank meldet den Fehler %1 (%2).")
            .arg(code)
            .arg(QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code)));
    }
}

bool komprimiereDatenbank(const QString& path) {
    const DatabaseFileKind kind = inspectDatabaseFile(path);
    if (kind != DatabaseFileKind::SQLite)
        throw fehler(path, describeUnusableDatabase(path, kind));
    // Opening it through SQLite rolls back what a crashed writer left in the journal.
    SqliteDatei v(path, SQLITE_OPEN_READWRITE);
    if (v.rc() != SQLITE_OK)
        throw fehler(path, sqliteGrund(v.rc(), v.db()));
    QString pruefung;
    int rc = ausfuehren(v.db(), "PRAGMA quick_check", QString(), &pruefung);
    if (spaeter(rc))
        return false;
    if (rc != SQLITE_OK)
        throw fehler(path, sqliteGrund(rc, v.db()));
    if (pruefung != QStringLiteral("ok"))
        throw fehler(path, QStringLiteral("Die Datenbank ist beschädigt (%1). Stellen Sie bitte eine Sicherung wieder her.").arg(pruefung));
    rc = ausfuehren(v.db(), "VACUUM");
    if (spaeter(rc))
        return false;
    if (rc != SQLITE_OK)
        throw fehler(path, sqliteGrund(rc, v.db()));
    return true;
}

void kopiereDatenbank(const QString& path, const QString& ziel) {
    const auto scheitern = [&](const QString& grund) {
        return KassolError(QStringLiteral("Von der Datenbank \u201E%1\u201C konnte keine Kopie geschrieben werden.\n%2")
                               .arg(QDir::toNativeSeparators(path), grund));
    };
    const DatabaseFileKind kind = inspectDatabaseFile(path);
    if (kind != DatabaseFileKind::SQLite)
        throw scheitern(describeUnusableDatabase(path, kind));
    SqliteDatei v(path, SQLITE_OPEN_READWRITE);
    if (v.rc() != SQLITE_OK)
        throw scheitern(sqliteGrund(v.rc(), v.db()));
    // VACUUM INTO reads in one transaction: the copy is the database as of one moment.
    const int rc = ausfuehren(v.db(), "VACUUM INTO ?1", ziel);
    if (rc != SQLITE_OK)
        throw scheitern(sqliteGrund(rc, v.db()));
}
