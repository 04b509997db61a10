#pragma once

#include "store/SqlParams.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <memory>
#include <optional>

struct sqlite3;
class Nebenverbindung;
#include "store/Transaction.h"

// One SQLite connection. Foreign keys are on; the rollback journal with synchronous=FULL makes
// every committed transaction survive a crash or a power cut, and keeps the database one file
// whenever no transaction is open, so that backups and copies see all of it.
class Database {
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // How long a statement waits for another connection's lock before it fails as busy.
    static constexpr int BusyTimeoutMs = 5000;

    // Opens an existing Kassol database file. Never creates or changes a file that is not a
    // SQLite database: a missing, empty or foreign file raises KassolError with a German message,
    // and so does a database of a newer release, before anything else is read or written.
    void open(const QString& file);
    // Opens (and creates, when missing) a file without looking at it first.
    void openOrCreate(const QString& file);
    void close();
    bool isOpen() const;
    const QString& file() const { return m_file; }

    QSqlDatabase& connection() { return m_db; }
    sqlite3* handle() const;
    // The system's descriptor through which the connection reads and writes its file, or -1 when
    // it cannot be told for certain. It belongs to the connection: never close it.
    int dateiDeskriptor() const;

    // Prepares and runs a statement; the query is forward-only and positioned before its first row.
    QSqlQuery query(const QString& sql, const SqlParams& params = {}, const QString& context = {});
    // Runs a statement without result; returns the number of rows affected.
    int exec(const QString& sql, const SqlParams& params = {}, const QString& context = {});
    // The first column of the first row; nullopt when there is no row.
    std::optional<QVariant> scalar(const QString& sql, const SqlParams& params = {}, const QString& context = {});
    // Prepares a statement for repeated execution; bind its parameters by their lower-case names.
    QSqlQuery prepare(const QString& sql, const QString& context = {});
    static void run(QSqlQuery& query, const QString& context = {});

    // A number that changes whenever another connection, of this program or another, has
    // committed a change to the file since it was last read.
    qint64 fremderStand();

    // A second, read-only connection to the same file, opened at the first call and closed with
    // this one; nullptr when there is none to be had (an in-memory database, say).
    Nebenverbindung* nebenverbindung();

    Transaction transaction();
    // Whether a transaction guard of this connection is open.
    bool inTransaction() const { return m_transactionDepth > 0; }
    // The notifier that hears of every committed change made through this connection; none by
    // default.
    void setzeMelder(Aenderungsmelder* melder) { m_melder = melder; }

private:
    friend class Transaction;
    void connect(const QString& file);
    void refuseNewerRelease();
    void applySettings();

    QString m_name;
    QString m_file;
    QSqlDatabase m_db;
    int m_transactionDepth = 0;
    Aenderungsmelder* m_melder = nullptr;
    Aenderungsmelder::Bereiche m_markiert;  // what the open transaction has changed so far
    std::unique_ptr<Nebenverbindung> m_neben;
    bool m_nebenVersucht = false;
};
