#include "app/DesktopShortcut.h"

#include "app/KassolError.h"
#include "app/SafeFileWriter.h"

#include <QDir>
#include <QFile>

namespace {

[[noreturn]] void misslungen(const QString& datei, const QString& grund) {
    throw KassolError(QStringLiteral("Das Symbol auf dem Desktop konnte nicht angelegt werden (%1): %2")
                          .arg(QDir::toNativeSeparators(datei), grund));
}

#ifndef Q_OS_WIN
// Exec quoting of desktop entries: the path in double quotes, with its specials escaped.
QString quoted(const QString& path) {
    QString s = path;
    s.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    for (const char c : {'"', '`', '$'})
        s.replace(QLatin1Char(c), QStringLiteral("\\") + QLatin1Char(c));
    return QLatin1Char('"') + s + QLatin1Char('"');
}
#endif

} // namespace

void erstelleDesktopVerknuepfung(const Folders& folders, const QString& programFile) {
    if (folders.desktopFolder.isEmpty())
        misslungen(QString(), QStringLiteral("Es ist kein Desktop-Ordner bekannt."));
    if (!QDir().mkpath(folders.desktopFolder))
        misslungen(folders.desktopFolder, QStringLiteral("Der Ordner kann nicht angelegt werden."));
#ifdef Q_OS_WIN
    const QString link = QDir(folders.desktopFolder).filePath(QStringLiteral("Kassol.lnk"));
    QFile::remove(link);
    if (!QFile::link(programFile, link))
        misslungen(link, QStringLiteral("Die Verknüpfung kann nicht geschrieben werden."));
#else
    const QString datei = QDir(folders.desktopFolder).filePath(QStringLiteral("Kassol.desktop"));
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Kassol\n"
                                        "Comment=Kassol\n"
                                        "Exec=%1\n"
                                        "Path=%2\n"
                                        "Icon=at.norvik.kassol\n"
                                        "Terminal=false\n"
                                        "Categories=Office;Finance;\n")
                             .arg(quoted(programFile), folders.programFolder);
    SafeFileWriter::writeAll(datei, text.toUtf8(), QStringLiteral("Das Symbol auf dem Desktop"));
    // Desktops start only entries that are marked executable (and so trusted).
    if (!QFile::setPermissions(datei, QFile::permissions(datei) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther))
        misslungen(datei, QStringLiteral("Die Datei kann nicht ausführbar gemacht werden."));
#endif
}
