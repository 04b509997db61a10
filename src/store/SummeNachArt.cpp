#include "store/SummeNachArt.h"

#include "store/DbError.h"

#include <QString>
#include <algorithm>
#include <sqlite3.h>

namespace {

SummeNachArt* tabelle(sqlite3_value* wert) { return static_cast<SummeNachArt*>(sqlite3_value_pointer(wert, SummeNachArt::Zeiger)); }

void merke(sqlite3_context*, int, sqlite3_value** argv) {
    SummeNachArt* t = tabelle(argv[0]);
    if (!t || sqlite3_value_type(argv[1]) != SQLITE_INTEGER || sqlite3_value_type(argv[2]) != SQLITE_INTEGER)
        return;
    const qint64 art = sqlite3_value_int64(argv[2]);
    if (art != 1 && art != 2)
        return;
    const qint64 schluessel = sqlite3_value_int64(argv[1]);
    if (t->eintraege.empty() || schluessel < t->kleinster)
        t->kleinster = schluessel;
    if (t->eintraege.empty() || schluessel > t->groesster)
        t->groesster = schluessel;
    t->eintraege.push_back({schluessel, static_cast<unsigned char>(art)});
}

void summiere(sqlite3_context*, int, sqlite3_value** argv) {
    SummeNachArt* t = tabelle(argv[0]);
    if (!t || sqlite3_value_type(argv[2]) != SQLITE_INTEGER || sqlite3_value_type(argv[1]) != SQLITE_INTEGER)
        return;
    const unsigned char art = t->art(sqlite3_value_int64(argv[1]));
    if (art != 0 && __builtin_add_overflow(t->summe[art], sqlite3_value_int64(argv[2]), &t->summe[art]))
        t->ueberlauf = true;
}

void ende(sqlite3_context* ctx) { sqlite3_result_null(ctx); }

} // namespace

void SummeNachArt::registriere(sqlite3* db) {
    for (const auto& [name, schritt] : {std::pair{"kassol_merke", &merke}, std::pair{"kassol_summiere", &summiere}}) {
        const int rc = sqlite3_create_function_v2(db, name, 3, SQLITE_UTF8 | SQLITE_DIRECTONLY, nullptr, nullptr, schritt, &ende, nullptr);
        if (rc != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errstr(rc)), QString(), QStringLiteral("Summenfunktionen anmelden"), rc);
    }
}

void SummeNachArt::ordne() {
    dicht.clear();
    if (eintraege.empty())
        return;
    // Keys of one year lie close together; a table by offset then finds a kind in one step.
    if (groesster - kleinster < 4 * static_cast<qint64>(eintraege.size()) + 4096) {
        dicht.assign(static_cast<size_t>(groesster - kleinster + 1), 0);
        for (const Eintrag& e : eintraege)
            dicht[static_cast<size_t>(e.schluessel - kleinster)] = e.art;
    } else {
        std::sort(eintraege.begin(), eintraege.end(), [](const Eintrag& a, const Eintrag& b) { return a.schluessel < b.schluessel; });
    }
}

unsigned char SummeNachArt::art(qint64 schluessel) const {
    if (eintraege.empty() || schluessel < kleinster || schluessel > groesster)
        return 0;
    if (!dicht.empty())
        return dicht[static_cast<size_t>(schluessel - kleinster)];
    const auto it = std::lower_bound(eintraege.begin(), eintraege.end(), schluessel,
                                     [](const Eintrag& e, qint64 v) { return e.schluessel < v; });
    return it != eintraege.end() && it->schluessel == schluessel ? it->art : 0;
}
