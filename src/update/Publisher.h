#pragma once

#include "update/UpdateManifest.h"

#include <QDate>
#include <QString>

// The publisher's side of an update: making the key pair and signing a release into the folder
// that the update server publishes. Failures raise KassolError with a German message.
namespace Herausgabe {

constexpr const char* OeffentlicheDatei = "kassol-update.pub";
constexpr const char* GeheimeDatei = "kassol-update.key";

// Writes kassol-update.pub and kassol-update.key (readable by its owner only) into the folder;
// refuses to overwrite either.
void erzeugeSchluessel(const QString& ordner);

// Copies every file below dateien into webroot/webupdate/Kassol/ and writes the signed
// Kassol.inf beside them. Returns the manifest written.
UpdateManifest signiere(const QString& schluesselDatei, const QString& version, const QDate& ablauf,
                        const QString& dateien, const QString& webroot);

} // namespace Herausgabe
