#include "reports/engine/ReportEngine.h"

#include "app/Currency.h"
#include "app/KassolError.h"
#include "reports/engine/DisplayMask.h"
#include "store/Database.h"

#include <QFont>
#include <QSqlRecord>
#include <QRegularExpression>

namespace ReportEngine {

// ---- model helpers ----

Item Item::label(QString text, double x, double top, FontSpec font, Align align, QString name) {
    Item i;
    i.kind = ItemKind::Label;
    i.text = std::move(text);
    i.x = x;
    i.top = top;
    i.font = font;
    i.align = align;
    i.name = std::move(name);
    return i;
}

Item Item::field(QString field, double x, double top, QString mask, FontSpec font, Align align, QString name) {
    Item i;
    i.kind = ItemKind::Field;
    i.fieldName = std::move(field);
    i.x = x;
    i.top = top;
    i.mask = std::move(mask);
    i.font = font;
    i.align = align;
    i.name = std::move(name);
    return i;
}

Item Item::sum(QString field, double rightEdge, double top, FontSpec font, bool resetAfterPrint) {
    Item i = Item::field(std::move(field), rightEdge, top, QStringLiteral("#,##0.00"), font, Align::Right);
    i.kind = ItemKind::Sum;
    i.resetAfterPrint = resetAfterPrint;
    return i;
}

Item Item::line(double x, double top, double width, double thickness) {
    Item i;
    i.kind = ItemKind::Line;
    i.x = x;
    i.top = top;
    i.width = width;
    i.thickness = thickness;
    return i;
}

Item& BandContext::item(const QString& name) {
    for (Item& i : m_band.items)
        if (i.name == name)
            return i;
    throw KassolError(QStringLiteral("Der Bericht hat kein Element \u201E%1\u201C.").arg(name));
}

Band& ReportDefinition::band(const QString& name) {
    for (Band& b : bands)
        if (b.name == name)
            return b;
    throw KassolError(QStringLiteral("Der Bericht hat keinen Bereich \u201E%1\u201C.").arg(name));
}

QStringList PreparedReport::texts() const {
    QStringList out;
    for (const PreparedPage& p : pages)
        for (const PreparedItem& i : p.items)
            if (i.kind == PreparedItem::Text)
                out << i.text;
    return out;
}

// ---- data ----

ReportData::ReportData(QStringList fields, std::vector<QList<QVariant>> rows) : m_fields(std::move(fields)), m_rows(std::move(rows)) {
    for (int i = 0; i < m_fields.size(); ++i)
        m_index.insert(m_fields[i].toLower(), i);
    // Reports name their fields mostly as the statement spells them; those need no lower-casing.
    for (const QString& field : std::as_const(m_fields))
        m_exact.insert(field, m_index.value(field.toLower()));
    setFilter(QString());
}

ReportData ReportData::fromQuery(Database& db, const QString& sql, const SqlParams& params, const QString& context) {
    QSqlQuery q = db.query(sql, params, context);
    const QSqlRecord rec = q.record();
    QStringList fields;
    for (int i = 0; i < rec.count(); ++i)
        fields << rec.fieldName(i);
    std::vector<QList<QVariant>> rows;
    while (q.next()) {
        QList<QVariant> row;
        row.reserve(fields.size());
        for (int i = 0; i < fields.size(); ++i)
            row.append(q.value(i));
        rows.push_back(std::move(row));
    }
    return ReportData(std::move(fields), std::move(rows));
}

void ReportData::setFilter(const QString& filter) {
    m_visible.clear();
    int column = -1;
    qint64 wanted = 0;
    static const QRegularExpression form(QStringLiteral("^\\s*(\\w+)\\s*=\\s*(-?\\d+)\\s*$"));
    const auto match = form.match(filter);
    if (match.hasMatch()) {
        column = fieldIndex(match.captured(1));
        wanted = match.captured(2).toLongLong();
    }
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i)
        if (!match.hasMatch() || (column >= 0 && !m_rows[i][column].isNull() && m_rows[i][column].toLongLong() == wanted))
            m_visible.push_back(i);
}

int ReportData::fieldIndex(const QString& name) const {
    const auto exact = m_exact.constFind(name);
    return exact != m_exact.cend() ? *exact : m_index.value(name.toLower(), -1);
}

QVariant ReportData::value(int row, const QString& field) const {
    const int column = fieldIndex(field);
    if (row < 0 || row >= count() || column < 0)
        return QVariant();
    return m_rows[m_visible[row]][column];
}

// ---- layout ----

QFont toQFont(const FontSpec& spec) {
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        return true;
    }();
    (void)substituted;
    QFont f(spec.family);
    f.setPointSizeF(spec.pointSize);
    f.setBold(spec.bold);
    f.setItalic(spec.italic);
    return f;
}

namespace {

constexpr double MmPerPoint = 25.4 / 72.0;

class Layout {
public:
    Layout(ReportDefinition& report, const ReportData& data, PageSink* sink = nullptr)
        : m_report(report), m_data(data), m_sink(sink) {
        m_result.title = report.title;
        for (Band& b : report.bands) {
            if (b.kind == BandKind::GroupHeader)
                m_groups.push_back(&b);
            for (Item& i : b.items)
                if (i.kind == ItemKind::Sum)
                    m_sums.push_back(&i);
        }
        // Footers pair with headers in the order they are declared.
        for (Band& b : report.bands)
            if (b.kind == BandKind::GroupFooter)
                m_footers.push_back(&b);
    }

    PreparedReport run() {
        if (m_report.onStart)
            m_report.onStart();
        m_sumValues.assign(m_sums.size(), Currency());
        newPage(true);
        const int n = m_data.count();
        for (int row = 0; row < n; ++row) {
            int breakLevel = static_cast<int>(m_groups.size());
            for (int level = 0; level < static_cast<int>(m_groups.size()); ++level) {
                const QString& f = m_groups[level]->groupField;
                if (row == 0 || m_data.value(row, f) != m_data.value(row - 1, f)) {
                    breakLevel = level;
                    break;
                }
            }
            if (row > 0)
                printFooters(breakLevel, row - 1);
            printHeaders(breakLevel, row);
            printBand(kind(BandKind::Detail), row, true);
        }
        if (n > 0)
            printFooters(0, n - 1);
        if (Band* summary = kind(BandKind::Summary))
            printBand(summary, n > 0 ? n - 1 : -1);
        if (m_sink)
            m_sink->seite(std::move(m_result.pages.back()));
        return std::move(m_result);
    }

    int seiten() const { return m_pageNumber; }

private:
    Band* kind(BandKind k) {
        for (Band& b : m_report.bands)
            if (b.kind == k)
                return &b;
        return nullptr;
    }

    void newPage(bool first) {
        // A sink takes the finished page; only the page being laid out is kept.
        if (m_sink && !m_result.pages.empty()) {
            m_sink->seite(std::move(m_result.pages.back()));
            m_result.pages.clear();
        }
        m_result.pages.emplace_back();
        m_y = Margin;
        ++m_pageNumber;
        // Title and page header stand where the page begins and never break it.
        if (first)
            printBand(kind(BandKind::Title), m_row, false, false);
        printBand(kind(BandKind::PageHeader), m_row, false, false);
    }

    double remaining() const { return PageHeight - Margin - m_y; }

    void printHeaders(int fromLevel, int row) {
        // The headers and the first detail line go on one page together.
        double needed = 0;
        for (int level = fromLevel; level < static_cast<int>(m_groups.size()); ++level)
            needed += m_groups[level]->height;
        if (Band* detail = kind(BandKind::Detail))
            needed += detail->height;
        if (needed > remaining() && m_y > Margin + pageHeaderHeight() + 0.001)
            newPage(false);
        for (int level = fromLevel; level < static_cast<int>(m_groups.size()); ++level)
            printBand(m_groups[level], row);
    }

    void printFooters(int toLevel, int row) {
        for (int level = static_cast<int>(m_groups.size()) - 1; level >= toLevel; --level)
            if (level < static_cast<int>(m_footers.size()))
                printBand(m_footers[level], row);
    }

    double pageHeaderHeight() {
        Band* header = kind(BandKind::PageHeader);
        return header ? header->height : 0;
    }

    void printBand(Band* band, int row, bool detail = false, bool mayBreakPage = true) {
        if (!band)
            return;
        m_row = row;
        const std::function<QVariant(const QString&)> value = [this, row](const QString& f) { return m_data.value(row, f); };
        BandContext ctx(*band, value);
        if (band->beforePrint)
            band->beforePrint(ctx);
        if (ctx.suppressed())
            return;
        if (mayBreakPage && band->height > remaining())
            newPage(false);
        if (detail)
            for (std::size_t i = 0; i < m_sums.size(); ++i)
                if (!m_data.value(row, m_sums[i]->fieldName).isNull())
                    m_sumValues[i] += Currency::fromUnits(m_data.value(row, m_sums[i]->fieldName).toLongLong());
        place(band, row);
        if (band->afterPrint)
            band->afterPrint(ctx);
    }

    void place(Band* band, int row) {
        PreparedPage& page = m_result.pages.back();
        const double top = m_y;
        if (band->background.isValid())
            page.items.push_back({PreparedItem::Fill, QRectF(Margin, top, PrintableWidth, band->height), {}, {}, 0, band->background});
        for (Item& item : band->items) {
            if (!item.enabled)
                continue;
            const double y = top + item.top;
            switch (item.kind) {
            case ItemKind::Line:
                page.items.push_back({PreparedItem::Line, QRectF(Margin + item.x, y, item.width, 0), {}, {}, item.thickness, Qt::black});
                break;
            case ItemKind::Rectangle:
                page.items.push_back({PreparedItem::Frame, QRectF(Margin + item.x, y, item.width, item.height), {}, {}, item.thickness, Qt::black});
                break;
            default:
                placeText(page, item, y, row);
            }
        }
        for (std::size_t i = 0; i < m_sums.size(); ++i)
            for (const Item& item : band->items)
                if (&item == m_sums[i] && item.resetAfterPrint)
                    m_sumValues[i] = Currency();
        m_y += band->height;
    }

    void placeText(PreparedPage& page, const Item& item, double y, int row) {
        QString text;
        switch (item.kind) {
        case ItemKind::Label:
            text = item.text;
            break;
        case ItemKind::Field:
            text = formatValue(m_data.value(row, item.fieldName), item.mask);
            break;
        case ItemKind::Sum:
            for (std::size_t i = 0; i < m_sums.size(); ++i)
                if (m_sums[i] == &item)
                    text = formatValue(QVariant::fromValue<qlonglong>(m_sumValues[i].units()), item.mask);
            break;
        case ItemKind::PageNumber:
            text = QString::number(m_pageNumber);
            break;
        default:
            break;
        }
        if (text.isEmpty())
            return;
        // The width is estimated from the number of characters: it only orders texts that stand
        // on one line; the renderers align right-aligned texts at their right edge themselves.
        const double w = text.size() * item.font.pointSize * MmPerPoint * 0.5;
        const double h = item.font.pointSize * MmPerPoint * 1.15;
        const double left = item.align == Align::Right ? item.x - w : item.x;
        PreparedItem prepared{PreparedItem::Text, QRectF(Margin + left, y, w, h), text, item.font, 0, Qt::black};
        prepared.rightAligned = item.align == Align::Right;
        prepared.maxWidth = item.width;
        page.items.push_back(std::move(prepared));
    }

    ReportDefinition& m_report;
    const ReportData& m_data;
    PageSink* m_sink;
    PreparedReport m_result;
    std::vector<Band*> m_groups;
    std::vector<Band*> m_footers;
    std::vector<Item*> m_sums;
    std::vector<Currency> m_sumValues;
    double m_y = Margin;
    int m_pageNumber = 0;
    int m_row = -1;
};

} // namespace

PreparedReport prepare(ReportDefinition& report, const ReportData& data) { return Layout(report, data).run(); }

int prepare(ReportDefinition& report, const ReportData& data, PageSink& sink) {
    sink.titel(report.title);
    Layout layout(report, data, &sink);
    (void)layout.run();
    return layout.seiten();
}

} // namespace ReportEngine
