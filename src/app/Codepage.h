#pragma once

#include <QByteArray>
#include <QString>

namespace Codepage {

// The text in Windows-1252, one byte a character; a character the code page cannot hold becomes "?",
// and ersetzt (when given) receives how many did.
QByteArray toWindows1252(const QString& text, int* ersetzt = nullptr);

} // namespace Codepage
