#pragma once

#include <QString>

// Compacts the closed database file in place: SQLite writes a compacted copy beside it (the file's
// name with the extension ".$$$"), the copy is checked and then moved over the file in one step.
// The original is never deleted or changed before its compacted copy is complete and checked; a
// failure leaves it untouched and raises KassolError with the reason.
void komprimiereDatenbank(const QString& path);
