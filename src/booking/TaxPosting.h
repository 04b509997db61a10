#pragma once

#include "app/Currency.h"
#include "booking/BookingFlags.h"

#include <vector>

class TDM_EinAus;

// One tax movement: an amount of tax on one account of the tax-account chart.
struct Steuerbewegung {
    int konto = 0;
    Currency betrag;
    bool operator==(const Steuerbewegung&) const = default;
};

// A movement as written, with its key.
struct GespeicherteBewegung {
    int id = 0;
    Steuerbewegung bewegung;
};

// What the posting reads of a booking.
struct BuchungFuerSteuer {
    Buchungsart art = Buchungsart::Einnahme;
    JaNein istEU = JaNein::Nein;        // intra-community acquisition
    JaNein istDrittland = JaNein::Nein; // import from a third country
    Currency betrag;
    int steuersatz = 0;
};

// Rounds to the cent, an exact half to the even cent, on the value times 100 held in extended
// precision: 0.625 gives 0.62, 0.375 gives 0.38.
[[nodiscard]] double round2(double value);

// The movements a booking carries, in the order they are written: income posts its tax share to
// 1000 + rate, an ordinary expense to 2000 + rate, an intra-community acquisition the tax on top
// of its net amount to 1021 and 2021, an import its whole amount to 3000.
[[nodiscard]] std::vector<Steuerbewegung> berechneSteuerbewegungen(const BuchungFuerSteuer& buchung);

// Writes the movements of the client's booking with that id, each with the next free key, and
// returns them as written. Raises DbError when a row cannot be written; the caller's transaction
// then takes back what was written before.
std::vector<GespeicherteBewegung> SteuerBuchen(TDM_EinAus& dm, int buchungsId, const BuchungFuerSteuer& buchung, int mandant);
// Deletes the movements of a booking of the client and, when asked, the booking itself.
void LoeschenKontenbewegungen(TDM_EinAus& dm, int buchungsId, bool buchungLoeschen, int mandant);
