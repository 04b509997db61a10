#pragma once

#include "reports/ReportContext.h"
#include "reports/engine/PreparedReport.h"
#include "reports/engine/ReportData.h"

class TDM_EinAus;

// The booking-circle details: every booking of the fiscal year, grouped into income and expenses
// and by circle, with sums per circle, per group and the result.
namespace TRep_EinAusDetail {

// daten.BK = 0 for all circles, else the circle's id.
ReportEngine::PreparedReport erstelle(TDM_EinAus& dm, const T_RepDaten& daten);
// The rows of its "Datenexport" (always all circles of the year).
ReportEngine::ReportData exportDaten(TDM_EinAus& dm, const T_RepDaten& daten);

} // namespace TRep_EinAusDetail
