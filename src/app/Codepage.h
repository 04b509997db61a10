#pragma once

#include <QByteArray>
#include <QString>

namespace Codepage {

// The text in Windows-1252, one byte a character; a character the code page cannot hold becomes "?".
QByteArray toWindows1252(const QString& text);

} // namespace Codepage
