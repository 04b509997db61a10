#pragma once

#include "LoopbackServer.h"
#include "update/UpdateKeys.h"
#include "update/UpdateManifest.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

// A program folder with the installed version's files, a key pair made for the test, and a
// loopback server that publishes a signed manifest with new files.
struct UpdateFixture {
    QTemporaryDir root;
    QString programDir = root.filePath(QStringLiteral("programm"));
    UpdateSchluessel::Paar key = UpdateSchluessel::erzeuge();
    QString keyFile = root.filePath(QStringLiteral("kassol-update.pub"));
    LoopbackServer server;
    QMap<QString, QByteArray> published{{QStringLiteral("kassol"), QByteArrayLiteral("neues programm\n")},
                                        {QStringLiteral("kassol-cli"), QByteArray(300000, 'n')},
                                        {QStringLiteral("plugins/neu.so"), QByteArrayLiteral("neues modul")}};

    UpdateFixture() {
        QDir().mkpath(programDir);
        write(QStringLiteral("kassol"), "altes programm\n", true);
        write(QStringLiteral("kassol-cli"), "alte befehlszeile\n", true);
        write(QStringLiteral("KS_tab.mdb"), "die buecher", false);
        QFile f(keyFile);
        f.open(QIODevice::WriteOnly);
        f.write(UpdateSchluessel::alsText(key.oeffentlich));
    }

    void write(const QString& name, const QByteArray& content, bool executable) {
        QFile f(QDir(programDir).filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(content);
        f.close();
        if (executable)
            f.setPermissions(f.permissions() | QFile::ExeOwner);
    }

    UpdateManifest manifest(const QString& version, const QDate& expires = QDate(2024, 12, 31)) const {
        UpdateManifest m;
        m.version = *Programmversion::lies(version);
        m.ablauf = expires;
        for (auto it = published.cbegin(); it != published.cend(); ++it) {
            UpdateDatei d;
            d.name = d.ort = it.key();
            d.groesse = it.value().size();
            d.sha256 = QCryptographicHash::hash(it.value(), QCryptographicHash::Sha256);
            d.ausfuehrbar = !it.key().endsWith(QStringLiteral(".so"));
            m.dateien << d;
        }
        return m;
    }

    // Serves the manifest file as given and the published files beside it.
    void publish(const QByteArray& manifestFile) {
        server.put(QStringLiteral("/webupdate/Kassol/Kassol.inf"), manifestFile);
        for (auto it = published.cbegin(); it != published.cend(); ++it)
            server.put(QStringLiteral("/webupdate/Kassol/") + it.key(), it.value());
    }
    void publish(const QString& version) { publish(manifest(version).signiert(key.geheim)); }

    // Every entry below the program folder, hidden ones included, with its content's start and hash.
    QMap<QString, std::string> snapshot() const {
        QMap<QString, std::string> s;
        QDirIterator it(programDir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString p = it.next();
            QFile f(p);
            const QByteArray c = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<ordner>");
            s[QDir(programDir).relativeFilePath(p)] =
                (c.left(20) + ' ' + QCryptographicHash::hash(c, QCryptographicHash::Sha256).toHex().left(12)).toStdString();
        }
        return s;
    }
    QByteArray content(const QString& name) const {
        QFile f(QDir(programDir).filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};
