#include "store/GermanCollation.h"

#include "store/DbError.h"

#include <QCollator>
#include <QLocale>
#include <sqlite3.h>

namespace {

const QCollator& collator() {
    // One collator for the whole program: all database work runs on one thread.
    static const QCollator c = [] {
        QCollator k(QLocale(QLocale::German, QLocale::Austria));
        k.setCaseSensitivity(Qt::CaseInsensitive);
        k.setNumericMode(false);
        k.setIgnorePunctuation(false);
        return k;
    }();
    return c;
}

int vergleicheUtf8(void*, int laengeA, const void* a, int laengeB, const void* b) {
    return DeutscheSortierung::vergleiche(QString::fromUtf8(static_cast<const char*>(a), laengeA),
                                          QString::fromUtf8(static_cast<const char*>(b), laengeB));
}

} // namespace

namespace DeutscheSortierung {

int vergleiche(const QString& a, const QString& b) {
    const int r = collator().compare(a, b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

void registriere(sqlite3* db) {
    const int rc = sqlite3_create_collation_v2(db, Name, SQLITE_UTF8, nullptr, &vergleicheUtf8, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errstr(rc)), QString(), QStringLiteral("Sortierung anmelden"), rc);
}

} // namespace DeutscheSortierung
