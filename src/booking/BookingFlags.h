#pragma once

#include "app/KassolError.h"

// A yes/no flag of a booking (IstEU, IstDrittland, IstKFZ, IstGebaeude) as it is stored.
enum class JaNein : int { Ja = 1, Nein = 2 };
// The kind of a booking, stored in IstEinnahme.
enum class Buchungsart : int { Einnahme = 1, Ausgabe = 2 };

constexpr int gespeichert(JaNein wert) { return static_cast<int>(wert); }
constexpr int gespeichert(Buchungsart art) { return static_cast<int>(art); }

constexpr JaNein jaNein(bool ja) { return ja ? JaNein::Ja : JaNein::Nein; }
constexpr bool ja(JaNein wert) { return wert == JaNein::Ja; }

// Whether a value is one of the two the column may hold; a value cast from an unchecked
// number may be neither.
constexpr bool gueltig(JaNein wert) { return wert == JaNein::Ja || wert == JaNein::Nein; }
constexpr bool gueltig(Buchungsart art) { return art == Buchungsart::Einnahme || art == Buchungsart::Ausgabe; }

inline KassolError ungueltigesKennzeichen() {
    return KassolError(QStringLiteral("Die Kennzeichen der Buchung müssen 1 (ja) oder 2 (nein) sein."));
}

// From a stored number; any value other than 1 or 2 raises KassolError.
inline JaNein jaNeinAus(int gespeichert) {
    const auto wert = static_cast<JaNein>(gespeichert);
    if (!gueltig(wert))
        throw ungueltigesKennzeichen();
    return wert;
}

inline Buchungsart buchungsartAus(int gespeichert) {
    const auto art = static_cast<Buchungsart>(gespeichert);
    if (!gueltig(art))
        throw ungueltigesKennzeichen();
    return art;
}
