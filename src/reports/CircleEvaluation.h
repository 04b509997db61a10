#pragma once

#include "reports/ReportContext.h"
#include "reports/engine/PreparedReport.h"

class TDM_EinAus;

// The booking-circle evaluation ("Einnahmen - Ausgaben Rechnung"): net and gross sums per circle
// of the whole fiscal year, income and expenses apart, and the result.
namespace TRep_EinAus {

// daten.BK = 0 for all circles, else the circle's id.
ReportEngine::PreparedReport erstelle(TDM_EinAus& dm, const T_RepDaten& daten);

} // namespace TRep_EinAus
