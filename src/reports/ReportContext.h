#pragma once

#include "reports/engine/ReportModel.h"

#include <QDate>
#include <QString>

class TDM_EinAus;

// What an evaluation command hands its report.
struct T_RepDaten {
    int Zeitraum = 0;     // fiscal-year id
    int mandant = 0;      // client
    int jahr = 0;         // calendar year of the fiscal year
    QDate von;
    QDate bis;
    int BK = 0;           // chosen booking circle, 0 for all
    QString ZeitraumText;
    QString Ganzername;
};

namespace Zeitraumwahl {

constexpr int GanzesJahr = 17;

// Choice code 1 to 12 (a month), 13 to 16 (a quarter) or 17 (the year) of the year: the first
// and last day and the caption ("Februar 2024", "2. Quartal 2024", "Jahr 2024"). Month names come
// from the locale. Returns false for any other code.
bool zeitraum(int code, int jahr, QDate& von, QDate& bis, QString& text);

// The client name of the report header: the master data's full name, or a reminder when it is missing.
QString ganzerName(TDM_EinAus& dm);

// The record of an evaluation of the active client's current fiscal year for the code (or the
// whole year); raises KassolError when no client with a current fiscal year is active.
T_RepDaten fuerAktuellesJahr(TDM_EinAus& dm, int code = GanzesJahr);

// The handler of a report header that shows the period caption and the client name in the
// labels "LabelZeitraum" and "LabelGanzerName".
ReportEngine::Handler kopfzeile(const T_RepDaten& daten);

} // namespace Zeitraumwahl
