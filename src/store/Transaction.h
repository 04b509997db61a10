#pragma once

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

    void commit();

private:
    Database* m_db;
    int m_level;
    bool m_done = false;
};
