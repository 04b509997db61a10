#pragma once

#include "reports/ReportContext.h"
#include "reports/engine/PreparedReport.h"
#include "reports/engine/ReportData.h"

class TDM_EinAus;

// The journal ("Buchungsjournal") of a period: every booking in date order.
namespace TRep_Journal {

ReportEngine::PreparedReport erstelle(TDM_EinAus& dm, const T_RepDaten& daten);
// The rows of its "Datenexport": one per tax movement, with the circle's name.
ReportEngine::ReportData exportDaten(TDM_EinAus& dm, const T_RepDaten& daten);

} // namespace TRep_Journal
