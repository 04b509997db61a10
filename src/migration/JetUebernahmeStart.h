#pragma once

#include <QString>

class Clock;
class UserInteraction;

// At start-up, on a data folder whose KS_tab.mdb is a Jet file: offers the take-over, shows its
// progress in a window and its outcome in boxes. Returns true when the books are Kassol's now.
// Raises KassolError when the take-over failed or the user would not leave refused rows out.
bool jetUebernahmeBeimStart(const QString& datenordner, UserInteraction& ui, const Clock& clock);
