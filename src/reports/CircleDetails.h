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
// The same, each page handed on as soon as it is laid out; returns the number of pages.
int erstelle(TDM_EinAus& dm, const T_RepDaten& daten, ReportEngine::PageSink& seiten);
// The rows of its "Datenexport" (always all circles of the year).
ReportEngine::ReportData exportDaten(TDM_EinAus& dm, const T_RepDaten& daten);

} // namespace TRep_EinAusDetail
