#include "reports/engine/PdfRenderer.h"

#include "app/KassolError.h"
#include "reports/engine/ReportEngine.h"

#include <QDir>
#include <QFontMetricsF>
#include <optional>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <QFileInfo>

namespace ReportEngine {

namespace {
struct FontKey {
    QString family;
    double size = 0;
    bool bold = false;
    bool italic = false;
    bool operator==(const FontKey&) const = default;
};
} // namespace

void paintPage(QPainter& painter, const PreparedPage& page, double dotsPerMm) {
    FontKey current;
    std::optional<QFontMetricsF> metrics;
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
            painter.setPen(item.color);
            const FontKey key{item.font.family, item.font.pointSize, item.font.bold, item.font.italic};
            if (!(key == current)) {
                painter.setFont(toQFont(item.font));
                metrics.emplace(painter.font(), painter.device());
                current = key;
            }
            // Placed by the top edge of the text line; right-aligned texts end at their anchor.
            const QRectF box = r(item.rect);
            const QString text = item.maxWidth > 0 ? metrics->elidedText(item.text, Qt::ElideRight, item.maxWidth * dotsPerMm) : item.text;
            const double x = item.rightAligned ? box.right() - metrics->horizontalAdvance(text) : box.left();
            painter.drawText(QPointF(x, box.top() + metrics->ascent()), text);
            break;
        }
        }
    }
}

void writePdf(const PreparedReport& report, const QString& path) {
    // Written beside the target and moved into place, so that a failure leaves no half file.
    QTemporaryFile temp(QFileInfo(path).absolutePath() + QStringLiteral("/.kassol-XXXXXX.pdf"));
    if (!temp.open())
        throw KassolError(QStringLiteral("Die PDF-Datei \u201E%1\u201C kann nicht geschrieben werden: %2")
                              .arg(QDir::toNativeSeparators(path), temp.errorString()));
    temp.close();
    {
        QPdfWriter writer(temp.fileName());
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(600);
        writer.setTitle(report.title);
        writer.setCreator(QStringLiteral("Kassol"));
        QPainter painter(&writer);
        if (!painter.isActive())
            throw KassolError(QStringLiteral("Die PDF-Datei \u201E%1\u201C kann nicht geschrieben werden.").arg(QDir::toNativeSeparators(path)));
        const double dotsPerMm = 600 / 25.4;
        for (std::size_t i = 0; i < report.pages.size(); ++i) {
            if (i > 0)
                writer.newPage();
            paintPage(painter, report.pages[i], dotsPerMm);
        }
        painter.end();
    }
    QFile::remove(path);
    if (!temp.rename(path))
        throw KassolError(QStringLiteral("Die PDF-Datei \u201E%1\u201C kann nicht geschrieben werden: %2")
                              .arg(QDir::toNativeSeparators(path), temp.errorString()));
    temp.setAutoRemove(false);
}

} // namespace ReportEngine
