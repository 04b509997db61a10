#include "reports/engine/DisplayMask.h"
#include "reports/engine/ReportEngine.h"
#include "reports/engine/TextRenderer.h"

#include <gtest/gtest.h>

using namespace ReportEngine;

namespace {

// Rows of (Gruppe, Wert in ten-thousandths, BK).
ReportData rows(int n, int perGroup = 1000) {
    std::vector<QList<QVariant>> r;
    for (int i = 0; i < n; ++i)
        r.push_back({i / perGroup, QVariant::fromValue<qlonglong>((i + 1) * 10000LL), i % 2 ? 7 : 8});
    return ReportData({"Gruppe", "Wert", "BK"}, std::move(r));
}

ReportDefinition definition() {
    ReportDefinition r;
    Band header(BandKind::PageHeader, "Kopf", 20);
    Item page;
    page.kind = ItemKind::PageNumber;
    page.x = 180;
    page.align = Align::Right;
    header.items = {Item::label("Liste", 0, 0), Item::label("Seite", 160, 0, {}, Align::Left, "Seite"), page, Item::line(0, 19, PrintableWidth)};
    Band group(BandKind::GroupHeader, "Gruppe", 10);
    group.groupField = "Gruppe";
    group.items = {Item::field("Gruppe", 0, 0)};
    Band detail(BandKind::Detail, "Zeile", 5);
    detail.items = {Item::field("Wert", 100, 0, "#,##0.00", {}, Align::Right, "Wert")};
    Band footer(BandKind::GroupFooter, "Fuss", 5);
    footer.items = {Item::label("Summe", 0, 0), Item::sum("Wert", 100, 0)};
    Band summary(BandKind::Summary, "Ende", 5);
    summary.items = {Item::label("Gesamt", 0, 0), Item::sum("Wert", 100, 0)};
    r.bands = {header, group, detail, footer, summary};
    return r;
}

} // namespace

TEST(ReportEngine, PagesRepeatTheHeaderWithTheirNumber) {
    ReportDefinition r = definition();
    const PreparedReport p = prepare(r, rows(120, 1000));
    ASSERT_GE(p.pages.size(), 3u);
    const QStringList pages = renderText(p).split('\f');
    ASSERT_EQ(static_cast<qsizetype>(p.pages.size()), pages.size());
    for (int i = 0; i < pages.size(); ++i)
        EXPECT_TRUE(pages[i].startsWith(QStringLiteral("Liste\tSeite\t%1\n").arg(i + 1))) << pages[i].left(40).toStdString();
    EXPECT_TRUE(pages.last().endsWith("Gesamt\t7.260,00\n")) << "sum of 1 to 120";
    // Nothing stands below the bottom margin.
    for (const PreparedPage& page : p.pages)
        for (const PreparedItem& item : page.items)
            EXPECT_LE(item.rect.top(), PageHeight - Margin);
}

TEST(ReportEngine, GroupsBreakSumsRestartAndAHeaderNeverStandsAlone) {
    ReportDefinition r = definition();
    const PreparedReport p = prepare(r, rows(100, 47));
    const QString text = renderText(p);
    EXPECT_TRUE(text.contains("Summe\t1.128,00\n")) << "1 to 47";
    EXPECT_TRUE(text.contains("Summe\t3.337,00\n")) << "48 to 94, restarted";
    EXPECT_TRUE(text.contains("Summe\t585,00\n")) << "95 to 100";
    EXPECT_TRUE(text.endsWith("Gesamt\t5.050,00\n"));
    for (const QString& page : text.split('\f')) {
        const QStringList l = page.split('\n', Qt::SkipEmptyParts);
        EXPECT_NE(QString("0"), l.last());
        EXPECT_NE(QString("1"), l.last());
        EXPECT_NE(QString("2"), l.last()) << "a group header at the foot of a page";
    }
}

TEST(ReportEngine, EmptyDataStillGivesHeaderAndSummaryAndFiltersHideRows) {
    ReportDefinition r = definition();
    EXPECT_EQ("Liste\tSeite\t1\nGesamt\t0,00\n", renderText(prepare(r, rows(0))).toStdString());
    ReportData data = rows(6);
    data.setFilter("BK = 7");
    EXPECT_EQ(3, data.count());
    EXPECT_TRUE(renderText(prepare(r, data)).endsWith("Gesamt\t12,00\n")) << "2 + 4 + 6";
    data.setFilter("BK = 9");
    EXPECT_EQ(0, data.count());
}

TEST(ReportEngine, HandlersChangeCaptionsDisableItemsAndSuppressBands) {
    ReportDefinition r = definition();
    int starts = 0, printed = 0;
    r.onStart = [&] { ++starts; };
    r.band("Zeile").beforePrint = [](BandContext& c) {
        if (c.value("Wert").toLongLong() == 20000)
            c.suppress();
        c.item("Wert").enabled = c.value("Wert").toLongLong() != 30000;
    };
    r.band("Zeile").afterPrint = [&](BandContext&) { ++printed; };
    r.band("Kopf").beforePrint = [](BandContext& c) { c.item("Seite").text = "Blatt"; };
    const QString text = renderText(prepare(r, rows(4)));
    EXPECT_EQ(1, starts);
    EXPECT_EQ(3, printed) << "the suppressed row is not printed";
    EXPECT_EQ("Liste\tBlatt\t1\n0\n1,00\n4,00\nSumme\t8,00\nGesamt\t8,00\n", text.toStdString())
        << "a disabled item prints nothing but its row still counts; a suppressed one neither";
}

TEST(ReportEngine, DisplayMasks) {
    EXPECT_EQ("1.234,50", formatValue(QVariant::fromValue<qlonglong>(12345000), "#,##0.00").toStdString());
    EXPECT_EQ("-0,62", formatValue(QVariant::fromValue<qlonglong>(-6200), "#,##0.00;;''").toStdString());
    EXPECT_EQ("", formatValue(QVariant::fromValue<qlonglong>(0), "#,##0.00;;''").toStdString());
    EXPECT_EQ("0,00", formatValue(QVariant::fromValue<qlonglong>(0), "#,##0.00").toStdString());
    EXPECT_EQ("", formatValue(QVariant(), "#,##0.00").toStdString());
    EXPECT_EQ("05.03.2024", formatValue("2024-03-05", "date").toStdString());
}

namespace {
struct CollectingSink : PageSink {
    QString title;
    PreparedReport pages;
    void titel(const QString& t) override { title = t; }
    void seite(PreparedPage&& page) override { pages.pages.push_back(std::move(page)); }
};
} // namespace

// Laid out page by page into a sink, a report has exactly the pages it has when prepared whole:
// several pages with groups, and no rows at all.
TEST(ReportEngine, PagesHandedToASinkAreThoseOfTheWholeReport) {
    for (const int n : {0, 120}) {
        ReportDefinition whole = definition();
        whole.title = "Liste";
        const PreparedReport p = prepare(whole, rows(n, 47));
        ReportDefinition streamed = definition();
        streamed.title = "Liste";
        CollectingSink sink;
        EXPECT_EQ(static_cast<int>(p.pages.size()), prepare(streamed, rows(n, 47), sink)) << n;
        EXPECT_EQ("Liste", sink.title.toStdString());
        ASSERT_EQ(p.pages.size(), sink.pages.pages.size()) << n;
        EXPECT_EQ(renderText(p).toStdString(), renderText(sink.pages).toStdString()) << n;
        for (std::size_t i = 0; i < p.pages.size(); ++i)
            for (std::size_t j = 0; j < p.pages[i].items.size(); ++j)
                EXPECT_EQ(p.pages[i].items[j].rect, sink.pages.pages[i].items[j].rect) << n << " " << i << " " << j;
    }
}
