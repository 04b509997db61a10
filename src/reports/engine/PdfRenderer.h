#pragma once

#include "reports/engine/PreparedReport.h"

#include <QString>
#include <memory>

class QPainter;

namespace ReportEngine {

// Draws prepared pages; dotsPerMm converts millimetres into the painter's device units. The PDF
// writer, the printer and the preview all paint through this. Texts are shaped once and their
// glyphs reused, since dates, rates and booking texts repeat from line to line.
class PagePainter {
public:
    PagePainter(QPainter& painter, double dotsPerMm);
    ~PagePainter();
    void paint(const PreparedPage& page);

private:
    struct Cache;
    QPainter& m_painter;
    double m_dotsPerMm;
    std::unique_ptr<Cache> m_cache;
};

void paintPage(QPainter& painter, const PreparedPage& page, double dotsPerMm);
// Writes the report as a PDF file of A4 pages; raises KassolError when the file cannot be written.
void writePdf(const PreparedReport& report, const QString& path);

} // namespace ReportEngine
