#include "support/ScriptedWidgetInteraction.h"
#include "ui/DesktopFixture.h"
#include "ui/Arbeitsanzeige.h"
#include "ui/reports/TReportVorschau.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSpinBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Three pages, each with its number in bold at the top left and a line under it.
ReportEngine::PreparedReport threePages() {
    ReportEngine::PreparedReport r;
    r.title = QStringLiteral("Buchungsjournal");
    for (int i = 1; i <= 3; ++i) {
        ReportEngine::PreparedPage p;
        ReportEngine::PreparedItem text;
        text.rect = QRectF(10, 10, 60, 5);
        text.text = QStringLiteral("Seite %1").arg(i);
        text.font.bold = true;
        p.items.push_back(text);
        ReportEngine::PreparedItem line;
        line.kind = ReportEngine::PreparedItem::Line;
        line.rect = QRectF(10, 16, 190, 0);
        p.items.push_back(line);
        r.pages.push_back(p);
    }
    return r;
}

int pdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pdf = f.readAll();
    if (!pdf.startsWith("%PDF"))
        return -1;
    return static_cast<int>(QString::fromLatin1(pdf).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

// Dark pixels of the page the preview shows: something was painted.
int inkOf(TReportVorschau& v) {
    QWidget* page = v.findChild<QWidget*>(QStringLiteral("Seitenbild"));
    const QImage img = page->grab().toImage();
    int ink = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128)
                ++ink;
    return ink;
}

struct Preview : testing::Test {
    Preview() : report(threePages()), v(report, ui) {
        v.resize(800, 600);
        v.show();
        QApplication::setActiveWindow(&v);
        QApplication::processEvents();
    }
    template <class T>
    T* control(const char* name) {
        return in<T>(v, name);
    }
    QTemporaryDir dir;
    ScriptedWidgetInteraction ui;
    ReportEngine::PreparedReport report;
    TReportVorschau v;
};

} // namespace

TEST_F(Preview, OpensOnTheFirstPageFittedAndPagesByButtonsKeysAndNumber) {
    EXPECT_EQ(0, v.seite());
    EXPECT_EQ(TReportVorschau::GanzeSeite, v.zoom());
    EXPECT_EQ("von 3", control<QLabel>("SeitenAnzahl")->text().toStdString());
    QWidget* page = v.findChild<QWidget*>(QStringLiteral("Seitenbild"));
    const QSize view = control<QScrollArea>("Seitenflaeche")->viewport()->size();
    EXPECT_LE(page->height(), view.height()) << "the whole page fits";
    EXPECT_GT(inkOf(v), 0);
    EXPECT_FALSE(control<QPushButton>("VorigeSeite")->isEnabled());

    control<QPushButton>("NaechsteSeite")->click();
    EXPECT_EQ(1, v.seite());
    EXPECT_EQ(2, control<QSpinBox>("SeiteNummer")->value());
    control<QPushButton>("LetzteSeite")->click();
    EXPECT_EQ(2, v.seite());
    EXPECT_FALSE(control<QPushButton>("NaechsteSeite")->isEnabled());
    QTest::keyClick(&v, Qt::Key_PageDown);
    EXPECT_EQ(2, v.seite()) << "stays on the last page";
    QTest::keyClick(&v, Qt::Key_PageUp);
    EXPECT_EQ(1, v.seite());
    control<QSpinBox>("SeiteNummer")->setValue(1);
    EXPECT_EQ(0, v.seite());
}

TEST_F(Preview, ZoomsToTheRealSizeAndToThePageWidth) {
    control<QComboBox>("ZoomAuswahl")->setCurrentIndex(TReportVorschau::Prozent100);
    EXPECT_EQ(TReportVorschau::Prozent100, v.zoom());
    EXPECT_DOUBLE_EQ(v.logicalDpiX() / 25.4, v.pixelProMm());
    QWidget* page = v.findChild<QWidget*>(QStringLiteral("Seitenbild"));
    EXPECT_NEAR(210 * v.pixelProMm(), page->width() - 2 * 12, 1);
    QTest::keyClick(&v, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(TReportVorschau::Prozent150, v.zoom());
    v.setzeZoom(TReportVorschau::GanzeSeite);
    const double fitted = v.pixelProMm();
    QTest::keyClick(&v, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_GT(v.pixelProMm(), fitted) << "Ctrl + from the fitted page makes it larger";
    QTest::keyClick(&v, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_LT(v.pixelProMm(), fitted * 1.01);
    v.setzeZoom(TReportVorschau::Seitenbreite);
    const QSize view = control<QScrollArea>("Seitenflaeche")->viewport()->size();
    EXPECT_LE(page->width(), view.width());
    EXPECT_GT(page->width(), view.width() - 60);
    EXPECT_GT(inkOf(v), 0);
}

TEST_F(Preview, SavesAsPdfAndPrintsTheChosenPages) {
    ui.nextSaveFileName = dir.filePath(QStringLiteral("bericht"));
    control<QPushButton>("AlsPdfSpeichern")->click();
    EXPECT_EQ(3, pdfPages(dir.filePath(QStringLiteral("bericht.pdf"))));
    EXPECT_EQ(QStringList{QStringLiteral("Als PDF speichern")}, ui.saveDialogs);

    ui.nextSaveFileName.clear();
    control<QPushButton>("AlsPdfSpeichern")->click();
    EXPECT_EQ(2, ui.saveDialogs.size());
    EXPECT_EQ(QStringList{QStringLiteral("bericht.pdf")}, QDir(dir.path()).entryList(QDir::Files | QDir::Hidden))
        << "cancelled: nothing written";

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("druck.pdf")));
    v.druckeAuf(printer, 2, 3);
    EXPECT_EQ(2, pdfPages(printer.outputFileName()));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {printer.outputFileName(), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    QStringList pages = QString::fromUtf8(text.readAllStandardOutput()).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    for (QString& p : pages)
        p = p.trimmed();
    EXPECT_EQ((QStringList{QStringLiteral("Seite 2"), QStringLiteral("Seite 3")}), pages) << "the chosen pages, in order";
    EXPECT_TRUE(ui.errors.isEmpty());
}

TEST_F(Preview, AFailedPdfShowsItsMessageAndThePreviewStays) {
    ui.nextSaveFileName = dir.filePath(QStringLiteral("fehlt/bericht.pdf"));
    control<QPushButton>("AlsPdfSpeichern")->click();
    ASSERT_EQ(1, ui.errors.size());
    EXPECT_TRUE(ui.errors[0].startsWith(QStringLiteral("Die PDF-Datei"))) << ui.errors[0].toStdString();
    EXPECT_TRUE(v.isVisible());
}

TEST_F(Preview, EveryTabStopHasACaption) {
    control<QScrollArea>("Seitenflaeche")->setFocus();
    control<QPushButton>("NaechsteSeite")->click();  // every page button enabled
    QStringList seen;
    for (int i = 0; i < 12; ++i) {
        QWidget* f = QApplication::focusWidget();
        ASSERT_NE(nullptr, f);
        if (seen.contains(f->objectName()))
            break;
        seen << f->objectName();
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(f);
        ASSERT_NE(nullptr, a);
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << f->objectName().toStdString() << " has no caption";
        QTest::keyClick(f, Qt::Key_Tab);
    }
    EXPECT_EQ((QStringList{"Seitenflaeche", "ErsteSeite", "VorigeSeite", "SeiteNummer", "NaechsteSeite", "LetzteSeite",
                           "ZoomAuswahl", "Drucken", "AlsPdfSpeichern", "Schliessen"}),
              seen);
}

TEST(Arbeitsanzeige, StandsWhileTheWorkRunsAndPassesOnItsFailure) {
    QProgressDialog* shown = nullptr;
    {
        Arbeitsanzeige anzeige(QStringLiteral("Export Finanzamt"), 3);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("Arbeitsanzeige") && w->isVisible())
                shown = qobject_cast<QProgressDialog*>(w);
        ASSERT_NE(nullptr, shown);
        EXPECT_EQ("Export Finanzamt", shown->windowTitle().toStdString());
        EXPECT_EQ("In Arbeit...", shown->labelText().toStdString());
        EXPECT_EQ(3, shown->maximum());
    }
    bool ran = false;
    Arbeitsanzeige::imHintergrund(QStringLiteral("Als PDF speichern"), [&] { ran = true; });
    EXPECT_TRUE(ran);
    try {
        Arbeitsanzeige::imHintergrund(QStringLiteral("Als PDF speichern"), [] { throw KassolError(QStringLiteral("Platte voll")); });
        ADD_FAILURE() << "the failure of the work is lost";
    } catch (const KassolError& e) {
        EXPECT_EQ("Platte voll", e.message().toStdString());
    }
}
