#pragma once

#include <QByteArray>
#include <QString>

// Ed25519 keys and signatures of update manifests (libsodium). Key files hold one line of Base64:
// the 32-byte public key (kassol-update.pub) or the 64-byte secret key (kassol-update.key).
namespace UpdateSchluessel {

struct Paar {
    QByteArray oeffentlich;
    QByteArray geheim;
};

Paar erzeuge();
QByteArray signiere(const QByteArray& daten, const QByteArray& geheim);
bool pruefe(const QByteArray& daten, const QByteArray& signatur, const QByteArray& oeffentlich);
// The public half of a secret key.
QByteArray oeffentlicherTeil(const QByteArray& geheim);

// Read a key file; raise KassolError with a German message when it is missing or holds no key.
QByteArray liesOeffentlich(const QString& datei);
QByteArray liesGeheim(const QString& datei);
// The text of a key file.
QByteArray alsText(const QByteArray& schluessel);

} // namespace UpdateSchluessel
