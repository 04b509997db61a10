#pragma once

#include <QDateTime>
#include <QString>

class THelperData;

struct Wiederherstellung {
    QString datenbank;         // the database file that now holds the backup
    QString bisherigeKopie;    // where the database it replaced was kept (empty when there was none)
    bool iniWiederhergestellt = false;
    QString meldung;
};

namespace Datensicherung {

// Brings back a backup (Kassol.zip or ks_tab_save.mdb). The backup is checked before anything is
// touched. Refused while the desktop program has the data folder open (its lock file Kassol.lock)
// or another connection is reading or writing. The current database is opened through SQLite
// first, which rolls back what a crashed writer left in its journal; a copy of it is kept beside
// it under a dated name, and the backup is then copied into it through SQLite in one
// transaction. Only a file that SQLite cannot read (missing, damaged, foreign) is replaced as a
// whole; a journal is never touched. Kassol.ini from an archive is restored only on request (the
// current one is kept dated as well). Raises KassolError with the reason; the current database
// is then unchanged.
Wiederherstellung wiederherstellen(const THelperData& helper, const QString& sicherung, bool mitIni, const QDateTime& jetzt);

} // namespace Datensicherung
