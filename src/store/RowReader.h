#pragma once

#include "store/SqlParams.h"

#include <QString>

struct sqlite3_stmt;
class Database;

// Walks a large result straight on the SQLite statement, for the bulk paths (export files,
// reports) where a QVariant for every value would cost more than the query itself.
class RowReader {
public:
    // Prepares the statement and binds the named parameters (matched without regard to case).
    RowReader(Database& db, const QString& sql, const SqlParams& params, const QString& context);
    ~RowReader();
    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;

    // Moves to the next row; false at the end. Raises DbError on failure.
    bool next();
    bool isNull(int column) const;
    qint64 integer(int column) const;
    double real(int column) const;
    QString text(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
    QString m_sql;
    QString m_context;
};
