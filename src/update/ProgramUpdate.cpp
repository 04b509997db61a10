#include "update/ProgramUpdate.h"

#include "app/Clock.h"
#include "app/IniFile.h"
#include "app/Platform.h"
#include "app/SafeFileWriter.h"
#include "app/UpdateLog.h"
#include "update/UpdateSettings.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

Updatequelle Updatequelle::ausEinstellungen(const QString& iniDatei) {
    Updatequelle q;
    q.schluessel = UpdateEinstellungen::eingebauterSchluessel();
    QString adresse = UpdateEinstellungen::eingebauteQuelle();
    if (!iniDatei.isEmpty() && QFileInfo::exists(iniDatei)) {
        const IniFile ini(iniDatei);
        adresse = ini.readString(QStringLiteral("Update"), QStringLiteral("Quelle"), adresse);
    }
    q.adresse = QUrl(adresse.trimmed());
    return q;
}

Programmaktualisierung::Programmaktualisierung(Updatequelle quelle, QString programmOrdner, const UpdateLog& log,
                                               const Clock& clock, Programmversion laufende)
    : m_quelle(std::move(quelle)), m_ordner(QDir::cleanPath(std::move(programmOrdner))), m_log(log), m_clock(clock),
      m_laufende(laufende) {}

QUrl Programmaktualisierung::manifestAdresse(const QUrl& quelle) {
    QUrl u = quelle;
    QString pfad = u.path();
    if (!pfad.endsWith(QLatin1Char('/')))
        pfad += QLatin1Char('/');
    u.setPath(pfad + QStringLiteral("webupdate/Kassol/") + QString::fromLatin1(UpdateManifest::DateiName));
    return u;
}

Installationsart Programmaktualisierung::installationsart(const QString& programmOrdner, const QString& paketliste) {
    const QString ordner = QFileInfo(programmOrdner).canonicalFilePath();
    QFile liste(paketliste);
    if (!ordner.isEmpty() && liste.open(QIODevice::ReadOnly)) {
        while (!liste.atEnd()) {
            const QString eintrag = QString::fromUtf8(liste.readLine()).trimmed();
            if (QFileInfo(eintrag).isFile() && QFileInfo(eintrag).canonicalPath() == ordner)
                return Installationsart::Paketverwaltung;
        }
    }
    return QFileInfo(programmOrdner).isWritable() ? Installationsart::Selbst : Installationsart::NichtBeschreibbar;
}

QString Programmaktualisierung::pfad(const QString& name) const {
    return QDir(m_ordner).filePath(name);
}

Pruefergebnis Programmaktualisierung::pruefe(const UpdateAbruf::Abbruch& abbruch) {
    const QUrl adresse = manifestAdresse(m_quelle.adresse);
    try {
        if (m_quelle.schluessel.size() != 32)
            throw KassolError(QStringLiteral("Es ist kein Schlüssel zum Prüfen von Updates eingestellt."));
        UpdateAbruf abruf(abbruch);
        const QByteArray datei = abruf.hole(adresse, UpdateManifest::HoechsteGroesse);
        Pruefergebnis r;
        r.manifest = UpdateManifest::lies(datei, m_quelle.schluessel);
        if (r.manifest.ablauf < m_clock.today())
            throw UpdateAbgelehnt(QStringLiteral("Die Update-Beschreibung wurde abgelehnt: Sie ist am %1 abgelaufen.")
                                      .arg(r.manifest.ablauf.toString(QStringLiteral("dd.MM.yyyy"))));
        r.neuer = r.manifest.version > m_laufende;
        m_log.schreibe(r.neuer ? QStringLiteral("Version %1 ist verfügbar (%2).").arg(r.manifest.version.text(), adresse.toString())
                               : QStringLiteral("Keine neuere Version: %1 veröffentlicht, %2 läuft.")
                                     .arg(r.manifest.version.text(), m_laufende.text()));
        return r;
    } catch (const KassolError& e) {
        m_log.schreibe(QStringLiteral("Prüfung von %1: %2").arg(adresse.toString(), e.message()));
        throw;
    }
}

void Programmaktualisierung::installiere(const UpdateManifest& manifest, const Meldungen& meldungen) {
    try {
        if (!(manifest.version > m_laufende))
            throw UpdateAbgelehnt(QStringLiteral("Version %1 ist nicht neuer als die installierte Version %2.")
                                      .arg(manifest.version.text(), m_laufende.text()));
        raeumeAuf();

        // Everything arrives and is checked in a folder beside the program's files, on the same
        // drive, so that the replacement below is a rename of each file.
        QTemporaryDir bereitstellung(pfad(QStringLiteral(".Kassol_Update-XXXXXX")));
        if (!bereitstellung.isValid())
            throw KassolError(QStringLiteral("Im Programmordner \u201E%1\u201C kann nichts abgelegt werden: %2")
                                  .arg(QDir::toNativeSeparators(m_ordner), bereitstellung.errorString()));
        const QUrl manifestOrt = manifestAdresse(m_quelle.adresse);
        UpdateAbruf abruf;
        QStringList bereit;
        for (qsizetype i = 0; i < manifest.dateien.size(); ++i) {
            const UpdateDatei& d = manifest.dateien[i];
            const QString neu = bereitstellung.filePath(QString::number(i));
            QFile datei(neu);
            if (!datei.open(QIODevice::WriteOnly))
                throw KassolError(QStringLiteral("Die Datei \u201E%1\u201C kann nicht zwischengespeichert werden: %2")
                                      .arg(d.name, datei.errorString()));
            QCryptographicHash hash(QCryptographicHash::Sha256);
            if (meldungen.fortschritt)
                meldungen.fortschritt(d.name, 0, d.groesse);
            abruf.holeDatei(manifestOrt.resolved(QUrl(d.ort)), datei, hash, d.groesse,
                            [&meldungen, &d](qint64 empfangen, qint64 groesse) {
                                if (meldungen.fortschritt)
                                    meldungen.fortschritt(d.name, empfangen, groesse);
                            });
            const bool geschrieben = datei.flush();
            const qint64 groesse = datei.size();
            datei.close();
            if (meldungen.geladen)
                meldungen.geladen(d.name);
            if (!geschrieben || !Platform::syncFile(neu))
                throw KassolError(QStringLiteral("Die Datei \u201E%1\u201C kann nicht zwischengespeichert werden.").arg(d.name));
            if (groesse != d.groesse || hash.result() != d.sha256)
                throw UpdateAbgelehnt(QStringLiteral("Die Datei \u201E%1\u201C ist nicht so angekommen, wie sie veröffentlicht "
                                                     "wurde (Größe oder Prüfsumme stimmen nicht).")
                                          .arg(d.name));
            QFile::Permissions rechte = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
            if (d.ausfuehrbar)
                rechte |= QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
            QFile::setPermissions(neu, rechte);
            bereit << neu;
            m_log.schreibe(QStringLiteral("Geladen und geprüft: %1 (%2 Bytes).").arg(d.name).arg(d.groesse));
        }

        QList<Ersetzung> liste;
        for (const UpdateDatei& d : manifest.dateien) {
            const QFileInfo ziel(pfad(d.name));
            if (ziel.isDir() || ziel.isSymLink())
                throw KassolError(QStringLiteral("\u201E%1\u201C im Programmordner ist keine gewöhnliche Datei und wird nicht ersetzt.")
                                      .arg(d.name));
            Ersetzung e;
            e.ziel = d.name;
            e.alt = d.name + QString::fromLatin1(AltEndung);
            e.vorher = ziel.exists();
            liste << e;
        }
        // Recorded before the first rename, so that a replacement cut short by a crash is put
        // back at the next start.
        schreibeProtokoll(QStringLiteral("ersetzen"), liste);
        QList<Ersetzung> erledigt;
        try {
            for (qsizetype i = 0; i < liste.size(); ++i) {
                const Ersetzung& e = liste[i];
                QDir().mkpath(QFileInfo(pfad(e.ziel)).absolutePath());
                erledigt << e;
                if (e.vorher) {
                    const QString grund = Platform::replaceFile(pfad(e.ziel), pfad(e.alt));
                    if (!grund.isEmpty())
                        throw KassolError(QStringLiteral("\u201E%1\u201C kann nicht beiseitegelegt werden: %2").arg(e.ziel, grund));
                    erledigt.last().abgelegt = true;
                }
                const QString grund = Platform::replaceFile(bereit[i], pfad(e.ziel));
                if (!grund.isEmpty())
                    throw KassolError(QStringLiteral("\u201E%1\u201C kann nicht ersetzt werden: %2").arg(e.ziel, grund));
                erledigt.last().eingesetzt = true;
            }
            schreibeProtokoll(QStringLiteral("ersetzt"), liste);
        } catch (const KassolError&) {
            macheRueckgaengig(erledigt);
            entferneProtokoll();
            m_log.schreibe(QStringLiteral("Das Ersetzen ist misslungen; die bisherigen Dateien sind wiederhergestellt."));
            throw;
        }
        m_log.schreibe(QStringLiteral("Version %1 ist installiert in %2.").arg(manifest.version.text(), m_ordner));
    } catch (const KassolError& e) {
        m_log.schreibe(QStringLiteral("Update nicht installiert: %1").arg(e.message()));
        throw;
    }
}

void Programmaktualisierung::macheRueckgaengig(const QList<Ersetzung>& erledigt) const {
    for (qsizetype i = erledigt.size() - 1; i >= 0; --i) {
        const Ersetzung& e = erledigt[i];
        if (e.abgelegt) {
            const QString grund = Platform::replaceFile(pfad(e.alt), pfad(e.ziel));
            if (!grund.isEmpty())
                m_log.schreibe(QStringLiteral("\u201E%1\u201C kann nicht zurückgelegt werden: %2").arg(e.alt, grund));
        } else if (e.eingesetzt && !e.vorher) {
            QFile::remove(pfad(e.ziel));
        }
    }
}

QList<Programmaktualisierung::Ersetzung> Programmaktualisierung::zumZuruecknehmen(const QList<Ersetzung>& liste) const {
    QList<Ersetzung> r;
    for (Ersetzung e : liste) {
        // An old file not set aside yet is still in its place; a file that did not exist before
        // is the update's own wherever it stands.
        e.abgelegt = e.vorher && QFileInfo(pfad(e.alt)).isFile();
        e.eingesetzt = !e.vorher;
        r << e;
    }
    return r;
}

void Programmaktualisierung::raeumeAuf() {
    QString zustand;
    QList<Ersetzung> liste;
    if (!liesProtokoll(zustand, liste))
        return;
    if (zustand == QStringLiteral("ersetzt")) {
        for (const Ersetzung& e : liste) {
            if (e.vorher && QFileInfo(pfad(e.alt)).isFile())
                QFile::remove(pfad(e.alt));
        }
        m_log.schreibe(QStringLiteral("Die Dateien der vorigen Version sind entfernt."));
    } else {
        // Cut short while replacing: the files that had been set aside go back.
        macheRueckgaengig(zumZuruecknehmen(liste));
        m_log.schreibe(QStringLiteral("Ein unterbrochenes Update wurde zurückgenommen."));
    }
    entferneProtokoll();
}

void Programmaktualisierung::setzeZurueck() {
    QString zustand;
    QList<Ersetzung> liste;
    if (!liesProtokoll(zustand, liste))
        return;
    macheRueckgaengig(zumZuruecknehmen(liste));
    entferneProtokoll();
    m_log.schreibe(QStringLiteral("Die neue Version ließ sich nicht starten; die bisherigen Dateien sind wiederhergestellt."));
}

void Programmaktualisierung::schreibeProtokoll(const QString& zustand, const QList<Ersetzung>& liste) {
    QJsonArray dateien;
    for (const Ersetzung& e : liste)
        dateien.append(QJsonObject{{QStringLiteral("ziel"), e.ziel}, {QStringLiteral("alt"), e.alt}, {QStringLiteral("vorher"), e.vorher}});
    const QJsonObject o{{QStringLiteral("zustand"), zustand}, {QStringLiteral("dateien"), dateien}};
    SafeFileWriter::writeAll(pfad(QString::fromLatin1(Protokoll)), QJsonDocument(o).toJson(), QStringLiteral("Die Update-Liste"));
}

bool Programmaktualisierung::liesProtokoll(QString& zustand, QList<Ersetzung>& liste) const {
    QFile f(pfad(QString::fromLatin1(Protokoll)));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject o = QJsonDocument::fromJson(f.read(1 << 20)).object();
    zustand = o.value(QStringLiteral("zustand")).toString();
    for (const QJsonValue& v : o.value(QStringLiteral("dateien")).toArray()) {
        const QJsonObject e = v.toObject();
        Ersetzung r;
        r.ziel = e.value(QStringLiteral("ziel")).toString();
        r.alt = e.value(QStringLiteral("alt")).toString();
        r.vorher = e.value(QStringLiteral("vorher")).toBool();
        // Only what an update may name is ever touched, whatever the file says.
        if (UpdateManifest::erlaubterName(r.ziel) && r.alt == r.ziel + QString::fromLatin1(AltEndung))
            liste << r;
    }
    return true;
}

void Programmaktualisierung::entferneProtokoll() {
    QFile::remove(pfad(QString::fromLatin1(Protokoll)));
}

bool Programmaktualisierung::starteNeu(const QString& programmDatei, const QStringList& argumente, const QString& programmOrdner,
                                       const UpdateLog& log, const Clock& clock) {
    if (QProcess::startDetached(programmDatei, argumente)) {
        log.schreibe(QStringLiteral("Neu gestartet: %1").arg(programmDatei));
        return true;
    }
    Programmaktualisierung(Updatequelle{}, programmOrdner, log, clock).setzeZurueck();
    return QProcess::startDetached(programmDatei, argumente);
}
