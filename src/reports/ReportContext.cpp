#include "reports/ReportContext.h"

#include "app/Formats.h"
#include "app/KassolError.h"
#include "store/DM_KS.h"

namespace Zeitraumwahl {

bool zeitraum(int code, int jahr, QDate& von, QDate& bis, QString& text) {
    if (code >= 1 && code <= 12) {
        von = QDate(jahr, code, 1);
        bis = QDate(jahr, code, von.daysInMonth());
        text = Formats::monthName(code) + QLatin1Char(' ') + QString::number(jahr);
        return true;
    }
    if (code >= 13 && code <= 16) {
        const int quartal = code - 12;
        von = QDate(jahr, 3 * quartal - 2, 1);
        const QDate letzterMonat(jahr, 3 * quartal, 1);
        bis = QDate(jahr, 3 * quartal, letzterMonat.daysInMonth());
        text = QStringLiteral("%1. Quartal %2").arg(quartal).arg(jahr);
        return true;
    }
    if (code == GanzesJahr) {
        von = QDate(jahr, 1, 1);
        bis = QDate(jahr, 12, 31);
        text = QStringLiteral("Jahr %1").arg(jahr);
        return true;
    }
    return false;
}

QString ganzerName(TDM_EinAus& dm) {
    const auto name = dm.db().scalar(QStringLiteral("SELECT GanzerName FROM T_Stammdaten WHERE mandant = :mandant"),
                                     {{QStringLiteral(":mandant"), dm.gibAktiverMandant()}}, QStringLiteral("Stammdaten lesen"));
    if (!name || name->isNull())
        return QStringLiteral("In den Stammdaten wurde noch kein Name eingetragen!!!");
    return name->toString();
}

T_RepDaten fuerAktuellesJahr(TDM_EinAus& dm, int code) {
    T_RepDaten d;
    d.mandant = dm.benoetigeAktivenMandanten();
    d.Zeitraum = dm.gibZeitraum();
    if (d.Zeitraum == -1)
        throw KassolError(QStringLiteral("Der aktive Mandant hat kein aktuelles Wirtschaftsjahr."));
    d.jahr = dm.gibJahr();
    d.Ganzername = ganzerName(dm);
    if (!zeitraum(code, d.jahr, d.von, d.bis, d.ZeitraumText))
        throw KassolError(QStringLiteral("Der Zeitraum %1 ist ungültig; erlaubt sind 1 bis 12 (Monate), 13 bis 16 (Quartale) "
                                         "und 17 (ganzes Jahr).")
                              .arg(code));
    return d;
}

ReportEngine::Handler kopfzeile(const T_RepDaten& daten) {
    return [&daten](ReportEngine::BandContext& c) {
        c.item(QStringLiteral("LabelZeitraum")).text = daten.ZeitraumText;
        c.item(QStringLiteral("LabelGanzerName")).text = daten.Ganzername;
    };
}

} // namespace Zeitraumwahl
