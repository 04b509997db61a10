#pragma once

#include "migration/JetUebernahme.h"

class UserInteraction;

// The desktop program's start-up on a data folder whose KS_tab.mdb is a Jet file: asks whether to
// take the books over, does it with progress, and shows the refused rows for a second decision.
// Returns true when KS_tab.mdb is now Kassol's database, false when the user declined (the file is
// then untouched). A failed take-over, or refused rows the user would not leave out, raise
// KassolError with the German account; the Jet file is then untouched as well.
bool frageNachJetUebernahme(const QString& datenordner, UserInteraction& ui, Uebernahmeoptionen optionen);
