#pragma once

#include <QString>

// What every text a user gives must be: no control characters (a TAB or a line break would break
// the records of the export file, a NUL would cut the text short in other programs), and no
// longer than its column, counted in characters as the user sees them.
namespace Textregeln {

// Characters (code points), not UTF-16 units: "😀" is one.
qsizetype zeichen(const QString& text);
bool hatSteuerzeichen(const QString& text);
// Raises KassolError naming the field when the text holds a control character or is longer
// than maxZeichen.
void pruefe(const QString& feld, const QString& text, qsizetype maxZeichen);
// The text with every control character replaced by a blank.
QString ohneSteuerzeichen(const QString& text);

} // namespace Textregeln
