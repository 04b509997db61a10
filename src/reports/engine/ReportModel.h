#pragma once

#include <QColor>
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

// A banded report: bands of printed items in millimetres, filled row by row from a data source.
namespace ReportEngine {

struct FontSpec {
    QString family = QStringLiteral("Arial");
    double pointSize = 10;
    bool bold = false;
    bool italic = false;
};

enum class ItemKind {
    Label,       // fixed text, which handlers may change
    Field,       // a value of the current row under a display mask
    Sum,         // running sum of a field over the printed detail rows
    PageNumber,  // the number of the page it stands on
    Line,        // horizontal line
    Rectangle,   // thin frame
};

enum class Align { Left, Right };

struct Item {
    QString name;
    ItemKind kind = ItemKind::Label;
    double x = 0;      // left edge, or right edge for right-aligned items
    double top = 0;
    Align align = Align::Left;
    QString text;      // caption of a label
    QString fieldName; // field of a data field or sum
    QString mask;      // display mask: "#,##0.00", "#,##0.00;;''", "date", "" (as stored)
    FontSpec font;
    bool enabled = true;
    double width = 0;      // lines and rectangles; for texts the widest they may print (0: any)
    double height = 0;     // rectangles
    double thickness = 0.2;
    bool resetAfterPrint = true;  // sums: start again after the band they print in

    // Builders for the usual kinds.
    static Item label(QString text, double x, double top, FontSpec font = {}, Align align = Align::Left, QString name = {});
    static Item field(QString field, double x, double top, QString mask = {}, FontSpec font = {}, Align align = Align::Left,
                      QString name = {});
    static Item sum(QString field, double rightEdge, double top, FontSpec font = {}, bool resetAfterPrint = true);
    static Item line(double x, double top, double width, double thickness = 0.2);
};

enum class BandKind { Title, PageHeader, GroupHeader, Detail, GroupFooter, Summary };

struct Band;

// What a handler sees and may change while a band is about to print or has printed.
class BandContext {
public:
    BandContext(Band& band, const std::function<QVariant(const QString&)>& value) : m_band(band), m_value(value) {}
    // The band's item of that name; a definition that names none is faulty and raises KassolError.
    Item& item(const QString& name);
    QVariant value(const QString& field) const { return m_value(field); }
    void suppress() { m_suppressed = true; }
    bool suppressed() const { return m_suppressed; }

private:
    Band& m_band;
    const std::function<QVariant(const QString&)>& m_value;
    bool m_suppressed = false;
};

using Handler = std::function<void(BandContext&)>;

struct Band {
    Band() = default;
    Band(BandKind k, QString n, double h) : kind(k), name(std::move(n)), height(h) {}

    BandKind kind = BandKind::Detail;
    QString name;
    double height = 5;
    std::vector<Item> items;
    QString groupField;   // group headers: the field whose change starts a new group
    QColor background;    // invalid: none
    Handler beforePrint;
    Handler afterPrint;
};

struct ReportDefinition {
    QString title;
    // Group headers from the outermost in; their footers in the same order as their headers.
    std::vector<Band> bands;
    std::function<void()> onStart;

    // The band of that name; raises KassolError when there is none.
    Band& band(const QString& name);
};

} // namespace ReportEngine
