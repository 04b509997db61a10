#include "store/Nebenverbindung.h"

#include "store/DbError.h"
#include "store/SummeNachArt.h"

#include <QFile>
#include <sqlite3.h>

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
