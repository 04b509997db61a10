#pragma once

#include <QtGlobal>
#include <vector>

struct sqlite3;

// Sums over one table by a kind that rows of another table give their keys, computed by SQLite
// itself in scans without a join: scans of the first table note each key's kind (and add each
// row's value to its kind's sum where a flag holds), then scans of the second table add each value
// to the sum of its key's kind. Two aggregate functions serve it; what they fill is handed to them
// as a pointer parameter:
//   SELECT kassol_merke(?, key, kind, flag, value) FROM ...  (? a Merkliste bound with Merkliste::Zeiger;
//                                                             kinds 1 and 2, others count nowhere;
//                                                             the value counts when flag = 2)
//   SELECT kassol_summiere(?, key, value) FROM ...           (? a Zuordnung bound with Zuordnung::Zeiger;
//                                                             values without kind or key are passed over)
// A scan may be split into parts, each with its own Merkliste or Zuordnung, and the parts joined.
namespace SummeNachArt {

// Registers both functions on the connection; raises DbError when SQLite refuses them.
void registriere(sqlite3* db);

// Three sums by kind (0 unused); a sum that would leave the 64-bit range is noted and kept.
struct Summen {
    qint64 wert[3] = {0, 0, 0};
    bool ueberlauf = false;
    void addiere(int art, qint64 betrag) {
        if (__builtin_add_overflow(wert[art], betrag, &wert[art]))
            ueberlauf = true;
    }
    void addiere(const Summen& andere) {
        for (int art : {1, 2})
            addiere(art, andere.wert[art]);
        ueberlauf = ueberlauf || andere.ueberlauf;
    }
};

// Both are filled row by row, often two at once on two cores: each starts a cache line of its own,
// so that the cores do not fight over one line.

// The kinds of keys noted by scans of the first table, and the values whose flag held.
struct alignas(64) Merkliste {
    static constexpr const char* Zeiger = "kassol-merkliste";
    struct Eintrag {
        qint64 schluessel;
        unsigned char art;
    };
    std::vector<Eintrag> eintraege;
    qint64 kleinster = 0;
    qint64 groesster = 0;
    std::vector<unsigned char> dicht;  // kind by key - kleinster, when the keys lie close together
    Summen bedingt;

    // Empties the list for the next scans; the memory stays for them.
    void leere();
    // Takes over the keys and sums of another part of the same scan.
    void uebernimm(const Merkliste& teil);
    // Called after the scans: makes the keys noted ready to be looked up.
    void ordne();
    // The kind of a key, 0 when it has none.
    unsigned char art(qint64 schluessel) const;
    void notiere(qint64 schluessel, unsigned char art);
};

// One part of the scans of the second table: the values by their key's kind.
struct alignas(64) Zuordnung {
    static constexpr const char* Zeiger = "kassol-zuordnung";
    const Merkliste* arten = nullptr;
    Summen summe;
};

} // namespace SummeNachArt
