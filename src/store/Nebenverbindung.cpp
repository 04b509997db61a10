#include "store/Nebenverbindung.h"

#include "store/DbError.h"
#include "store/SummeNachArt.h"

#include <QFile>
#include <atomic>
#include <sqlite3.h>

namespace {
std::atomic<quint64> naechsteNummer{1};
}

Nebenverbindung::Nebenverbindung(sqlite3* db) : m_db(db), m_nummer(naechsteNummer++) {}

std::unique_ptr<Nebenverbindung> Nebenverbindung::oeffne(const QString& datei) {
    if (datei.isEmpty() || datei == QLatin1String(":memory:") || !QFile::exists(datei))
        return nullptr;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(datei).constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<Nebenverbindung> v(new Nebenverbindung(db));
    // The same page cache as the main connection, so that large books stay in memory between reads.
    if (sqlite3_exec(db, "PRAGMA cache_size = -65536; PRAGMA query_only = 1", nullptr, nullptr, nullptr) != SQLITE_OK)
        return nullptr;
    try {
        SummeNachArt::registriere(db);
    } catch (const DbError&) {
        return nullptr;
    }
    return v;
}

Nebenverbindung::~Nebenverbindung() {
    warteAufHintergrund();
    beendeLesen();
    sqlite3_close_v2(m_db);
}

bool Nebenverbindung::beginneLesen() {
    beendeLesen();
    // Any read takes the shared lock, which the transaction then keeps; no waiting for a writer
    // here, as the main connection would be waiting for this one in turn.
    if (sqlite3_exec(m_db, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK) {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    m_liest = true;
    return true;
}

void Nebenverbindung::beendeLesen() {
    if (m_liest && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    m_liest = false;
}

void Nebenverbindung::imHintergrund(std::function<void(sqlite3*)> arbeit) {
    warteAufHintergrund();
    m_hintergrund = std::async(std::launch::async, [this, arbeit = std::move(arbeit)] {
        if (!beginneLesen())
            return;
        try {
            arbeit(m_db);
        } catch (...) {
            // The work reports through what it fills; a failure leaves it empty.
        }
        beendeLesen();
    });
}

void Nebenverbindung::warteAufHintergrund() {
    if (m_hintergrund.valid())
        m_hintergrund.get();
}
