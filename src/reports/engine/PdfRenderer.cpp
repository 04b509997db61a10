#include "reports/engine/PdfRenderer.h"

#include "app/KassolError.h"
#include "app/SafeFileWriter.h"
#include "reports/engine/PreparedReport.h"
#include "reports/engine/ReportEngine.h"

#include <QDir>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QTextLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace ReportEngine {

struct PagePainter::Cache {
    struct Run {
        QList<QGlyphRun> glyphs;
        double width = 0;
    };
    QHash<QString, int> fontIds;                 // by family and style
    QList<QFont> fonts;                          // by id, resolved for the painter's device
    QHash<std::pair<int, QString>, Run> runs;    // by font id and text
};

PagePainter::PagePainter(QPainter& painter, double dotsPerMm)
    : m_painter(painter), m_dotsPerMm(dotsPerMm), m_cache(std::make_unique<Cache>()) {}

PagePainter::~PagePainter() = default;

void PagePainter::paint(const PreparedPage& page) {
    QPainter& painter = m_painter;
    const double dotsPerMm = m_dotsPerMm;
    const auto r = [dotsPerMm](const QRectF& mm) {
        return QRectF(mm.left() * dotsPerMm, mm.top() * dotsPerMm, mm.width() * dotsPerMm, mm.height() * dotsPerMm);
    };
    for (const PreparedItem& item : page.items) {
        switch (item.kind) {
        case PreparedItem::Fill:
            painter.fillRect(r(item.rect), item.color);
            break;
        case PreparedItem::Line: {
            painter.setPen(QPen(item.color, item.thickness * dotsPerMm));
            const QRectF d = r(item.rect);
            painter.drawLine(QPointF(d.left(), d.top()), QPointF(d.right(), d.top()));
            break;
        }
        case PreparedItem::Frame:
            painter.setPen(QPen(item.color, item.thickness * dotsPerMm));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(r(item.rect));
            break;
        case PreparedItem::Text: {
            QString fontKey = item.font.family;
            fontKey += QChar(int(item.font.pointSize * 10) + (item.font.bold ? 0x1000 : 0) + (item.font.italic ? 0x2000 : 0) +
                             (item.maxWidth > 0 ? 0x4000 + int(item.maxWidth) * 0x10 : 0));
            auto id = m_cache->fontIds.find(fontKey);
            if (id == m_cache->fontIds.end()) {
                id = m_cache->fontIds.insert(fontKey, static_cast<int>(m_cache->fonts.size()));
                m_cache->fonts.append(QFont(toQFont(item.font), painter.device()));
            }
            const QFont* font = &m_cache->fonts[*id];
            const std::pair<int, QString> runKey(*id, item.text);
            auto run = m_cache->runs.find(runKey);
            if (run == m_cache->runs.end()) {
                // Amounts and numbers hardly repeat; a long report would keep the shapes of all of
                // them. Kept to a few pages' worth, the cache still serves what does repeat.
                if (m_cache->runs.size() >= 4096)
                    m_cache->runs.clear();
                QString text = item.text;
                if (item.maxWidth > 0) {
                    const QFontMetricsF metrics(*font, painter.device());
                    if (metrics.horizontalAdvance(text) > item.maxWidth * dotsPerMm)
                        text = metrics.elidedText(text, Qt::ElideRight, item.maxWidth * dotsPerMm);
                }
                QTextLayout layout(text, *font, painter.device());
                layout.beginLayout();
                QTextLine line = layout.createLine();
                layout.endLayout();
                run = m_cache->runs.insert(runKey, {layout.glyphRuns(), line.isValid() ? line.naturalTextWidth() : 0});
            }
            // Placed by the top edge of the text line; right-aligned texts end at their anchor.
            const QRectF box = r(item.rect);
            const double x = item.rightAligned ? box.right() - run->width : box.left();
            if (painter.pen().color() != item.color || painter.pen().widthF() != 0)
                painter.setPen(QPen(item.color, 0));
            for (const QGlyphRun& glyphs : run->glyphs)
                painter.drawGlyphRun(QPointF(x, box.top()), glyphs);
            break;
        }
        }
    }
}

void paintPage(QPainter& painter, const PreparedPage& page, double dotsPerMm) { PagePainter(painter, dotsPerMm).paint(page); }

PdfSeiten::PdfSeiten(const QString& path)
    : m_path(path), m_file(std::make_unique<SafeFileWriter>(path, QStringLiteral("Die PDF-Datei"))) {
    m_writer = std::make_unique<QPdfWriter>(&m_file->device());
    m_writer->setPageSize(QPageSize(QPageSize::A4));
    m_writer->setPageMargins(QMarginsF(0, 0, 0, 0));
    m_writer->setResolution(600);
    m_writer->setCreator(QStringLiteral("Kassol"));
}

void PdfSeiten::titel(const QString& title) { m_writer->setTitle(title); }

PdfSeiten::~PdfSeiten() {
    // Left without abschliessen(): the painter ends on the temporary file, which is then removed.
    if (m_painter && m_painter->isActive())
        m_painter->end();
}

void PdfSeiten::seite(PreparedPage&& page) { seite(static_cast<const PreparedPage&>(page)); }

void PdfSeiten::seite(const PreparedPage& page) {
    if (!m_painter) {
        m_painter = std::make_unique<QPainter>(m_writer.get());
        if (!m_painter->isActive())
            throw KassolError(QStringLiteral("Die PDF-Datei \u201E%1\u201C konnte nicht geschrieben werden: Die PDF-Ausgabe ließ "
                                             "sich nicht beginnen. Versuchen Sie es bitte erneut.")
                                  .arg(QDir::toNativeSeparators(m_path)));
        m_pages = std::make_unique<PagePainter>(*m_painter, 600 / 25.4);
    } else {
        m_writer->newPage();
    }
    m_pages->paint(page);
    ++m_anzahl;
}

void PdfSeiten::abschliessen() {
    // A report has at least one page; an empty one still gives a valid file.
    if (!m_painter)
        seite(PreparedPage{});
    m_painter->end();
    m_pages.reset();
    m_painter.reset();
    m_writer.reset();
    m_file->commit();
}

void writePdf(const PreparedReport& report, const QString& path) {
    PdfSeiten pdf(path);
    pdf.titel(report.title);
    for (const PreparedPage& page : report.pages)
        pdf.seite(page);
    pdf.abschliessen();
}

} // namespace ReportEngine
