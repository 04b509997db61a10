#pragma once

#include "reports/ReportContext.h"
#include "reports/engine/PreparedReport.h"

#include <optional>

class TDM_EinAus;

// The VAT reconciliation ("Umsatzsteuerverprobung") of a period.
namespace TRep_Verprobung {

// The message instead of a report when the period holds no output tax.
QString keineEinnahmen();
// The prepared report, or nothing when the period has no domestic output-tax movement.
std::optional<ReportEngine::PreparedReport> erstelle(TDM_EinAus& dm, const T_RepDaten& daten);

} // namespace TRep_Verprobung
