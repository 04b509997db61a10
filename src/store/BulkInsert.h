#pragma once

#include "store/DbError.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <string_view>

class Database;

// One value of a row for bulkInsert: an integer, or UTF-8 text that lives as long as the rows.
struct BulkValue {
    bool istText = false;
    std::int64_t zahl = 0;
    std::string_view text;

    static BulkValue ganzzahl(std::int64_t v) { return {false, v, {}}; }
    static BulkValue utf8(std::string_view t) { return {true, 0, t}; }
};

// The rows bulkInsert writes, read row by row, their values in the order of its column list.
class BulkRows {
public:
    virtual ~BulkRows() = default;
    [[nodiscard]] virtual qsizetype anzahl() const = 0;
    // The values of a row, one for each of the spalten columns, into werte.
    virtual void zeile(qsizetype zeile, BulkValue* werte, int spalten) const = 0;
};

// The engine refused one of the rows (a rule of the schema, a trigger, a full disk); zeile() is
// its position among the rows.
class BulkRowError : public DbError {
public:
    BulkRowError(const DbError& error, qsizetype zeile) : DbError(error), m_zeile(zeile) {}
    [[nodiscard]] qsizetype zeile() const { return m_zeile; }

private:
    qsizetype m_zeile;
};

// Appends the rows to the table in one statement, inside the caller's transaction, so that the
// engine keeps its cursors between rows instead of seeking every index anew for each one.
//
// An index whose keys the rows continue in ascending order (after its present entries) only
// grows at its end and stays. When the rows at least double the table, every other secondary
// index is dropped before and built again afterwards from the sorted table, which is far quicker
// than growing it row by row at many places; its statement is the one stored in the schema, so
// the file ends with the same indexes, and a failure rolls their drop back with the rows.
//
// Every CHECK of the table holds for the rows as for any other insert: the import checks its
// rows itself, and the engine's rules stay the last guard of the books all the same.
//
// Raises BulkRowError for a refused row and DbError for any other failure.
void bulkInsert(Database& db, const QString& table, const QStringList& columns, const BulkRows& rows, const QString& context);
