#include "backup/Restore.h"

#include "app/FilePaths.h"
#include "app/KassolError.h"
#include "app/Platform.h"
#include "app/THelperData.h"
#include "backup/ZipArchive.h"
#include "store/DatabaseFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

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

} // namespace

namespace Datensicherung {

Wiederherstellung wiederherstellen(const THelperData& helper, const QString& sicherung, bool mitIni, const QDateTime& jetzt) {
    if (!QFileInfo(sicherung).isFile())
        throw fehler(sicherung, QStringLiteral("Die Datei existiert nicht."));
    const QString datenbank = helper.DatabaseFile();
    // The backup's database is first put beside the current one, on the same drive, so that the
    // final move is one step.
    const QString neu = datenbank + QStringLiteral(".wiederherstellung");
    QFile::remove(neu);
    QTemporaryDir entpackt;
    QString ini;
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
        if (grund = ZipArchive::entpacke(sicherung, QStringLiteral("ks_tab.mdb"), neu); !grund.isEmpty())
            throw fehler(sicherung, grund);
        if (mitIni && namen.contains(QStringLiteral("Kassol.ini"), Qt::CaseInsensitive)) {
            ini = entpackt.filePath(QStringLiteral("Kassol.ini"));
            if (grund = ZipArchive::entpacke(sicherung, QStringLiteral("Kassol.ini"), ini); !grund.isEmpty()) {
                QFile::remove(neu);
                throw fehler(sicherung, grund);
            }
        }
    } else {
        if (inspectDatabaseFile(sicherung) != DatabaseFileKind::SQLite)
            throw fehler(sicherung, QStringLiteral("Sie ist keine Kassol-Sicherung."));
        QFile quelle(sicherung);
        if (!quelle.copy(neu))
            throw fehler(sicherung, quelle.errorString());
    }
    try {
        if (inspectDatabaseFile(neu) != DatabaseFileKind::SQLite)
            throw fehler(sicherung, QStringLiteral("Sie ist keine Kassol-Sicherung."));
        if (const QString grund = checkKassolDatabase(neu); !grund.isEmpty())
            throw fehler(sicherung, grund);
        if (!Platform::syncFile(neu))
            throw fehler(sicherung, QStringLiteral("Die Datenbank kann nicht auf den Datenträger geschrieben werden."));
    } catch (...) {
        QFile::remove(neu);
        throw;
    }

    Wiederherstellung w;
    w.datenbank = datenbank;
    if (QFileInfo::exists(datenbank)) {
        w.bisherigeKopie = datiert(datenbank, jetzt);
        if (!QFile::copy(datenbank, w.bisherigeKopie) || !Platform::syncFile(w.bisherigeKopie)) {
            QFile::remove(neu);
            throw fehler(sicherung, QStringLiteral("Die bisherige Datenbank kann nicht aufbewahrt werden (%1).")
                                        .arg(QDir::toNativeSeparators(w.bisherigeKopie)));
        }
    }
    if (const QString grund = Platform::replaceFile(neu, datenbank); !grund.isEmpty()) {
        QFile::remove(neu);
        throw fehler(sicherung, grund);
    }
    // A journal left by a crash belongs to the old file and must not be applied to the new one.
    QFile::remove(datenbank + QStringLiteral("-journal"));

    if (!ini.isEmpty()) {
        if (QFileInfo::exists(helper.IniPath()))
            QFile::copy(helper.IniPath(), datiert(helper.IniPath(), jetzt));
        QFile quelle(ini);
        QSaveFile ziel(helper.IniPath());
        if (quelle.open(QIODevice::ReadOnly) && ziel.open(QIODevice::WriteOnly)) {
            ziel.write(quelle.readAll());
            w.iniWiederhergestellt = ziel.commit();
        }
    }
    w.meldung = QStringLiteral("Die Sicherung \u201E%1\u201C wurde wiederhergestellt.").arg(QDir::toNativeSeparators(sicherung));
    if (!w.bisherigeKopie.isEmpty())
        w.meldung += QStringLiteral(" Die bisherige Datenbank liegt unter \u201E%1\u201C.").arg(QDir::toNativeSeparators(w.bisherigeKopie));
    if (mitIni && !w.iniWiederhergestellt)
        w.meldung += zip ? QStringLiteral(" Die Einstellungen (Kassol.ini) wurden nicht wiederhergestellt.")
                         : QStringLiteral(" Eine Kopie enthält keine Einstellungen (Kassol.ini).");
    return w;
}

} // namespace Datensicherung
