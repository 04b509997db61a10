#include "backup/Backup.h"

#include "app/FilePaths.h"
#include "app/IniFile.h"
#include "app/KassolError.h"
#include "app/Platform.h"
#include "app/THelperData.h"
#include "backup/Compaction.h"
#include "backup/ZipArchive.h"
#include "store/DatabaseFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

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

// A name in the target folder for the backup while it is built; never the backup's own name.
QString bauName(const QString& ordner, const QString& name) {
    return FilePaths::join(ordner, QStringLiteral(".%1.%2.neu").arg(name).arg(QCoreApplication::applicationPid()));
}

} // namespace

namespace Datensicherung {

Sicherungseinstellungen lese(const THelperData& helper) {
    const auto ini = helper.GetIniInstance();
    return {ini->readString(Abschnitt, QStringLiteral("Ziel"), standardZiel()),
            ini->readBool(Abschnitt, QStringLiteral("nichtzippen"), false)};
}

void schreibeZiel(const THelperData& helper, const QString& ordner) {
    QString ziel = ordner;
    if (!ziel.endsWith(QLatin1Char('/')) && !ziel.endsWith(QLatin1Char('\\')))
        ziel += QDir::separator();
    helper.GetIniInstance()->writeString(Abschnitt, QStringLiteral("Ziel"), ziel);
}

void schreibeNichtZippen(const THelperData& helper, bool nichtZippen) {
    helper.GetIniInstance()->writeBool(Abschnitt, QStringLiteral("nichtzippen"), nichtZippen);
}

Sicherungsergebnis sichern(const THelperData& helper, const QString& zielOrdner, bool nichtZippen) {
    const QString datenbank = helper.DatabaseFile();
    const QString ziel = FilePaths::join(zielOrdner, QString::fromLatin1(nichtZippen ? KopieName : ArchivName));
    const QFileInfo ordner(zielOrdner);
    if (!ordner.exists() || !ordner.isDir())
        return misslungen(nichtZippen, QStringLiteral("Der Ordner \u201E%1\u201C existiert nicht.").arg(QDir::toNativeSeparators(zielOrdner)));

    // Compaction failures leave the database as it was and are reported like any failure here.
    try {
        komprimiereDatenbank(datenbank);
    } catch (const KassolError& e) {
        return misslungen(nichtZippen, e.message());
    }

    const QString bau = bauName(zielOrdner, QFileInfo(ziel).fileName());
    QFile::remove(bau);
    const auto scheitern = [&](const QString& grund) {
        QFile::remove(bau);
        return misslungen(nichtZippen, grund);
    };

    if (nichtZippen) {
        QFile quelle(datenbank);
        if (!quelle.copy(bau))
            return scheitern(QStringLiteral("Die Kopie kann nicht geschrieben werden: %1").arg(quelle.errorString()));
        if (const QString grund = checkKassolDatabase(bau); !grund.isEmpty())
            return scheitern(QStringLiteral("Die Kopie ist fehlerhaft: %1").arg(grund));
    } else {
        QList<ZipArchive::Eintrag> eintraege{{datenbank, QStringLiteral("ks_tab.mdb")}};
        if (QFileInfo::exists(helper.IniPath()))
            eintraege.append({helper.IniPath(), QStringLiteral("Kassol.ini")});
        if (const QString grund = ZipArchive::schreibe(bau, eintraege); !grund.isEmpty())
            return scheitern(QStringLiteral("Das Archiv kann nicht geschrieben werden: %1").arg(grund));
        if (const QString grund = ZipArchive::pruefe(bau); !grund.isEmpty())
            return scheitern(QStringLiteral("Das Archiv ist fehlerhaft: %1").arg(grund));
        QTemporaryDir entpackt;
        const QString probe = entpackt.filePath(QStringLiteral("ks_tab.mdb"));
        if (const QString grund = ZipArchive::entpacke(bau, QStringLiteral("ks_tab.mdb"), probe); !grund.isEmpty())
            return scheitern(QStringLiteral("Das Archiv kann nicht gelesen werden: %1").arg(grund));
        if (const QString grund = checkKassolDatabase(probe); !grund.isEmpty())
            return scheitern(QStringLiteral("Die Datenbank im Archiv ist fehlerhaft: %1").arg(grund));
    }
    if (!Platform::syncFile(bau))
        return scheitern(QStringLiteral("Die Sicherung kann nicht auf den Datenträger geschrieben werden."));
    if (const QString grund = Platform::replaceFile(bau, ziel); !grund.isEmpty())
        return scheitern(QStringLiteral("Die Sicherung kann nicht an ihre Stelle gebracht werden: %1").arg(grund));

    Sicherungsergebnis r;
    r.erfolgreich = true;
    r.zielDatei = ziel;
    r.meldung = QStringLiteral("Die Datensicherung war erfolgreich.\n\r\n\rDie Sicherung lautet: ") + QDir::toNativeSeparators(ziel);
    return r;
}

} // namespace Datensicherung
