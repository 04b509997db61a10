#pragma once

#include "app/Currency.h"

#include <vector>

class DataSet;
class TDM_EinAus;

// One tax movement: an amount of tax on one account of the tax-account chart.
struct Steuerbewegung {
    int konto = 0;
    Currency betrag;
    bool operator==(const Steuerbewegung&) const = default;
};

// What the posting reads of a booking.
struct BuchungFuerSteuer {
    int istEinnahme = 1;  // 1 income, 2 expense
    int istEU = 2;        // 1 intra-community acquisition
    int istDrittland = 2; // 1 import from a third country
    Currency betrag;
    int steuersatz = 0;
};

// Rounds to the cent, an exact half to the even cent, on the value times 100 held in extended
// precision: 0.625 gives 0.62, 0.375 gives 0.38.
double round2(double value);

// The movements a booking carries, in the order they are written: income posts its tax share to
// 1000 + rate, an ordinary expense to 2000 + rate, an intra-community acquisition the tax on top
// of its net amount to 1021 and 2021, an import its whole amount to 3000.
std::vector<Steuerbewegung> berechneSteuerbewegungen(const BuchungFuerSteuer& buchung);

// Writes the movements of the booking the data set stands on (its fields ID, IstEinnahme, IstEU,
// IstDrittland, Betrag, Steuersatz) for the active client. Raises KassolError when the booking
// lacks a rate or an amount, and DbError when a row cannot be written.
void SteuerBuchen(TDM_EinAus& dm, const DataSet& buchung);
// Deletes the movements of a booking of the client and, when asked, the booking itself.
void LoeschenKontenbewegungen(TDM_EinAus& dm, int buchungsId, bool buchungLoeschen, int mandant);
