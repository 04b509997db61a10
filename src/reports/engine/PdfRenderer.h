#pragma once

#include "reports/engine/PreparedReport.h"

#include <QString>

class QPainter;

namespace ReportEngine {

// Draws one prepared page; dotsPerMm converts millimetres into the painter's device units. The
// PDF writer, the printer and the preview all paint through this.
void paintPage(QPainter& painter, const PreparedPage& page, double dotsPerMm);
// Writes the report as a PDF file of A4 pages; raises KassolError when the file cannot be written.
void writePdf(const PreparedReport& report, const QString& path);

} // namespace ReportEngine
