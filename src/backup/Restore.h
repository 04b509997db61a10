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
// touched; the current database is kept beside itself under a dated name, then the backup's
// database is moved into its place in one step. Kassol.ini from an archive is restored only on
// request (the current one is kept dated as well). The database connection must be closed.
// Raises KassolError with the reason; the current database is then unchanged.
Wiederherstellung wiederherstellen(const THelperData& helper, const QString& sicherung, bool mitIni, const QDateTime& jetzt);

} // namespace Datensicherung
