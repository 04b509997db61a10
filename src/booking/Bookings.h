#pragma once

#include "app/Currency.h"
#include "booking/TaxPosting.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

class TDM_EinAus;

// The values of one booking as the user gives them. Flags: 1 = yes, 2 = no; IstEinnahme 1 = income,
// 2 = expense.
struct Buchungsdaten {
    QDate datum;
    std::optional<int> belegnummer;  // empty: the next voucher number
    QString text;
    std::optional<Currency> betrag;
    std::optional<int> steuersatz;
    std::optional<int> bk;
    int istEinnahme = 1;
    int istEU = 2;
    int istDrittland = 2;
    int istKFZ = 2;
    int istGebaeude = 2;
};

struct GespeicherteBewegung {
    int id = 0;
    Steuerbewegung bewegung;
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
// Every value a booking of the active client's current fiscal year must have. Raises KassolError.
void pruefe(TDM_EinAus& dm, const Buchungsdaten& daten);

// A new booking of the active client's current fiscal year, with its movements, in one transaction.
GebuchteBuchung buchen(TDM_EinAus& dm, const Buchungsdaten& daten);
// Replaces the booking's values and its movements, in one transaction.
GebuchteBuchung aendern(TDM_EinAus& dm, int id, const Buchungsdaten& daten);
// Removes the booking and its movements, in one transaction.
void loeschen(TDM_EinAus& dm, int id);
// The booking of the active client; raises KassolError for an unknown id.
Buchungsdaten lesen(TDM_EinAus& dm, int id);
std::vector<GespeicherteBewegung> bewegungen(TDM_EinAus& dm, int id);

// Writes the row that ADO_Buchungen holds in insert or edit state together with its movements
// (an edited booking loses its old ones first), all in one transaction: a failure leaves the books
// exactly as they were and is raised.
void speichereAktuelleBuchung(TDM_EinAus& dm);

} // namespace Buchungen
