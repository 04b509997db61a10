#pragma once

#include <QByteArray>
#include <QString>

namespace Codepage {

// The text in Windows-1252, one byte a character; a character the code page cannot hold becomes "?",
// and ersetzt (when given) receives how many did.
QByteArray toWindows1252(const QString& text, int* ersetzt = nullptr);

// A text stored in Windows-1252. The five bytes the code page leaves undefined become the control
// characters of the same number, as Windows itself reads them.
QString fromWindows1252(const QByteArray& bytes);
} // namespace Codepage
