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
    std::unique_ptr<Cache> m_cache;
};

void paintPage(QPainter& painter, const PreparedPage& page, double dotsPerMm);
// Writes the report as a PDF file of A4 pages; raises KassolError when the file cannot be written.
void writePdf(const PreparedReport& report, const QString& path);

// The same PDF written page by page as the pages arrive, for reports too long to hold whole. The
// pages are drawn on a thread of their own while the next ones are laid out; only a few wait
// there at any time. The file replaces its target only after abschliessen(); until then, or when
// it is left without, the target stays as it was.
class PdfSeiten final : public PageSink {
public:
    explicit PdfSeiten(const QString& path);
    void titel(const QString& title) override;
    ~PdfSeiten() override;
    void seite(PreparedPage&& page) override;
    void seite(const PreparedPage& page);
    // Waits for the last page to be drawn; raises KassolError when the file could not be written.
    void abschliessen();

private:
    struct Zustand;
    std::unique_ptr<Zustand> m_d;
};

} // namespace ReportEngine
