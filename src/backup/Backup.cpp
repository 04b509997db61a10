#include "backup/Backup.h"

#include "app/FilePaths.h"
#include "app/IniFile.h"
#include "app/KassolError.h"
#include "app/SafeFileWriter.h"
#include "app/THelperData.h"
#include "backup/Compaction.h"
#include "backup/ZipArchive.h"
#include "store/DatabaseFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace {

const QString Abschnitt = QStringLiteral("Datensicherung");

QString standardZiel() {
#ifdef Q_OS_WIN
    return QStringLiteral("a:\\");
#else
    // No floppy drive here: the home folder exists and can be written.
    return QDir::homePath() + QLatin1Char('/');
#endif
}

Sicherungsergebnis misslungen(bool nichtZippen, const QString& grund) {
    Sicherungsergebnis r;
    r.meldung = nichtZippen ? QStringLiteral("Die Datensicherung war nicht erfolgreich.\n\r\n\rKontrollieren sie bitte, ob der "
                                             "Sicherungspfad korrekt ist.")
                            : QStringLiteral("Die Datensicherung war nicht erfolgreich.\n\r\n\rKontrollieren sie bitte, ob eine "
                                             "Diskette im Diskettenlaufwerk eingelegt ist.");
    if (!grund.isEmpty())
        r.meldung += QStringLiteral("\n\r\n\rGrund: ") + grund;
    return r;
}

// Removes a file of the backup's own making when the scope is left, however it is left.
class Weg {
public:
    explicit Weg(QString pfad) : m_pfad(std::move(pfad)) {}
    ~Weg() { QFile::remove(m_pfad); }
    Weg(const Weg&) = delete;
    Weg& operator=(const Weg&) = delete;
    const QString& pfad() const { return m_pfad; }

private:
    QString m_pfad;
};

void schreibe(const THelperData& helper, const QString& schluessel, const QString& wert, const QString& was) {
    const auto ini = helper.GetIniInstance();
    if (!ini->writeString(Abschnitt, schluessel, wert))
        throw KassolError(QStringLiteral("%1 kann nicht für die nächste Sicherung gespeichert werden.\n%2").arg(was, ini->lastError()));
}

} // namespace

namespace Datensicherung {

Sicherungseinstellungen lese(const THelperData& helper) {
    const auto ini = helper.GetIniInstance();
    return {ini->readString(Abschnitt, QStringLiteral("Ziel"), standardZiel()),
            ini->readBool(Abschnitt, QStringLiteral("nichtzippen"), false)};
}

void schreibeZiel(const THelperData& helper, const QString& ordner) {
    if (ordner.trimmed().isEmpty())
        throw KassolError(QStringLiteral("Es ist kein Zielordner für die Sicherung angegeben. Wählen Sie bitte einen Ordner."));
    QString ziel = ordner;
    if (!ziel.endsWith(QLatin1Char('/')) && !ziel.endsWith(QLatin1Char('\\')))
        ziel += QDir::separator();
    schreibe(helper, QStringLiteral("Ziel"), ziel, QStringLiteral("Der Zielordner"));
}

void schreibeNichtZippen(const THelperData& helper, bool nichtZippen) {
    schreibe(helper, QStringLiteral("nichtzippen"), nichtZippen ? QStringLiteral("1") : QStringLiteral("0"),
             QStringLiteral("Die Art der Sicherung"));
}

Sicherungsergebnis sichern(const THelperData& helper, const QString& zielOrdner, bool nichtZippen) {
    if (zielOrdner.trimmed().isEmpty())
        return misslungen(nichtZippen, QStringLiteral("Es ist kein Zielordner angegeben. Wählen Sie bitte einen Ordner für die Sicherung."));
    const QString datenbank = helper.DatabaseFile();
    const QString ziel = FilePaths::join(zielOrdner, QString::fromLatin1(nichtZippen ? KopieName : ArchivName));
    const QFileInfo ordner(zielOrdner);
    if (!ordner.exists() || !ordner.isDir())
        return misslungen(nichtZippen, QStringLiteral("Der Ordner \u201E%1\u201C existiert nicht.").arg(QDir::toNativeSeparators(zielOrdner)));

    try {
        // In place, so that no connection loses the file it has open. When another program keeps
        // the data busy, or their disk is full, the file is left as it is: the backup itself is
        // compacted either way.
        const bool komprimiert = komprimiereDatenbank(datenbank);

        // The backup is built beside its target and replaces it only once it is complete, checked
        // and on the disk; a previous backup survives every failure.
        SafeFileWriter datei(ziel, QStringLiteral("Die Sicherung"));
        // The database and the settings into the archive (each block compared with the file as it
        // is deflated), then every stored byte read back against the checksum of what was written;
        // the reason when either fails.
        const auto archiviere = [&](const QString& db) -> QString {
            QList<ZipArchive::Eintrag> eintraege{{db, QStringLiteral("ks_tab.mdb")}};
            if (QFileInfo::exists(helper.IniPath()))
                eintraege.append({helper.IniPath(), QStringLiteral("Kassol.ini")});
            QList<ZipArchive::Geschrieben> geschrieben;
            if (const QString grund = ZipArchive::schreibe(datei.temporaryPath(), eintraege, &geschrieben); !grund.isEmpty())
                return QStringLiteral("Das Archiv kann nicht geschrieben werden: %1").arg(grund);
            if (const QString grund = ZipArchive::pruefe(datei.temporaryPath(), geschrieben); !grund.isEmpty())
                return QStringLiteral("Das Archiv ist fehlerhaft: %1").arg(grund);
            return {};
        };
        if (nichtZippen) {
            kopiereDatenbank(datenbank, datei.temporaryPath());
            if (const QString grund = checkKassolDatabase(datei.temporaryPath()); !grund.isEmpty())
                return misslungen(nichtZippen, QStringLiteral("Die Kopie ist fehlerhaft: %1").arg(grund));
        } else if (komprimiert) {
            // The file has just been checked and compacted: it goes into the archive as it is, read
            // while a read transaction keeps every other program from writing it, so the archive
            // holds it as of one moment. Writing compares every block with the file, and reading
            // the archive back checks every stored byte.
            SqliteDatei lesen(datenbank, SQLITE_OPEN_READWRITE);
            int rc = lesen.rc();
            if (rc == SQLITE_OK)
                rc = lesen.exec("BEGIN; SELECT count(*) FROM sqlite_master;");
            if (rc != SQLITE_OK)
                return misslungen(nichtZippen, sqliteGrund(rc, lesen.db()));
            if (const QString grund = archiviere(datenbank); !grund.isEmpty())
                return misslungen(nichtZippen, grund);
            (void)lesen.exec("COMMIT");
        } else {
            // Not compacted (the data were busy): a compacted, checked copy as of one moment goes
            // into the archive, and the archive's database is checked once more.
            const Weg stand(datei.temporaryPath() + QStringLiteral(".mdb"));
            kopiereDatenbank(datenbank, stand.pfad());
            if (const QString grund = checkKassolDatabase(stand.pfad()); !grund.isEmpty())
                return misslungen(nichtZippen, QStringLiteral("Die Kopie der Datenbank ist fehlerhaft: %1").arg(grund));
            if (const QString grund = archiviere(stand.pfad()); !grund.isEmpty())
                return misslungen(nichtZippen, grund);
            const Weg probe(datei.temporaryPath() + QStringLiteral(".probe"));
            if (const QString grund = ZipArchive::entpacke(datei.temporaryPath(), QStringLiteral("ks_tab.mdb"), probe.pfad());
                !grund.isEmpty())
                return misslungen(nichtZippen, QStringLiteral("Das Archiv kann nicht gelesen werden: %1").arg(grund));
            if (const QString grund = checkKassolDatabase(probe.pfad()); !grund.isEmpty())
                return misslungen(nichtZippen, QStringLiteral("Die Datenbank im Archiv ist fehlerhaft: %1").arg(grund));
        }
        datei.commit();
    } catch (const KassolError& e) {
        return misslungen(nichtZippen, e.message());
    }

    Sicherungsergebnis r;
    r.erfolgreich = true;
    r.zielDatei = ziel;
    r.meldung = QStringLiteral("Die Datensicherung war erfolgreich.\n\r\n\rDie Sicherung lautet: ") + QDir::toNativeSeparators(ziel);
    return r;
}

} // namespace Datensicherung
