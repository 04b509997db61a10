#include "app/DeliveredDatabase.h"

#include "app/Clock.h"
#include "app/FilePaths.h"
#include "app/Platform.h"
#include "app/THelperData.h"
#include "app/UpdateLog.h"

#include <QDir>
#include <QFileInfo>

QString legeGelieferteDatenbankBeiseite(const QString& programmOrdner) {
    const SystemClock uhr;
    const UpdateLog log(QDir(programmOrdner).filePath(QString::fromLatin1(UpdateLog::DateiName)), uhr);
    const QString geliefert = FilePaths::findNoCase(programmOrdner, QString::fromLatin1(THelperData::NewDatabaseFileName));
    if (geliefert.isEmpty())
        return {};
    const QString stempel = uhr.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString ziel = QDir(programmOrdner).filePath(QStringLiteral("KS_neu-nicht-uebernommen-%1.mdb").arg(stempel));
    for (int n = 2; QFileInfo::exists(ziel); ++n)
        ziel = QDir(programmOrdner).filePath(QStringLiteral("KS_neu-nicht-uebernommen-%1-%2.mdb").arg(stempel).arg(n));
    if (!Platform::moveFile(geliefert, ziel)) {
        log.schreibe(QStringLiteral("Die gelieferte Datenbank %1 kann nicht beiseitegelegt werden; die Bücher in %2 bleiben in Gebrauch.")
                         .arg(QDir::toNativeSeparators(geliefert), THelperData::DatabaseFileName));
        return {};
    }
    log.schreibe(QStringLiteral("Neben den Büchern %1 lag eine gelieferte Datenbank %2. Die Bücher bleiben in Gebrauch; "
                                "die gelieferte Datei liegt jetzt unter %3.")
                     .arg(QString::fromLatin1(THelperData::DatabaseFileName), QString::fromLatin1(THelperData::NewDatabaseFileName),
                          QDir::toNativeSeparators(ziel)));
    return ziel;
}
