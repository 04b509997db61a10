#include "app/THelperData.h"

#include "app/DeliveredDatabase.h"
#include "app/FilePaths.h"
#include "app/Platform.h"

#include <QDir>
#include <QFileInfo>
#include "app/KassolError.h"

THelperData::THelperData(Folders folders, DatabaseCreator createDatabaseIfMissing)
    : m_folders(std::move(folders)), m_createDatabaseIfMissing(std::move(createDatabaseIfMissing)) {}

void THelperData::InitPathAndDB() {
    QString programFolder = m_folders.programFolder;
    if (!programFolder.endsWith(QLatin1Char('/')))
        programFolder += QLatin1Char('/');
    const QString db = QString::fromLatin1(DatabaseFileName);
    const QString delivered = QString::fromLatin1(NewDatabaseFileName);

    bool useProgramFolder = false;
    if (!FilePaths::existsNoCase(programFolder, db) && FilePaths::existsNoCase(programFolder, delivered)) {
        Platform::moveFile(FilePaths::findNoCase(programFolder, delivered), programFolder + db);
        useProgramFolder = true;
    }
    // A delivered database beside the books in use is set aside by the program itself; the books
    // are never replaced by it and no other program is started.
    if (FilePaths::existsNoCase(programFolder, delivered)) {
        if (FilePaths::existsNoCase(programFolder, db))
            (void)legeGelieferteDatenbankBeiseite(programFolder);
        useProgramFolder = true;
    }
    if (FilePaths::existsNoCase(programFolder, db))
        useProgramFolder = true;

    if (useProgramFolder) {
        m_dbPath = programFolder;
        m_iniPath = FilePaths::join(m_dbPath, QString::fromLatin1(IniFileName));
        return;
    }
    UseDataFolder(FilePaths::join(GetProgramDataPath(), QString::fromLatin1(DataSubPath)));
}

void THelperData::UseDataFolder(const QString& folder) {
    m_dbPath = folder;
    m_iniPath = FilePaths::join(m_dbPath, QString::fromLatin1(IniFileName));
    createDataFolder(m_dbPath);
    if (m_createDatabaseIfMissing && !FilePaths::existsNoCase(m_dbPath, QString::fromLatin1(DatabaseFileName)))
        m_createDatabaseIfMissing(FilePaths::join(m_dbPath, QString::fromLatin1(DatabaseFileName)));
}

void THelperData::PointAtDataFolder(const QString& folder) {
    m_dbPath = folder;
    m_iniPath = FilePaths::join(m_dbPath, QString::fromLatin1(IniFileName));
}

QString THelperData::DatabaseFile() const {
    const QString found = FilePaths::findNoCase(m_dbPath, QString::fromLatin1(DatabaseFileName));
    return found.isEmpty() ? FilePaths::join(m_dbPath, QString::fromLatin1(DatabaseFileName)) : found;
}

void THelperData::createDataFolder(const QString& folder) {
    if (!Platform::createFolder(folder))
        throw KassolError(
            QStringLiteral("Der Datenordner \u201E%1\u201C kann nicht angelegt werden. Bitte prüfen Sie, "
                           "ob der Ordner beschreibbar ist.")
                .arg(QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath()))
);
}
