#include "store/SummeNachArt.h"

#include "store/DbError.h"

#include <QString>
#include <algorithm>
#include <sqlite3.h>

namespace SummeNachArt {

namespace {

// The target is looked up once per scan and kept in the aggregate's context: finding a pointer
// parameter compares its type name, which would otherwise happen for every row.
template <class T>
T* ziel(sqlite3_context* ctx, sqlite3_value* wert) {
    auto** gemerkt = static_cast<T**>(sqlite3_aggregate_context(ctx, sizeof(T*)));
    if (!gemerkt)
        return nullptr;
    if (!*gemerkt)
        *gemerkt = static_cast<T*>(sqlite3_value_pointer(wert, T::Zeiger));
    return *gemerkt;
}

bool ganzzahl(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_INTEGER; }

void merke(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Merkliste* t = ziel<Merkliste>(ctx, argv[0]);
    if (!t || !ganzzahl(argv[2]))
        return;
    const qint64 art = sqlite3_value_int64(argv[2]);
    if (art != 1 && art != 2)
        return;
    if (ganzzahl(argv[3]) && sqlite3_value_int64(argv[3]) == 2 && ganzzahl(argv[4]))
        t->bedingt.addiere(static_cast<int>(art), sqlite3_value_int64(argv[4]));
    if (ganzzahl(argv[1]))
        t->notiere(sqlite3_value_int64(argv[1]), static_cast<unsigned char>(art));
}

void summiere(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Zuordnung* z = ziel<Zuordnung>(ctx, argv[0]);
    if (!z || !z->arten || !ganzzahl(argv[2]) || !ganzzahl(argv[1]))
        return;
    const unsigned char art = z->arten->art(sqlite3_value_int64(argv[1]));
    if (art != 0)
        z->summe.addiere(art, sqlite3_value_int64(argv[2]));
}

void ende(sqlite3_context* ctx) { sqlite3_result_null(ctx); }

} // namespace

void registriere(sqlite3* db) {
    struct Funktion {
        const char* name;
        int argumente;
        void (*schritt)(sqlite3_context*, int, sqlite3_value**);
    };
    for (const Funktion& f : {Funktion{"kassol_merke", 5, &merke}, Funktion{"kassol_summiere", 3, &summiere}}) {
        const int rc = sqlite3_create_function_v2(db, f.name, f.argumente, SQLITE_UTF8 | SQLITE_DIRECTONLY, nullptr, nullptr,
                                                  f.schritt, &ende, nullptr);
        if (rc != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errstr(rc)), QString(), QStringLiteral("Summenfunktionen anmelden"), rc);
    }
}

void Merkliste::notiere(qint64 schluessel, unsigned char a) {
    if (eintraege.empty() || schluessel < kleinster)
        kleinster = schluessel;
    if (eintraege.empty() || schluessel > groesster)
        groesster = schluessel;
    eintraege.push_back({schluessel, a});
}

void Merkliste::leere() {
    eintraege.clear();
    dicht.clear();
    kleinster = groesster = 0;
    bedingt = Summen();
}

void Merkliste::uebernimm(const Merkliste& teil) {
    if (!teil.eintraege.empty()) {
        if (eintraege.empty() || teil.kleinster < kleinster)
            kleinster = teil.kleinster;
        if (eintraege.empty() || teil.groesster > groesster)
            groesster = teil.groesster;
        eintraege.insert(eintraege.end(), teil.eintraege.begin(), teil.eintraege.end());
    }
    bedingt.addiere(teil.bedingt);
}

void Merkliste::ordne() {
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

unsigned char Merkliste::art(qint64 schluessel) const {
    if (eintraege.empty() || schluessel < kleinster || schluessel > groesster)
        return 0;
    if (!dicht.empty())
        return dicht[static_cast<size_t>(schluessel - kleinster)];
    const auto it = std::lower_bound(eintraege.begin(), eintraege.end(), schluessel,
                                     [](const Eintrag& e, qint64 v) { return e.schluessel < v; });
    return it != eintraege.end() && it->schluessel == schluessel ? it->art : 0;
}

} // namespace SummeNachArt
