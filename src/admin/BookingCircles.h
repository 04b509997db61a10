#pragma once

#include <QString>
#include <vector>

class TDM_EinAus;

struct BuchungskreisEintrag {
    int id = 0;
    QString name;
    QString kurz;
};

// The booking circles of the active client. Refusals are raised as KassolError.
namespace Buchungskreise {

// The active client's circles, by name.
[[nodiscard]] std::vector<BuchungskreisEintrag> liste(TDM_EinAus& dm);
// Returns the new circle's id.
[[nodiscard]] int anlegen(TDM_EinAus& dm, const QString& name, const QString& kurz);
void aendern(TDM_EinAus& dm, int id, const QString& name, const QString& kurz);
// Refused while any booking of the active client uses the circle.
void loeschen(TDM_EinAus& dm, int id);

} // namespace Buchungskreise
