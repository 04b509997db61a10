#pragma once

#include <QString>
#include <optional>

class TDM_EinAus;

// The master-data row of a client.
struct Stammdaten {
    QString ganzerName;
    QString adresse;
    QString plzOrt;
    QString telefon;
    QString steuernummer;
    QString referat;
    std::optional<bool> steuerDE;  // empty: not yet decided
};

namespace StammdatenVerwaltung {

// The active client's row; a client without one reads as empty.
[[nodiscard]] Stammdaten lesen(TDM_EinAus& dm);
// Writes the active client's row (creating it when missing). Values longer than their column
// are refused with a KassolError naming the field.
void schreiben(TDM_EinAus& dm, const Stammdaten& daten);

} // namespace StammdatenVerwaltung
