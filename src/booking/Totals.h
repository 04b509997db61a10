#pragma once

#include "app/Currency.h"

#include <QString>
#include <optional>

class TDM_EinAus;

// The four figures beside the main window's lists, for one client's fiscal year.
struct Summen {
    int mandant = -1;
    int zeitraum = -1;
    std::optional<int> jahr;  // the fiscal year's calendar year; empty when no such year exists
    QString mandantBezeichnung;
    Currency einnahmen;  // gross income, imports left out
    Currency ausgaben;   // gross expenses, imports left out
    Currency ust;        // every movement of the income bookings
    Currency vst;        // every movement of the expense bookings
};

// Computes the figures of the active client's current fiscal year afresh from the database.
[[nodiscard]] Summen berechneSummen(TDM_EinAus& dm);
// The same for a given fiscal year and client.
[[nodiscard]] Summen berechneSummen(TDM_EinAus& dm, int zeitraum, int mandant);
// Starts reading the active client's current year on a second connection, on another thread, so
// that the next berechneSummen of that year finds the figures ready. It takes them only when no
// row of the file has been written since they were read, and computes them itself otherwise.
void summenVorbereiten(TDM_EinAus& dm);
