#pragma once

#include <QString>

struct sqlite3;

// Compacts the database in place (VACUUM), in one transaction through SQLite's own journal. The
// file is never replaced, so a connection that has it open, in this process or another, goes on
// working and sees the compacted data; a crash leaves it as it was. The database is checked
// first. Returns false, leaving the file as it was, when another connection kept it busy for
// longer than the wait or the disk has no room for the journal; raises KassolError with the
// reason on any other failure (the file then stays as it was too).
[[nodiscard]] bool komprimiereDatenbank(const QString& path);

// Writes a consistent, compacted copy of the database (as of one moment, whatever other
// connections write meanwhile) to the file ziel, which must be missing or empty. The database
// file itself is only read. Raises KassolError with the reason.
void kopiereDatenbank(const QString& path, const QString& ziel);

// A connection of its own on a database file, past the data module, for the backup's work on
// whole files. Closed when it goes out of scope; waits up to five seconds for a busy database.
class SqliteDatei {
public:
    SqliteDatei(const QString& path, int flags);  // SQLITE_OPEN_* flags; never creates without SQLITE_OPEN_CREATE
    ~SqliteDatei();
    SqliteDatei(const SqliteDatei&) = delete;
    SqliteDatei& operator=(const SqliteDatei&) = delete;
    int rc() const { return m_rc; }  // of opening
    sqlite3* db() const { return m_db; }
    // Runs statements without parameters; returns SQLite's result code.
    int exec(const char* sql);
    // Closes now, returning SQLite's result code.
    int close();

private:
    sqlite3* m_db = nullptr;
    int m_rc = 0;
};

// A German sentence for an SQLite result code that says what to do: busy, full, read-only,
// damaged, not to be opened, a disk error.
QString sqliteGrund(int code, sqlite3* db = nullptr);
