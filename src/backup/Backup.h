#pragma once

#include <QString>

class THelperData;

// The settings of the backup, kept in the INI file's section "Datensicherung".
struct Sicherungseinstellungen {
    QString ziel;              // target folder
    bool nichtZippen = false;  // copy the database instead of zipping it
};

struct Sicherungsergebnis {
    bool erfolgreich = false;
    QString meldung;    // the message the user reads, success or failure
    QString zielDatei;  // the backup written, on success
};

namespace Datensicherung {

constexpr const char* ArchivName = "Kassol.zip";
constexpr const char* KopieName = "ks_tab_save.mdb";

// "Ziel" (default: "a:\" on Windows, the user's home folder elsewhere) and "nichtzippen" (default false).
Sicherungseinstellungen lese(const THelperData& helper);
void schreibeZiel(const THelperData& helper, const QString& ordner);
void schreibeNichtZippen(const THelperData& helper, bool nichtZippen);

// Compacts the closed database and writes the backup into the target folder: the archive
// Kassol.zip (ks_tab.mdb, then Kassol.ini when it exists, Deflate) or the copy ks_tab_save.mdb.
// The new backup is built under a temporary name in the target folder, checked (archive CRCs,
// the database inside opened and checked) and only then moved over the previous backup, which
// therefore survives every failure. The database connection must be closed.
Sicherungsergebnis sichern(const THelperData& helper, const QString& zielOrdner, bool nichtZippen);

} // namespace Datensicherung
