#pragma once

#include "reports/engine/ReportModel.h"

#include <QColor>
#include <QRectF>
#include <QString>
#include <vector>

namespace ReportEngine {

// One thing drawn on a page; rectangles in millimetres from the page's top left corner.
struct PreparedItem {
    enum Kind { Text, Line, Frame, Fill } kind = Text;
    QRectF rect;
    QString text;
    FontSpec font;
    double thickness = 0.2;
    QColor color = Qt::black;
    bool rightAligned = false;  // texts: rect.right() is where the text ends
    double maxWidth = 0;        // texts: cut with an ellipsis beyond this width (0: never)
};

struct PreparedPage {
    std::vector<PreparedItem> items;
};

// A report laid out on pages, ready for the PDF writer, the printer, the preview or plain text.
struct PreparedReport {
    QString title;
    double pageWidth = 210;
    double pageHeight = 297;
    std::vector<PreparedPage> pages;

    // All texts of all pages in the order they were placed (for checks and searches).
    QStringList texts() const;
};

// Takes each page as soon as it is laid out, so that a long report never has to be held whole.
class PageSink {
public:
    virtual ~PageSink() = default;
    // Before the first page: the report's title.
    virtual void titel(const QString& title) { (void)title; }
    // The pages arrive in order, numbered from 1.
    virtual void seite(PreparedPage&& page) = 0;
};

} // namespace ReportEngine
