#pragma once

#include <QString>
#include <vector>

class TDM_EinAus;

struct WirtschaftsjahrEintrag {
    int id = 0;
    int jahr = 0;
    bool aktuell = false;
};

// The fiscal years of the active client. Refusals are raised as KassolError with the user's message.
namespace Wirtschaftsjahre {

constexpr int FruehestesJahr = 1900;
constexpr int SpaetestesJahr = 2100;
// Raises KassolError for a calendar year outside 1900 to 2100 (a typing error, not a fiscal year).
void pruefeJahr(int jahr);

// The active client's years, the latest first.
[[nodiscard]] std::vector<WirtschaftsjahrEintrag> liste(TDM_EinAus& dm);
// A new year of the active client from the entered text; it does not become current. Returns its id.
[[nodiscard]] int anlegen(TDM_EinAus& dm, const QString& eingabe);
// The id of the active client's fiscal year with that calendar year; raises when there is none.
[[nodiscard]] int idVonJahr(TDM_EinAus& dm, int jahr);
// Makes the year the active client's current one, creating the client's settings row if it has none.
void auswaehlen(TDM_EinAus& dm, int zeitraum);
// Deletes a year that is not current, with its bookings and movements; returns the closing message.
[[nodiscard]] QString loeschen(TDM_EinAus& dm, int zeitraum);

} // namespace Wirtschaftsjahre
