#pragma once

#include <QString>
#include <QStringList>

// The few things the backup does with zip archives, on libzip.
namespace ZipArchive {

struct Eintrag {
    QString pfad;  // the file to add
    QString name;  // its name in the archive
};

// What was written into an entry, for checking the archive against it.
struct Geschrieben {
    QString name;
    qint64 groesse = 0;
    quint32 crc = 0;
    qint64 komprimiert = 0;  // the size of the Deflate stream
    quint32 crcKomprimiert = 0;
};

// Writes a new archive with the files, Deflate, in the given order; every block of every file is
// inflated again at once and compared with the file. Returns an empty text or the reason, and on
// success, when asked, what each entry holds.
QString schreibe(const QString& archiv, const QList<Eintrag>& eintraege, QList<Geschrieben>* geschrieben = nullptr);
// The names of the archive's entries in order; empty with a reason when it is no readable archive.
QStringList namen(const QString& archiv, QString* grund = nullptr);
// Whether each entry (in order) is stored with Deflate.
QList<bool> deflated(const QString& archiv);
// Reads every entry to its end, which makes libzip check each CRC. Returns an empty text or the reason.
QString pruefe(const QString& archiv);
// Checks an archive that schreibe has just written against what it wrote: the archive's structure,
// each entry's name, method, sizes and CRC, and every stored byte read back against the CRC of the
// stream written. Since schreibe has compared that stream with the files, this checks as much as
// inflating it all again, at a fraction of the work. Returns an empty text or the reason.
QString pruefe(const QString& archiv, const QList<Geschrieben>& geschrieben);
// Writes one entry (matched without regard to case) to a file, through SafeFileWriter. Returns an
// empty text or the reason.
QString entpacke(const QString& archiv, const QString& name, const QString& ziel);

} // namespace ZipArchive
