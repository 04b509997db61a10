#include "backup/Restore.h"

#include "app/FilePaths.h"
#include "app/KassolError.h"
#include "app/SafeFileWriter.h"
#include "app/THelperData.h"
#include "backup/Compaction.h"
#include "backup/ZipArchive.h"
#include "store/DatabaseFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <sqlite3.h>

namespace {

KassolError fehler(const QString& sicherung, const QString& grund) {
    return KassolError(QStringLiteral("Die Sicherung \u201E%1\u201C kann nicht wiederhergestellt werden; die Daten bleiben "
                                      "unverändert.\n%2")
                           .arg(QDir::toNativeSeparators(sicherung), grund));
}

bool istZip(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) && f.read(4) == QByteArray("PK\x03\x04", 4);
}

QString datiert(const QString& pfad, const QDateTime& jetzt) {
    const QFileInfo info(pfad);
    return FilePaths::join(info.absolutePath(), QStringLiteral("%1_vor_Wiederherstellung_%2.%3")
                                                   .arg(info.completeBaseName(), jetzt.toString(QStringLiteral("yyyy-MM-dd_HHmmss")),
                                                        info.suffix()));
}

QByteArray inhalt(const QString& pfad) {
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly))
        throw KassolError(QStringLiteral("Die Datei \u201E%1\u201C kann nicht gelesen werden.").arg(QDir::toNativeSeparators(pfad)));
    return f.readAll();
}

// Copies every page of one open database into another in one step (SQLite's backup API): the
// target's transaction makes it all or nothing, and the source is read as of one moment.
int kopiere(sqlite3* quelle, sqlite3* ziel) {
    sqlite3_backup* b = sqlite3_backup_init(ziel, "main", quelle, "main");
    if (!b)
        return sqlite3_errcode(ziel);
    int rc = sqlite3_backup_step(b, -1);
    const int ende = sqlite3_backup_finish(b);
    if (rc == SQLITE_DONE)
        rc = ende;
    return rc;
}

// Writes the open database as a new file through SafeFileWriter.
void schreibeKopie(sqlite3* quelle, const QString& pfad, const QString& was) {
    SafeFileWriter datei(pfad, was);
    {
        SqliteDatei ziel(datei.temporaryPath(), SQLITE_OPEN_READWRITE);
        int rc = ziel.rc();
        // The file is synced and renamed into place by the writer; a journal would only be left over.
        if (rc == SQLITE_OK)
            rc = ziel.exec("PRAGMA journal_mode = OFF");
        if (rc == SQLITE_OK)
            rc = kopiere(quelle, ziel.db());
        if (rc != SQLITE_OK)
            throw KassolError(QStringLiteral("%1 \u201E%2\u201C konnte nicht geschrieben werden. %3")
                                  .arg(was, QDir::toNativeSeparators(pfad), sqliteGrund(rc, ziel.db())));
        if ((rc = ziel.close()) != SQLITE_OK)
            throw KassolError(QStringLiteral("%1 \u201E%2\u201C konnte nicht geschrieben werden. %3")
                                  .arg(was, QDir::toNativeSeparators(pfad), sqliteGrund(rc)));
    }
    datei.commit();
}

} // namespace

namespace Datensicherung {

Wiederherstellung wiederherstellen(const THelperData& helper, const QString& sicherung, bool mitIni, const QDateTime& jetzt) {
    if (!QFileInfo(sicherung).isFile())
        throw fehler(sicherung, QStringLiteral("Die Datei existiert nicht."));
    const QString datenbank = helper.DatabaseFile();
    if (QFileInfo(sicherung).canonicalFilePath() == QFileInfo(datenbank).canonicalFilePath())
        throw fehler(sicherung, QStringLiteral("Das ist die Datenbank selbst und keine Sicherung. Wählen Sie bitte die Sicherung "
                                               "(Kassol.zip oder ks_tab_save.mdb)."));

    // The desktop program holds this lock file while it runs; holding it here keeps it from
    // starting on the data while they are replaced.
    QLockFile sperre(QDir(helper.DBPath()).filePath(QString::fromLatin1(FilePaths::SperrDatei)));
    sperre.setStaleLockTime(0);
    if (!sperre.tryLock(0)) {
        if (sperre.error() == QLockFile::LockFailedError)
            throw fehler(sicherung, QStringLiteral("Kassol ist mit dem Datenordner \u201E%1\u201C geöffnet. Beenden Sie bitte das "
                                                   "Programm und stellen Sie die Sicherung danach wieder her.")
                                        .arg(QDir::toNativeSeparators(helper.DBPath())));
        throw fehler(sicherung, QStringLiteral("Im Datenordner \u201E%1\u201C kann Kassol nicht schreiben. Prüfen Sie bitte die "
                                               "Zugriffsrechte.")
                                    .arg(QDir::toNativeSeparators(helper.DBPath())));
    }

    // The database to bring back: the copy itself, or what the archive holds, put beside the
    // current database while it is needed.
    QString quelle = sicherung;
    const QString entpackt = datenbank + QStringLiteral(".wiederherstellung");
    const QString iniEntpackt = helper.IniPath() + QStringLiteral(".wiederherstellung");
    QFile::remove(entpackt);
    QFile::remove(iniEntpackt);
    struct Aufraeumen {
        QStringList dateien;
        ~Aufraeumen() {
            for (const QString& d : dateien)
                QFile::remove(d);
        }
    } aufraeumen{{entpackt, iniEntpackt}};
    bool iniDa = false;
    const bool zip = istZip(sicherung);
    if (zip) {
        QString grund;
        const QStringList namen = ZipArchive::namen(sicherung, &grund);
        if (!grund.isEmpty())
            throw fehler(sicherung, QStringLiteral("Das Archiv ist nicht lesbar: %1").arg(grund));
        if (!namen.contains(QStringLiteral("ks_tab.mdb"), Qt::CaseInsensitive))
            throw fehler(sicherung, QStringLiteral("Sie ist keine Kassol-Sicherung: das Archiv enthält keine ks_tab.mdb."));
        if (grund = ZipArchive::pruefe(sicherung); !grund.isEmpty())
            throw fehler(sicherung, QStringLiteral("Das Archiv ist beschädigt: %1").arg(grund));
        if (grund = ZipArchive::entpacke(sicherung, QStringLiteral("ks_tab.mdb"), entpackt); !grund.isEmpty())
            throw fehler(sicherung, grund);
        quelle = entpackt;
        if (mitIni && namen.contains(QStringLiteral("Kassol.ini"), Qt::CaseInsensitive)) {
            if (grund = ZipArchive::entpacke(sicherung, QStringLiteral("Kassol.ini"), iniEntpackt); !grund.isEmpty())
                throw fehler(sicherung, grund);
            iniDa = true;
        }
    }
    if (inspectDatabaseFile(quelle) != DatabaseFileKind::SQLite)
        throw fehler(sicherung, QStringLiteral("Sie ist keine Kassol-Sicherung."));
    if (const QString grund = checkKassolDatabase(quelle); !grund.isEmpty())
        throw fehler(sicherung, grund);
    SqliteDatei sicherungDb(quelle, SQLITE_OPEN_READONLY);
    if (sicherungDb.rc() != SQLITE_OK)
        throw fehler(sicherung, sqliteGrund(sicherungDb.rc(), sicherungDb.db()));

    Wiederherstellung w;
    w.datenbank = datenbank;
    const bool vorhanden = QFileInfo::exists(datenbank);
    if (vorhanden)
        w.bisherigeKopie = datiert(datenbank, jetzt);

    // The current database is opened through SQLite first: what a crashed writer left in its
    // journal is rolled back by that, so that the dated copy holds the committed data. The
    // journal itself belongs to SQLite and is never touched here.
    int rc = SQLITE_NOTADB;
    std::unique_ptr<SqliteDatei> aktuell;
    if (vorhanden && inspectDatabaseFile(datenbank) == DatabaseFileKind::SQLite) {
        aktuell = std::make_unique<SqliteDatei>(datenbank, SQLITE_OPEN_READWRITE);
        rc = aktuell->rc();
        if (rc == SQLITE_OK)
            rc = aktuell->exec("SELECT count(*) FROM sqlite_master");
        // Nobody else may be in the middle of reading or writing.
        if (rc == SQLITE_OK && (rc = aktuell->exec("BEGIN EXCLUSIVE")) == SQLITE_OK)
            rc = aktuell->exec("ROLLBACK");
        const int art = rc & 0xff;
        if (art != SQLITE_OK && art != SQLITE_NOTADB && art != SQLITE_CORRUPT)
            throw fehler(sicherung, sqliteGrund(rc, aktuell->db()));
    }

    if (rc == SQLITE_OK) {
        try {
            schreibeKopie(aktuell->db(), w.bisherigeKopie, QStringLiteral("Die Kopie der bisherigen Datenbank"));
        } catch (const KassolError& e) {
            throw fehler(sicherung, e.message());
        }
        // In place and in one transaction: a connection that has the file open sees the restored
        // data, and a failure leaves the database as it was.
        if ((rc = kopiere(sicherungDb.db(), aktuell->db())) != SQLITE_OK) {
            QFile::remove(w.bisherigeKopie);
            throw fehler(sicherung, sqliteGrund(rc, aktuell->db()));
        }
        aktuell.reset();
    } else {
        aktuell.reset();
        // No database SQLite can read is there (missing, damaged or a foreign file), so no
        // connection can be using it and the restored file may take its place. A journal beside
        // it would be applied to the restored file, though, and is not ours to delete.
        const QFileInfo journal(datenbank + QStringLiteral("-journal"));
        if (journal.exists() && journal.size() > 0)
            throw fehler(sicherung, QStringLiteral("Neben der beschädigten Datenbank liegt die Journaldatei \u201E%1\u201C eines "
                                                   "abgebrochenen Schreibvorgangs. Verschieben Sie bitte die Datenbank und diese "
                                                   "Datei zusammen in einen anderen Ordner und stellen Sie die Sicherung danach "
                                                   "wieder her.")
                                        .arg(QDir::toNativeSeparators(journal.filePath())));
        try {
            if (vorhanden)
                SafeFileWriter::writeAll(w.bisherigeKopie, inhalt(datenbank), QStringLiteral("Die Kopie der bisherigen Datenbank"));
            schreibeKopie(sicherungDb.db(), datenbank, QStringLiteral("Die Datenbank"));
        } catch (const KassolError& e) {
            throw fehler(sicherung, e.message());
        }
    }

    QString iniGrund;
    if (iniDa) {
        try {
            if (QFileInfo::exists(helper.IniPath()))
                SafeFileWriter::writeAll(datiert(helper.IniPath(), jetzt), inhalt(helper.IniPath()),
                                         QStringLiteral("Die Kopie der bisherigen Einstellungen"));
            SafeFileWriter::writeAll(helper.IniPath(), inhalt(iniEntpackt), QStringLiteral("Die Einstellungsdatei"));
            w.iniWiederhergestellt = true;
        } catch (const KassolError& e) {
            iniGrund = e.message();
        }
    }
    w.meldung = QStringLiteral("Die Sicherung \u201E%1\u201C wurde wiederhergestellt.").arg(QDir::toNativeSeparators(sicherung));
    if (!w.bisherigeKopie.isEmpty())
        w.meldung += QStringLiteral(" Die bisherige Datenbank liegt unter \u201E%1\u201C.").arg(QDir::toNativeSeparators(w.bisherigeKopie));
    if (mitIni && !w.iniWiederhergestellt) {
        w.meldung += zip ? QStringLiteral(" Die Einstellungen (Kassol.ini) wurden nicht wiederhergestellt.")
                         : QStringLiteral(" Eine Kopie enthält keine Einstellungen (Kassol.ini).");
        if (!iniGrund.isEmpty())
            w.meldung += QLatin1Char(' ') + iniGrund;
    }
    return w;
}

} // namespace Datensicherung
