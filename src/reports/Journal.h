#pragma once

#include "reports/ReportContext.h"
#include "reports/engine/PreparedReport.h"
#include "reports/engine/ReportData.h"

class TDM_EinAus;

// The journal ("Buchungsjournal") of a period: every booking in date order.
namespace TRep_Journal {

ReportEngine::PreparedReport erstelle(TDM_EinAus& dm, const T_RepDaten& daten);
// The same, each page handed on as soon as it is laid out; returns the number of pages.
int erstelle(TDM_EinAus& dm, const T_RepDaten& daten, ReportEngine::PageSink& seiten);
// The rows of its "Datenexport": one per tax movement, with the circle's name.
ReportEngine::ReportData exportDaten(TDM_EinAus& dm, const T_RepDaten& daten);

} // namespace TRep_Journal
