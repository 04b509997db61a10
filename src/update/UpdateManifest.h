#pragma once

#include "app/KassolError.h"
#include "update/Version.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// A manifest that is refused: unsigned, signed with another key, changed, expired, not newer, or
// naming a file it must not. Nothing is asked or downloaded after it.
class UpdateAbgelehnt : public KassolError {
public:
    using KassolError::KassolError;
};

struct UpdateDatei {
    QString name;      // path below the program folder, parts separated by '/'
    QString ort;       // where it lies, relative to the manifest's folder
    qint64 groesse = 0;
    QByteArray sha256; // 32 bytes
    bool ausfuehrbar = false;
};

// The manifest "Kassol.inf": the version, the day after which it is no longer trusted, and every
// file with its size, SHA-256 and location. Its last line carries the Ed25519 signature of all
// lines before it:
//
//   Kassol-Update 1
//   Version 2026.05
//   Ablauf 2026-12-31
//   Datei kassol 123456 <sha256 hex> x kassol
//   Signatur <Base64>
struct UpdateManifest {
    static constexpr const char* DateiName = "Kassol.inf";
    static constexpr qint64 HoechsteGroesse = 64 * 1024;
    static constexpr qint64 HoechsteDateigroesse = qint64(1) << 31;

    Programmversion version;
    QDate ablauf;
    QList<UpdateDatei> dateien;

    // The signed file.
    QByteArray signiert(const QByteArray& geheimerSchluessel) const;
    // Checks the signature with the public key before it reads anything else, then the form of
    // every line. Raises UpdateAbgelehnt.
    static UpdateManifest lies(const QByteArray& datei, const QByteArray& oeffentlicherSchluessel);

    // Whether a name may be replaced by an update: a relative path of plain parts, none of them
    // the books, the settings or the update's own files.
    static bool erlaubterName(const QString& name);

private:
    QByteArray inhalt() const;
};
