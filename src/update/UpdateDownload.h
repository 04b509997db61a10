#pragma once

#include <QByteArray>
#include <QUrl>
#include <functional>

class QCryptographicHash;
class QIODevice;

// Fetches the manifest and the files of an update over HTTPS (plain HTTP only from this
// computer's own loopback address, for tests). Each call waits for its answer in a local event
// loop, so it works on a worker thread and in the command line alike. Failures raise KassolError
// with a German message.
class UpdateAbruf {
public:
    // Asked every tenth of a second; true stops the transfer (the program is ending).
    using Abbruch = std::function<bool()>;
    using Fortschritt = std::function<void(qint64 empfangen, qint64 groesse)>;

    explicit UpdateAbruf(Abbruch abbruch = {});

    // Raises KassolError unless the address is https, or http to a loopback address.
    static void pruefeAdresse(const QUrl& adresse);

    // The whole answer; more than hoechstens bytes is refused.
    QByteArray hole(const QUrl& adresse, qint64 hoechstens);
    // Streams the answer into ziel and hash; more than groesse bytes is refused.
    void holeDatei(const QUrl& adresse, QIODevice& ziel, QCryptographicHash& hash, qint64 groesse,
                   const Fortschritt& fortschritt);

private:
    void abrufen(const QUrl& adresse, qint64 hoechstens, const std::function<void(const QByteArray&)>& teil,
                 const Fortschritt& fortschritt);

    Abbruch m_abbruch;
};
