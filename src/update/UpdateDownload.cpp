#include "update/UpdateDownload.h"

#include "app/KassolError.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QHostAddress>
#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {
// A server that sends nothing for this long is taken as gone.
constexpr int StilleMs = 20000;
} // namespace

UpdateAbruf::UpdateAbruf(Abbruch abbruch) : m_abbruch(std::move(abbruch)) {}

void UpdateAbruf::pruefeAdresse(const QUrl& adresse) {
    if (!adresse.isValid() || adresse.host().isEmpty())
        throw KassolError(QStringLiteral("Die Update-Adresse \u201E%1\u201C ist ungültig.").arg(adresse.toString()));
    if (adresse.scheme() == QStringLiteral("https"))
        return;
    const QHostAddress host(adresse.host());
    const bool loopback = adresse.host() == QStringLiteral("localhost") || (!host.isNull() && host.isLoopback());
    if (adresse.scheme() == QStringLiteral("http") && loopback)
        return;
    throw KassolError(QStringLiteral("Updates werden nur über HTTPS geladen; die Adresse \u201E%1\u201C wird nicht verwendet.")
                          .arg(adresse.toString()));
}

QByteArray UpdateAbruf::hole(const QUrl& adresse, qint64 hoechstens) {
    QByteArray daten;
    abrufen(adresse, hoechstens, [&daten](const QByteArray& teil) { daten += teil; }, {});
    return daten;
}

void UpdateAbruf::holeDatei(const QUrl& adresse, QIODevice& ziel, QCryptographicHash& hash, qint64 groesse,
                            const Fortschritt& fortschritt) {
    abrufen(
        adresse, groesse,
        [&ziel, &hash, &adresse](const QByteArray& teil) {
            hash.addData(teil);
            if (ziel.write(teil) != teil.size())
                throw KassolError(QStringLiteral("Die Datei von \u201E%1\u201C kann nicht zwischengespeichert werden: %2")
                                      .arg(adresse.toString(), ziel.errorString()));
        },
        fortschritt);
}

void UpdateAbruf::abrufen(const QUrl& adresse, qint64 hoechstens, const std::function<void(const QByteArray&)>& teil,
                          const Fortschritt& fortschritt) {
    pruefeAdresse(adresse);
    QNetworkAccessManager netz;
    // A proxy from the environment would see the loopback requests of tests leave the computer.
    if (adresse.scheme() == QStringLiteral("http"))
        netz.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest anfrage(adresse);
    // A redirect may not leave the server, so it cannot lead from HTTPS or the loopback elsewhere.
    anfrage.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    anfrage.setTransferTimeout(StilleMs);
    anfrage.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply* antwort = netz.get(anfrage);

    QEventLoop schleife;
    QString fehler;
    qint64 empfangen = 0;
    const auto lies = [&] {
        const QByteArray neu = antwort->readAll();
        if (neu.isEmpty() || !fehler.isEmpty())
            return;
        empfangen += neu.size();
        if (empfangen > hoechstens) {
            fehler = QStringLiteral("Von \u201E%1\u201C kommen mehr Daten als angekündigt.").arg(adresse.toString());
            antwort->abort();
            return;
        }
        try {
            teil(neu);
        } catch (const KassolError& e) {
            fehler = e.message();
            antwort->abort();
        }
    };
    QObject::connect(antwort, &QNetworkReply::readyRead, &schleife, lies);
    QObject::connect(antwort, &QNetworkReply::downloadProgress, &schleife, [&](qint64 erhalten, qint64) {
        if (fortschritt && fehler.isEmpty())
            fortschritt(std::min(erhalten, hoechstens), hoechstens);
    });
    QObject::connect(antwort, &QNetworkReply::finished, &schleife, &QEventLoop::quit);
    QTimer wache;
    bool abgebrochen = false;
    if (m_abbruch) {
        QObject::connect(&wache, &QTimer::timeout, &schleife, [&] {
            if (m_abbruch()) {
                abgebrochen = true;
                antwort->abort();
            }
        });
        wache.start(100);
    }
    if (!antwort->isFinished())
        schleife.exec(QEventLoop::ExcludeUserInputEvents);
    lies();
    wache.stop();
    const QNetworkReply::NetworkError netzfehler = antwort->error();
    const QString netztext = antwort->errorString();
    const int status = antwort->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    antwort->deleteLater();
    if (abgebrochen)
        throw KassolError(QStringLiteral("Das Laden von \u201E%1\u201C wurde abgebrochen.").arg(adresse.toString()));
    if (!fehler.isEmpty())
        throw KassolError(fehler);
    if (netzfehler != QNetworkReply::NoError || status != 200)
        throw KassolError(QStringLiteral("\u201E%1\u201C kann nicht geladen werden: %2")
                              .arg(adresse.toString(), netzfehler != QNetworkReply::NoError ? netztext
                                                                                           : QStringLiteral("Antwort %1").arg(status)));
}
