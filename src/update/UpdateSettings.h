#pragma once

#include <QByteArray>
#include <QString>

// What a release build compiles in: the address below which updates are published and the public
// key their manifests are signed with. A build from source has neither and looks for no update.
namespace UpdateEinstellungen {
QString eingebauteQuelle();
// The 32 bytes of the Ed25519 public key, or empty.
QByteArray eingebauterSchluessel();
} // namespace UpdateEinstellungen
