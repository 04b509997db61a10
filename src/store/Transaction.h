#pragma once

#include "store/ChangeNotifier.h"

#include <QString>

class Database;

// Rows that belong together are written inside one of these. It rolls back unless commit() was
// called. Nested guards become savepoints of the outer transaction.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(Transaction&& other) noexcept;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    Transaction& operator=(Transaction&&) = delete;

    // Records what the transaction changes. The connection's notifier reports the areas of all
    // guards once, after the outermost one has committed; a rollback takes back the marks made
    // since the guard began.
    void markiere(Aenderungsmelder::Bereiche bereiche);
    void commit();

private:
    Database* m_db;
    int m_level;
    bool m_done = false;
    Aenderungsmelder::Bereiche m_markiertZuvor;  // the connection's marks when this guard began
};
