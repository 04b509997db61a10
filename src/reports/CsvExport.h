#pragma once

#include "reports/engine/ReportData.h"

#include <QString>
#include <QStringList>

namespace CsvExport {

// Writes the rows as a semicolon-separated UTF-8 file with a header line: amounts (the named
// columns, held in ten-thousandths) with a decimal comma and two decimals, dates as dd.mm.yyyy,
// texts quoted where they hold a semicolon, a quote or a line break. The file is written through
// SafeFileWriter; raises KassolError when it cannot be written, and an older file stays as it was.
void schreibe(const ReportEngine::ReportData& daten, const QStringList& betragsSpalten, const QStringList& datumsSpalten,
              const QString& pfad);

} // namespace CsvExport
