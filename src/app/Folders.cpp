#include "app/Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

Folders Folders::ofPlatform() {
    Folders f;
    f.programFolder = QCoreApplication::applicationDirPath();
#ifdef Q_OS_WIN
    // The common application-data folder shared by every user of the machine.
    f.programDataFolder = qEnvironmentVariable("ProgramData");
#else
    // Linux has no machine-wide folder that users may write, so the per-user data home serves.
    f.programDataFolder = qEnvironmentVariable("XDG_DATA_HOME");
    if (f.programDataFolder.isEmpty() && !QDir::homePath().isEmpty())
        f.programDataFolder = QDir::homePath() + QStringLiteral("/.local/share");
#endif
    f.desktopFolder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    f.tempFolder = QDir::tempPath();
    return f;
}
