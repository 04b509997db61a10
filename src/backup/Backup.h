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
// Each raises KassolError when the setting cannot be stored (Kassol.ini read-only, a full disk)
// or, for the target, when no folder is given.
void schreibeZiel(const THelperData& helper, const QString& ordner);
void schreibeNichtZippen(const THelperData& helper, bool nichtZippen);

// Compacts the database in place and writes the backup into the target folder: the archive
// Kassol.zip (ks_tab.mdb, then Kassol.ini when it exists, Deflate) or the copy ks_tab_save.mdb.
// The database is copied through SQLite as of one moment, so other programs may go on booking;
// the database file is never replaced. The new backup is built under a temporary name in the
// target folder (".Kassol.zip.PID.neu"; what a killed backup left there is removed), checked
// (archive CRCs, the database inside opened and checked), synced and only then moved over the
// previous backup, which therefore survives every failure.
Sicherungsergebnis sichern(const THelperData& helper, const QString& zielOrdner, bool nichtZippen);

} // namespace Datensicherung
