#pragma once

#include <QString>

namespace FilePaths {

// The lock a desktop program holds on its data folder; a restore and a take-over take it too.
inline constexpr char SperrDatei[] = "Kassol.lock";

// Joins two parts with the platform's separator, adding one only when the first lacks it.
QString join(const QString& first, const QString& second);
// The entry of that name in the folder, matched without regard to case; empty when none.
QString findNoCase(const QString& folder, const QString& name);
// Whether an entry of that name (any case) exists in the folder.
bool existsNoCase(const QString& folder, const QString& name);

// The path with the extension of its file name replaced (appended when it has none): ".TXT", ".$$$".
QString replaceExtension(const QString& path, const QString& extension);

} // namespace FilePaths
