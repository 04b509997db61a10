#pragma once

#include <QString>
#include <functional>
#include <future>
#include <memory>

struct sqlite3;

// A second, read-only connection to the file of a Database, so that a long read can be split
// across two cores. It reads the state the main connection reads when it begins its own read
// transaction while the main connection already holds one: no other connection can commit in
// between. Used by one thread at a time.
class Nebenverbindung {
public:
    // nullptr when the file cannot be opened a second time (an in-memory database, say).
    static std::unique_ptr<Nebenverbindung> oeffne(const QString& datei);
    ~Nebenverbindung();
    Nebenverbindung(const Nebenverbindung&) = delete;
    Nebenverbindung& operator=(const Nebenverbindung&) = delete;

    sqlite3* handle() const { return m_db; }
    // A number no other second connection of this run has had.
    quint64 nummer() const { return m_nummer; }
    // Begins a read transaction and takes the file's shared lock; false (and nothing open) when
    // another connection holds it back or the read fails.
    bool beginneLesen();
    void beendeLesen();

    // Runs arbeit with this connection on another thread, inside a read transaction of its own.
    // Whoever uses the connection next waits for it first (warteAufHintergrund), and so does the
    // end of the connection.
    void imHintergrund(std::function<void(sqlite3*)> arbeit);
    void warteAufHintergrund();

private:
    explicit Nebenverbindung(sqlite3* db);
    sqlite3* m_db;
    quint64 m_nummer;
    bool m_liest = false;
    std::future<void> m_hintergrund;
};
