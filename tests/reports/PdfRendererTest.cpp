#include "reports/engine/PdfRenderer.h"
#include "reports/engine/ReportEngine.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTextLayout>
#include <gtest/gtest.h>

using namespace ReportEngine;

namespace {

PreparedItem text(const QString& t, double x, double y, FontSpec font = {}, bool right = false, double maxWidth = 0) {
    PreparedItem i{PreparedItem::Text, QRectF(x, y, 30, 4), t, font, 0, Qt::black};
    i.rightAligned = right;
    i.maxWidth = maxWidth;
    return i;
}

// Each text shaped whole and drawn alone, as a single text is drawn: the picture every way of
// drawing a page must give.
void paintAlone(QPainter& painter, const PreparedPage& page, double dotsPerMm) {
    for (const PreparedItem& item : page.items) {
        const QRectF box(item.rect.left() * dotsPerMm, item.rect.top() * dotsPerMm, item.rect.width() * dotsPerMm,
                         item.rect.height() * dotsPerMm);
        if (item.kind == PreparedItem::Fill) {
            painter.fillRect(box, item.color);
            continue;
        }
        const QFont font(toQFont(item.font), painter.device());
        QString t = item.text;
        const QFontMetricsF metrics(font, painter.device());
        if (item.maxWidth > 0 && metrics.horizontalAdvance(t) > item.maxWidth * dotsPerMm)
            t = metrics.elidedText(t, Qt::ElideRight, item.maxWidth * dotsPerMm);
        QTextLayout layout(t, font, painter.device());
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        const double x = item.rightAligned ? box.right() - line.naturalTextWidth() : box.left();
        painter.setPen(QPen(item.color, 0));
        for (const QGlyphRun& run : layout.glyphRuns())
            painter.drawGlyphRun(QPointF(x, box.top()), run);
    }
}

QImage picture(double dotsPerMm, double heightMm) {
    QImage image(static_cast<int>(210 * dotsPerMm), static_cast<int>(heightMm * dotsPerMm), QImage::Format_ARGB32_Premultiplied);
    const int perMetre = static_cast<int>(std::lround(dotsPerMm * 1000));
    image.setDotsPerMeterX(perMetre);
    image.setDotsPerMeterY(perMetre);
    image.fill(Qt::white);
    return image;
}

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

// Numbers are set from their characters and neighbouring texts drawn together; every glyph must
// still land where the text shaped and drawn alone puts it, kerned pairs ("11", "1,") included.
TEST(PdfRenderer, TextsDrawnTogetherLandWhereEachDrawnAloneWould) {
    FontSpec bold;
    bold.bold = true;
    FontSpec italic;
    italic.italic = true;
    PreparedPage page;
    double y = 2;
    for (const char* amount : {"1.111,11", "-11.711,01", "11.01.2024", "0,00", "471", "-1", "7.1-1,,.."}) {
        page.items.push_back(text(amount, 10, y));
        page.items.push_back(text(amount, 90, y, {}, true));
        page.items.push_back(text(amount, 100, y, bold));
        page.items.push_back(text(amount, 150, y, italic, true));
        y += 5;
    }
    page.items.push_back({PreparedItem::Fill, QRectF(10, y, 190, 5), {}, {}, 0, QColor(192, 192, 192)});
    page.items.push_back(text("Summe", 10, y, bold));
    page.items.push_back(text("Büro 1.234,50 € Verkauf Ladenkasse", 40, y));
    page.items.push_back(text("1.234,50", 190, y, bold, true));
    y += 5;
    page.items.push_back(text("Ein sehr langer Buchungstext, der nicht in die Spalte passt", 10, y, {}, false, 40));
    page.items.push_back(text("11", 60, y, {}, false, 40));
    page.items.push_back(text("Ωμέγα שלום", 120, y));

    for (const double dotsPerMm : {600 / 25.4, 96 / 25.4}) {
        QImage together = picture(dotsPerMm, y + 8);
        {
            QPainter painter(&together);
            PagePainter(painter, dotsPerMm).paint(page);
        }
        QImage alone = picture(dotsPerMm, y + 8);
        {
            QPainter painter(&alone);
            paintAlone(painter, page, dotsPerMm);
        }
        EXPECT_TRUE(together == alone) << dotsPerMm << " dots per mm";
    }
}

// A report that ends in an error leaves its target as it was, however many pages had gone to
// the drawing; a finished one holds every page in order, an empty one a single blank page.
TEST(PdfRenderer, OnlyAFinishedFileReplacesItsTarget) {
    TestDataFolder folder(false);
    const QString pdf = folder.file("bericht.pdf");
    {
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("alt");
    }
    const auto pages = [](int n) {
        std::vector<PreparedPage> out(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            out[static_cast<std::size_t>(i)].items.push_back(text(QStringLiteral("Seite %1").arg(i + 1), 10, 10));
        return out;
    };
    {
        PdfSeiten unfinished(pdf);
        for (PreparedPage& page : pages(40))
            unfinished.seite(std::move(page));
    }
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ("alt", old.readAll().toStdString());
    old.close();
    EXPECT_EQ(QStringList{"bericht.pdf"}, QDir(folder.path()).entryList(QDir::Files | QDir::Hidden)) << "no temporary file is left";

    for (const int n : {40, 0}) {
        PdfSeiten finished(pdf);
        finished.titel("Liste");
        for (PreparedPage& page : pages(n))
            finished.seite(std::move(page));
        finished.abschliessen();
        const QString content = pdfText(pdf);
        EXPECT_EQ(std::max(n, 1), content.count('\f')) << n;
        int from = 0;
        for (int i = 1; i <= n; ++i) {
            const auto at = content.indexOf(QStringLiteral("Seite %1\n").arg(i), from);
            ASSERT_GE(at, from) << "page " << i;
            from = static_cast<int>(at);
        }
    }
}
