#pragma once

#include "app/Currency.h"
#include "booking/TaxPosting.h"

#include <QDate>
#include <QSet>
#include <QString>
#include <optional>
#include <vector>

class TDM_EinAus;

// The values of one booking as the user gives them.
struct Buchungsdaten {
    QDate datum;
    std::optional<int> belegnummer;  // empty: the next voucher number
    QString text;
    std::optional<Currency> betrag;
    std::optional<int> steuersatz;
    std::optional<int> bk;
    Buchungsart art = Buchungsart::Einnahme;
    JaNein istEU = JaNein::Nein;
    JaNein istDrittland = JaNein::Nein;
    JaNein istKFZ = JaNein::Nein;
    JaNein istGebaeude = JaNein::Nein;
};

struct GebuchteBuchung {
    int id = 0;
    int belegnummer = 0;
    std::vector<GespeicherteBewegung> bewegungen;
};

namespace Buchungen {

// The flags that belong together: flags only on an expense; intra-community and import exclude
// each other and exclude vehicle and building, which exclude each other. Raises KassolError.
void pruefeKennzeichen(const Buchungsdaten& daten);
// Refuses an amount beyond 999,999,999.99 euros either way.
void pruefeBetrag(Currency betrag);

// The rates a booking may carry: those the chart of tax accounts holds an account for, the
// German ones (7 and 19) only for a client with "Steuersätze DE".
struct Steuersaetze {
    QSet<int> einnahmen;
    QSet<int> ausgaben;
    bool steuerDE = false;
    // Raises KassolError for a rate the kind of booking cannot carry.
    void pruefe(Buchungsart art, int satz) const;
};
[[nodiscard]] Steuersaetze erlaubteSteuersaetze(TDM_EinAus& dm);

// Every value a booking of the active client's current fiscal year must have. Raises KassolError.
void pruefe(TDM_EinAus& dm, const Buchungsdaten& daten);

// A new booking of the active client's current fiscal year, with its movements, in one
// transaction; returns the booked row as stored.
[[nodiscard]] GebuchteBuchung buchen(TDM_EinAus& dm, const Buchungsdaten& daten);
// Replaces the booking's values and its movements, in one transaction; an empty voucher number
// keeps the booking's own. Returns the booked row as stored.
[[nodiscard]] GebuchteBuchung aendern(TDM_EinAus& dm, int id, const Buchungsdaten& daten);
// Removes the booking and its movements, in one transaction.
void loeschen(TDM_EinAus& dm, int id);
// A booking of the active client's current fiscal year; raises KassolError for an unknown id
// and for stored flags other than 1 and 2.
[[nodiscard]] Buchungsdaten lesen(TDM_EinAus& dm, int id);
// The booking's movements, in the order they were written.
[[nodiscard]] std::vector<GespeicherteBewegung> bewegungen(TDM_EinAus& dm, int id);

} // namespace Buchungen
