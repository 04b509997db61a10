#include "store/Database.h"
#include "store/GermanCollation.h"

#include "app/KassolError.h"
#include "store/DatabaseFile.h"
#include "store/DbError.h"
#include "store/Nebenverbindung.h"
#include "store/SchemaScript.h"
#include "store/SummeNachArt.h"
#include "store/Transaction.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <cstring>
#include <sqlite3.h>
#include <utility>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace {
QAtomicInt connectionCounter;

QString engineText(const QSqlError& error) {
    QString text = error.driverText();
    if (!error.databaseText().isEmpty())
        text = error.databaseText();
    return text.isEmpty() ? error.text() : text;
}

// SQLite's result code, which the driver passes on as the native error code.
int engineCode(const QSqlError& error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code : -1;
}

DbError dbError(const QSqlError& error, const QString& statement, const QString& context) {
    return DbError(engineText(error), statement, context, engineCode(error));
}
} // namespace

Database::Database() : m_name(QStringLiteral("kassol-%1").arg(connectionCounter.fetchAndAddRelaxed(1))) {}

Database::~Database() {
    close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void Database::open(const QString& file) {
    const DatabaseFileKind kind = inspectDatabaseFile(file);
    if (kind != DatabaseFileKind::SQLite)
        throw KassolError(describeUnusableDatabase(file, kind));
    connect(file);
    try {
        // Before the connection's settings, which may already write (the journal mode).
        refuseNewerRelease();
        applySettings();
    } catch (...) {
        m_db.close();
        throw;
    }
}

void Database::openOrCreate(const QString& file) {
    const QFileInfo vorher(file);
    const bool neu = !vorher.exists() || vorher.size() == 0;
    connect(file);
    try {
        // Before the first page is written. Pages of 8 KiB keep the trees of a million bookings
        // flatter, which makes writing many of them at once a tenth faster; larger ones would make
        // the first figures of a year slower to read from the disk.
        if (neu)
            exec(QStringLiteral("PRAGMA page_size = 8192"));
        applySettings();
    } catch (...) {
        m_db.close();
        throw;
    }
}

void Database::connect(const QString& file) {
    close();
    if (!m_db.isValid())
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_file = file;
    m_db.setDatabaseName(file);
    // Another program's write transaction is waited for this long before the user is told.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (!m_db.open())
        throw dbError(m_db.lastError(), QString(), QStringLiteral("Datenbank \u201E%1\u201C öffnen").arg(file));
}

void Database::refuseNewerRelease() {
    const QString context = QStringLiteral("Datenbank \u201E%1\u201C öffnen").arg(m_file);
    // A file without the table is judged by whoever checks the tables; only the release is read.
    if (!scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'Release' COLLATE NOCASE"), {}, context))
        return;
    const auto release = scalar(QStringLiteral("SELECT max(Release) FROM Release"), {}, context);
    if (!release || release->isNull() || release->toLongLong() <= SchemaRelease)
        return;
    throw KassolError(QStringLiteral("Die Datenbank \u201E%1\u201C stammt von einer neueren Kassol-Version "
                                     "(Datenstand %2; diese Version kennt Datenstände bis %3). Damit nichts verloren "
                                     "geht, öffnet Kassol sie nicht. Bitte installieren Sie die neueste Kassol-Version.")
                          .arg(QDir::toNativeSeparators(QFileInfo(m_file).absoluteFilePath()))
                          .arg(release->toLongLong())
                          .arg(SchemaRelease));
}

void Database::applySettings() {
    exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    // A read-only file cannot switch its journal; it still reads.
    query(QStringLiteral("PRAGMA journal_mode = DELETE"));
    exec(QStringLiteral("PRAGMA synchronous = FULL"));
    // Large books are read whole by the lists and reports; a page cache of 64 MiB keeps them in
    // memory between statements instead of reading them from the file each time.
    exec(QStringLiteral("PRAGMA cache_size = -65536"));
    DeutscheSortierung::registriere(handle());
    SummeNachArt::registriere(handle());
}

void Database::close() {
    m_neben.reset();
    m_nebenVersucht = false;
    if (m_db.isValid() && m_db.isOpen())
        m_db.close();
    m_transactionDepth = 0;
    m_markiert = {};
}

qint64 Database::fremderStand() {
    const auto v = scalar(QStringLiteral("PRAGMA data_version"), {}, QStringLiteral("Datenstand lesen"));
    return v ? v->toLongLong() : -1;
}

Nebenverbindung* Database::nebenverbindung() {
    if (!m_nebenVersucht && isOpen()) {
        m_nebenVersucht = true;
        m_neben = Nebenverbindung::oeffne(m_file);
    }
    return m_neben.get();
}

bool Database::isOpen() const { return m_db.isValid() && m_db.isOpen(); }

sqlite3* Database::handle() const {
    const QVariant v = m_db.driver()->handle();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3* const*>(v.data());
    return nullptr;
}

int Database::dateiDeskriptor() const {
#if defined(Q_OS_UNIX)
    sqlite3* db = handle();
    if (!db)
        return -1;
    sqlite3_vfs* vfs = nullptr;
    sqlite3_file* datei = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_VFS_POINTER, &vfs) != SQLITE_OK || !vfs || !vfs->zName ||
        std::strncmp(vfs->zName, "unix", 4) != 0 ||
        sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &datei) != SQLITE_OK || !datei || !datei->pMethods)
        return -1;
    // The engine's files of this kind begin with their methods, the creating VFS, the lock
    // record and then the descriptor; the engine names no call for it. Only a descriptor that
    // is open on this very file counts, so any other layout yields none.
    struct UnixDateiAnfang {
        const sqlite3_io_methods* methoden;
        sqlite3_vfs* vfs;
        void* sperren;
        int deskriptor;
    };
    const auto* anfang = reinterpret_cast<const UnixDateiAnfang*>(datei);
    if (anfang->vfs != vfs)
        return -1;
    const int fd = anfang->deskriptor;
    struct stat offen {}, benannt {};
    if (fd < 0 || ::fstat(fd, &offen) != 0 || ::stat(QFile::encodeName(m_file).constData(), &benannt) != 0 ||
        offen.st_dev != benannt.st_dev || offen.st_ino != benannt.st_ino)
        return -1;
    return fd;
#else
    return -1;
#endif
}

namespace {
// Parameter names are matched without regard to case, as identifiers are; the statement's
// placeholders are written in lower case and so are the names they are bound by.
QString lowerPlaceholders(const QString& sql) {
    QString out = sql;
    bool inString = false;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i];
        if (c == QLatin1Char('\''))
            inString = !inString;
        else if (!inString && c == QLatin1Char(':') && i + 1 < out.size() && (out[i + 1].isLetter() || out[i + 1] == QLatin1Char('_')))
            for (qsizetype j = i + 1; j < out.size() && (out[j].isLetterOrNumber() || out[j] == QLatin1Char('_')); ++j)
                out[j] = out[j].toLower();
    }
    return out;
}
} // namespace

QSqlQuery Database::prepare(const QString& sql, const QString& context) {
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(lowerPlaceholders(sql)))
        throw dbError(q.lastError(), sql, context);
    return q;
}

void Database::run(QSqlQuery& q, const QString& context) {
    if (!q.exec())
        throw dbError(q.lastError(), q.lastQuery(), context);
}

QSqlQuery Database::query(const QString& sql, const SqlParams& params, const QString& context) {
    QSqlQuery q = prepare(sql, context);
    for (const auto& [name, value] : params)
        q.bindValue((name.startsWith(QLatin1Char(':')) ? name : QLatin1Char(':') + name).toLower(), value);
    run(q, context);
    return q;
}

int Database::exec(const QString& sql, const SqlParams& params, const QString& context) {
    QSqlQuery q = query(sql, params, context);
    return q.numRowsAffected();
}

std::optional<QVariant> Database::scalar(const QString& sql, const SqlParams& params, const QString& context) {
    QSqlQuery q = query(sql, params, context);
    if (!q.next())
        return std::nullopt;
    return q.value(0);
}

Transaction Database::transaction() { return Transaction(*this); }

Transaction::Transaction(Database& db) : m_db(&db), m_level(db.m_transactionDepth), m_markiertZuvor(db.m_markiert) {
    // The write lock is taken at once, so that the keys read inside stay ours until the commit;
    // its failure (busy, read-only) needs no step named beside it.
    if (m_level == 0)
        db.exec(QStringLiteral("BEGIN IMMEDIATE"));
    else
        db.exec(QStringLiteral("SAVEPOINT kassol_%1").arg(m_level));
    ++db.m_transactionDepth;
}

Transaction::Transaction(Transaction&& other) noexcept
    : m_db(other.m_db), m_level(other.m_level), m_done(other.m_done), m_markiertZuvor(other.m_markiertZuvor) {
    other.m_done = true;
}

Transaction::~Transaction() {
    if (m_done || !m_db->isOpen())
        return;
    try {
        if (m_level == 0) {
            m_db->exec(QStringLiteral("ROLLBACK"));
        } else {
            m_db->exec(QStringLiteral("ROLLBACK TO kassol_%1").arg(m_level));
            m_db->exec(QStringLiteral("RELEASE kassol_%1").arg(m_level));
        }
    } catch (...) {
        // The statement that failed has already been reported; a failed rollback leaves
        // SQLite's own automatic rollback to undo the transaction.
    }
    m_db->m_markiert = m_markiertZuvor;
    --m_db->m_transactionDepth;
}

void Transaction::markiere(Aenderungsmelder::Bereiche bereiche) {
    if (!m_done)
        m_db->m_markiert |= bereiche;
}

void Transaction::commit() {
    if (m_done)
        return;
    if (m_level == 0)
        m_db->exec(QStringLiteral("COMMIT"));
    else
        m_db->exec(QStringLiteral("RELEASE kassol_%1").arg(m_level));
    m_done = true;
    --m_db->m_transactionDepth;
    if (m_level > 0)
        return;
    // Reported only now that the connection is out of the transaction, so that whoever hears
    // it reads the committed rows and may write again.
    const Aenderungsmelder::Bereiche bereiche = std::exchange(m_db->m_markiert, {});
    if (m_db->m_melder)
        m_db->m_melder->melde(bereiche);
}
