#pragma once

#include <QString>
#include <vector>

class TDM_EinAus;
class THelperData;

struct MandantEintrag {
    int nummer = 0;
    QString bezeichnung;
    bool aktiv = false;
};

// The clients of the database and what the client administration does with them. Refusals are
// raised as KassolError with the message the user reads.
namespace Mandanten {

// By name in German order, case ignored.
[[nodiscard]] std::vector<MandantEintrag> liste(TDM_EinAus& dm);
// A new, inactive client with its master-data row; returns its number.
[[nodiscard]] int anlegen(TDM_EinAus& dm, const QString& bezeichnung);
// Renames a client; a name that any client bears, its own included, is refused.
void umbenennen(TDM_EinAus& dm, int nummer, const QString& bezeichnung);
// Makes the client the active one and limits the master data to it.
void auswaehlen(TDM_EinAus& dm, int nummer);
// Deletes a client that is not active, with its INI section; returns the closing message.
[[nodiscard]] QString loeschen(TDM_EinAus& dm, const THelperData& helper, int nummer);
// Whether the active client still lacks a current fiscal year (the follow-up asks for one).
[[nodiscard]] bool brauchtWirtschaftsjahr(TDM_EinAus& dm);
// Gives the active client a new fiscal year as its current one; returns the year's id.
[[nodiscard]] int wirtschaftsjahrEinrichten(TDM_EinAus& dm, int jahr);

} // namespace Mandanten
