#pragma once

#include "reports/ReportContext.h"
#include "reports/engine/PreparedReport.h"

class TDM_EinAus;

// The plus-minus report ("Plus - Minus Rechnung"): income against expenses per circle name.
namespace TRep_PlusMinus {

ReportEngine::PreparedReport erstelle(TDM_EinAus& dm, const T_RepDaten& daten);

} // namespace TRep_PlusMinus
