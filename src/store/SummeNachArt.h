#pragma once

#include <QtGlobal>
#include <vector>

struct sqlite3;

// Sums over one table by a kind that rows of another table give their keys, computed by SQLite
// itself in two scans and without a join: the first scan notes each key's kind, the second adds
// each value to the sum of its key's kind. Two aggregate functions serve it; the table they fill
// is handed to them as a pointer parameter bound with Zeiger:
//   SELECT kassol_merke(?, key, kind) FROM ...      (kinds 1 and 2; other kinds count nowhere)
//   SELECT kassol_summiere(?, key, value) FROM ...  (values without kind or key are passed over)
struct SummeNachArt {
    static constexpr const char* Zeiger = "kassol-summe-nach-art";

    // Registers both functions on the connection; raises DbError when SQLite refuses them.
    static void registriere(sqlite3* db);

    // Called between the two scans: makes the keys noted so far ready to be looked up.
    void ordne();
    // The kind of a key, 0 when it has none.
    unsigned char art(qint64 schluessel) const;

    struct Eintrag {
        qint64 schluessel;
        unsigned char art;
    };
    std::vector<Eintrag> eintraege;
    qint64 kleinster = 0;
    qint64 groesster = 0;
    std::vector<unsigned char> dicht;  // kind by key - kleinster, when the keys lie close together
    qint64 summe[3] = {0, 0, 0};
    bool ueberlauf = false;  // a sum left the 64-bit range
};
