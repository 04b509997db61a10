#pragma once

#include <QString>
#include <QStringList>

// The few things the backup does with zip archives, on libzip.
namespace ZipArchive {

struct Eintrag {
    QString pfad;  // the file to add
    QString name;  // its name in the archive
};

// Writes a new archive with the files, Deflate, in the given order. Returns an empty text or the reason.
QString schreibe(const QString& archiv, const QList<Eintrag>& eintraege);
// The names of the archive's entries in order; empty with a reason when it is no readable archive.
QStringList namen(const QString& archiv, QString* grund = nullptr);
// Whether each entry (in order) is stored with Deflate.
QList<bool> deflated(const QString& archiv);
// Reads every entry to its end, which makes libzip check each CRC. Returns an empty text or the reason.
QString pruefe(const QString& archiv);
// Writes one entry (matched without regard to case) to a file, through SafeFileWriter. Returns an
// empty text or the reason.
QString entpacke(const QString& archiv, const QString& name, const QString& ziel);

} // namespace ZipArchive
