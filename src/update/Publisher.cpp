#include "update/Publisher.h"

#include "app/Platform.h"
#include "app/SafeFileWriter.h"
#include "update/UpdateKeys.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

QString nativ(const QString& pfad) {
    return QDir::toNativeSeparators(pfad);
}

void schreibeNeu(const QString& datei, const QByteArray& inhalt, QFile::Permissions rechte) {
    // Created with its final rights, so that a secret key is never readable by others, not even
    // for a moment; NewOnly refuses a file that is already there.
    QFile f(datei);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly, rechte))
        throw KassolError(QStringLiteral("\u201E%1\u201C kann nicht angelegt werden: %2").arg(nativ(datei), f.errorString()));
    const bool ok = f.write(inhalt) == inhalt.size() && f.flush();
    f.close();
    if (!ok || !Platform::syncFile(datei)) {
        QFile::remove(datei);
        throw KassolError(QStringLiteral("\u201E%1\u201C kann nicht geschrieben werden.").arg(nativ(datei)));
    }
}

} // namespace

namespace Herausgabe {

void erzeugeSchluessel(const QString& ordner) {
    if (!QDir().mkpath(ordner))
        throw KassolError(QStringLiteral("Der Ordner \u201E%1\u201C kann nicht angelegt werden.").arg(nativ(ordner)));
    const QString pub = QDir(ordner).filePath(QString::fromLatin1(OeffentlicheDatei));
    const QString key = QDir(ordner).filePath(QString::fromLatin1(GeheimeDatei));
    for (const QString& d : {pub, key}) {
        if (QFileInfo::exists(d))
            throw KassolError(QStringLiteral("\u201E%1\u201C gibt es schon; ein vorhandener Schlüssel wird nicht überschrieben.").arg(nativ(d)));
    }
    const UpdateSchluessel::Paar paar = UpdateSchluessel::erzeuge();
    schreibeNeu(key, UpdateSchluessel::alsText(paar.geheim), QFile::ReadOwner | QFile::WriteOwner);
    schreibeNeu(pub, UpdateSchluessel::alsText(paar.oeffentlich),
                QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

UpdateManifest signiere(const QString& schluesselDatei, const QString& version, const QDate& ablauf,
                        const QString& dateien, const QString& webroot) {
    const QByteArray geheim = UpdateSchluessel::liesGeheim(schluesselDatei);
    UpdateManifest m;
    const auto v = Programmversion::lies(version);
    if (!v)
        throw KassolError(QStringLiteral("Die Version \u201E%1\u201C hat nicht die Form JAHR.NUMMER (z. B. 2026.05).").arg(version));
    m.version = *v;
    if (!ablauf.isValid() || ablauf < QDate::currentDate())
        throw KassolError(QStringLiteral("Das Ablaufdatum muss ein gültiges Datum ab heute sein."));
    m.ablauf = ablauf;
    if (!QFileInfo(dateien).isDir())
        throw KassolError(QStringLiteral("Der Ordner \u201E%1\u201C mit den Programmdateien existiert nicht.").arg(nativ(dateien)));

    const QDir quelle(QFileInfo(dateien).absoluteFilePath());
    const QString ziel = QDir(webroot).filePath(QStringLiteral("webupdate/Kassol"));
    QDirIterator it(quelle.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    QStringList namen;
    while (it.hasNext())
        namen << quelle.relativeFilePath(it.next());
    namen.sort();
    if (namen.isEmpty())
        throw KassolError(QStringLiteral("Im Ordner \u201E%1\u201C liegen keine Dateien.").arg(nativ(dateien)));
    for (const QString& name : namen) {
        const QFileInfo info(quelle.filePath(name));
        if (info.isSymLink() || !UpdateManifest::erlaubterName(name))
            throw KassolError(QStringLiteral("\u201E%1\u201C kann nicht Teil eines Updates sein (Name, Verknüpfung oder Daten).").arg(name));
        QFile f(info.filePath());
        if (!f.open(QIODevice::ReadOnly))
            throw KassolError(QStringLiteral("\u201E%1\u201C kann nicht gelesen werden: %2").arg(nativ(info.filePath()), f.errorString()));
        const QByteArray inhalt = f.readAll();
        if (inhalt.size() > UpdateManifest::HoechsteDateigroesse)
            throw KassolError(QStringLiteral("\u201E%1\u201C ist zu groß für ein Update.").arg(name));
        UpdateDatei d;
        d.name = name;
        d.ort = name;
        d.groesse = inhalt.size();
        d.sha256 = QCryptographicHash::hash(inhalt, QCryptographicHash::Sha256);
        d.ausfuehrbar = info.isExecutable();
        const QString kopie = QDir(ziel).filePath(name);
        if (!QDir().mkpath(QFileInfo(kopie).absolutePath()))
            throw KassolError(QStringLiteral("Der Ordner \u201E%1\u201C kann nicht angelegt werden.").arg(nativ(QFileInfo(kopie).absolutePath())));
        SafeFileWriter::writeAll(kopie, inhalt, QStringLiteral("Die Update-Datei"));
        m.dateien << d;
    }
    const QByteArray signiert = m.signiert(geheim);
    // Read back as the program will, so that a release that no program would accept is never published.
    (void)UpdateManifest::lies(signiert, UpdateSchluessel::oeffentlicherTeil(geheim));
    SafeFileWriter::writeAll(QDir(ziel).filePath(QString::fromLatin1(UpdateManifest::DateiName)), signiert,
                             QStringLiteral("Die Update-Beschreibung"));
    return m;
}

} // namespace Herausgabe
