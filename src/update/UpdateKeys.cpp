#include "update/UpdateKeys.h"

#include "app/KassolError.h"

#include <QDir>
#include <QFile>
#include <sodium.h>

namespace {

void bereite() {
    // sodium_init may be called from any thread, any number of times; it fails only without a
    // source of randomness, and then no key can be trusted.
    if (sodium_init() < 0)
        throw KassolError(QStringLiteral("Die Verschlüsselungsbibliothek kann nicht gestartet werden."));
}

QByteArray liesSchluessel(const QString& datei, int laenge, const QString& was) {
    QFile f(datei);
    if (!f.open(QIODevice::ReadOnly))
        throw KassolError(QStringLiteral("Die Schlüsseldatei \u201E%1\u201C kann nicht gelesen werden: %2")
                              .arg(QDir::toNativeSeparators(datei), f.errorString()));
    const QByteArray text = f.read(4096).trimmed();
    const auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != laenge)
        throw KassolError(QStringLiteral("Die Datei \u201E%1\u201C enthält keinen %2.")
                              .arg(QDir::toNativeSeparators(datei), was));
    return decoded.decoded;
}

} // namespace

namespace UpdateSchluessel {

Paar erzeuge() {
    bereite();
    Paar p;
    p.oeffentlich.resize(crypto_sign_PUBLICKEYBYTES);
    p.geheim.resize(crypto_sign_SECRETKEYBYTES);
    crypto_sign_keypair(reinterpret_cast<unsigned char*>(p.oeffentlich.data()),
                        reinterpret_cast<unsigned char*>(p.geheim.data()));
    return p;
}

QByteArray signiere(const QByteArray& daten, const QByteArray& geheim) {
    bereite();
    if (geheim.size() != crypto_sign_SECRETKEYBYTES)
        throw KassolError(QStringLiteral("Der geheime Schlüssel hat nicht die richtige Länge."));
    QByteArray signatur(crypto_sign_BYTES, '\0');
    crypto_sign_detached(reinterpret_cast<unsigned char*>(signatur.data()), nullptr,
                         reinterpret_cast<const unsigned char*>(daten.constData()), static_cast<unsigned long long>(daten.size()),
                         reinterpret_cast<const unsigned char*>(geheim.constData()));
    return signatur;
}

bool pruefe(const QByteArray& daten, const QByteArray& signatur, const QByteArray& oeffentlich) {
    bereite();
    if (signatur.size() != crypto_sign_BYTES || oeffentlich.size() != crypto_sign_PUBLICKEYBYTES)
        return false;
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signatur.constData()),
                                       reinterpret_cast<const unsigned char*>(daten.constData()),
                                       static_cast<unsigned long long>(daten.size()),
                                       reinterpret_cast<const unsigned char*>(oeffentlich.constData())) == 0;
}

QByteArray oeffentlicherTeil(const QByteArray& geheim) {
    bereite();
    if (geheim.size() != crypto_sign_SECRETKEYBYTES)
        throw KassolError(QStringLiteral("Der geheime Schlüssel hat nicht die richtige Länge."));
    QByteArray oeffentlich(crypto_sign_PUBLICKEYBYTES, '\0');
    crypto_sign_ed25519_sk_to_pk(reinterpret_cast<unsigned char*>(oeffentlich.data()),
                                 reinterpret_cast<const unsigned char*>(geheim.constData()));
    return oeffentlich;
}

QByteArray liesOeffentlich(const QString& datei) {
    return liesSchluessel(datei, crypto_sign_PUBLICKEYBYTES, QStringLiteral("öffentlichen Update-Schlüssel"));
}

QByteArray liesGeheim(const QString& datei) {
    return liesSchluessel(datei, crypto_sign_SECRETKEYBYTES, QStringLiteral("geheimen Update-Schlüssel"));
}

QByteArray alsText(const QByteArray& schluessel) {
    return schluessel.toBase64() + '\n';
}

} // namespace UpdateSchluessel
