#include "app/FilePaths.h"

#include <QDir>
#include <QFileInfo>

namespace FilePaths {

QString join(const QString& first, const QString& second) {
    if (first.isEmpty())
        return second;
    if (first.endsWith(QLatin1Char('/')) || first.endsWith(QDir::separator()))
        return first + second;
    return first + QLatin1Char('/') + second;
}

QString findNoCase(const QString& folder, const QString& name) {
    const QString exact = join(folder, name);
    if (QFileInfo::exists(exact))
        return exact;
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList entries = dir.entryList(QDir::Files | QDir::System | QDir::Hidden);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return join(folder, entry);
    return QString();
}

QString replaceExtension(const QString& path, const QString& extension) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return path.left(path.size() - name.size()) + (dot > 0 ? name.left(dot) : name) + extension;
}

bool existsNoCase(const QString& folder, const QString& name) { return !findNoCase(folder, name).isEmpty(); }

} // namespace FilePaths
