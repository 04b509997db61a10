#include "ui/reports/TReportVorschau.h"

#include "app/KassolError.h"
#include "reports/engine/PdfRenderer.h"
#include "ui/Arbeitsanzeige.h"
#include "ui/ErrorDisplay.h"
#include "ui/WidgetInteraction.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>
#include <cmath>

namespace ReportVorschau {

// One page as the paper shows it: white on grey with a thin shadow. The page is painted into an
// image whose resolution matches the zoom, so that the fonts are sized in points of the paper,
// as on the printer and in the PDF.
class Seitenbild final : public QWidget {
public:
    static constexpr int Rand = 12;

    explicit Seitenbild(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("Seitenbild"));
        setAccessibleName(QStringLiteral("Seite"));
    }

    void zeige(const ReportEngine::PreparedReport& report, int seite, double pixelProMm) {
        const double dpr = devicePixelRatioF();
        const QSize groesse(static_cast<int>(std::lround(report.pageWidth * pixelProMm)),
                            static_cast<int>(std::lround(report.pageHeight * pixelProMm)));
        m_bild = QImage(groesse * dpr, QImage::Format_ARGB32_Premultiplied);
        const double punkteProMm = pixelProMm * dpr;
        m_bild.setDotsPerMeterX(static_cast<int>(std::lround(punkteProMm * 1000)));
        m_bild.setDotsPerMeterY(static_cast<int>(std::lround(punkteProMm * 1000)));
        m_bild.fill(Qt::white);
        if (seite >= 0 && seite < static_cast<int>(report.pages.size())) {
            QPainter p(&m_bild);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::TextAntialiasing);
            ReportEngine::paintPage(p, report.pages[static_cast<std::size_t>(seite)], punkteProMm);
        }
        m_bild.setDevicePixelRatio(dpr);
        setFixedSize(groesse + QSize(2 * Rand, 2 * Rand));
        update();
    }

    const QImage& bild() const { return m_bild; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QSize groesse = m_bild.size() / m_bild.devicePixelRatio();
        p.fillRect(QRect(QPoint(Rand + 3, Rand + 3), groesse), QColor(0, 0, 0, 60));
        p.drawImage(QPoint(Rand, Rand), m_bild);
        p.setPen(QColor(160, 160, 160));
        p.drawRect(QRect(QPoint(Rand, Rand), groesse).adjusted(0, 0, -1, -1));
    }

private:
    QImage m_bild;
};

} // namespace ReportVorschau

using ReportVorschau::Seitenbild;

namespace {

QPushButton* knopf(const QString& name, const QString& text, const QString& hinweis, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setToolTip(hinweis);
    b->setAutoDefault(false);
    QString klar = text;
    b->setAccessibleName(hinweis.isEmpty() ? klar.remove(QLatin1Char('&')) : hinweis);
    return b;
}

} // namespace

TReportVorschau::TReportVorschau(const ReportEngine::PreparedReport& report, WidgetInteraction& ui, QWidget* parent)
    : QDialog(parent), m_report(report), m_ui(ui) {
    setObjectName(QStringLiteral("TReportVorschau"));
    setWindowTitle(report.title.isEmpty() ? QStringLiteral("Vorschau") : QStringLiteral("Vorschau - ") + report.title);
    setModal(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setWindowFlag(Qt::WindowMinimizeButtonHint);

    auto* leiste = new QWidget(this);
    leiste->setObjectName(QStringLiteral("Werkzeugleiste"));
    auto* l = new QHBoxLayout(leiste);
    l->setContentsMargins(6, 4, 6, 4);
    ErsteSeite = knopf(QStringLiteral("ErsteSeite"), QStringLiteral("|<"), QStringLiteral("Erste Seite"), leiste);
    VorigeSeite = knopf(QStringLiteral("VorigeSeite"), QStringLiteral("<"), QStringLiteral("Vorige Seite"), leiste);
    auto* seiteText = new QLabel(QStringLiteral("S&eite"), leiste);
    SeiteNummer = new QSpinBox(leiste);
    SeiteNummer->setObjectName(QStringLiteral("SeiteNummer"));
    SeiteNummer->setAccessibleName(QStringLiteral("Seite"));
    SeiteNummer->setRange(1, std::max(1, seitenzahl()));
    seiteText->setBuddy(SeiteNummer);
    SeitenAnzahl = new QLabel(QStringLiteral("von %1").arg(seitenzahl()), leiste);
    SeitenAnzahl->setObjectName(QStringLiteral("SeitenAnzahl"));
    NaechsteSeite = knopf(QStringLiteral("NaechsteSeite"), QStringLiteral(">"), QStringLiteral("Nächste Seite"), leiste);
    LetzteSeite = knopf(QStringLiteral("LetzteSeite"), QStringLiteral(">|"), QStringLiteral("Letzte Seite"), leiste);
    auto* zoomText = new QLabel(QStringLiteral("&Zoom"), leiste);
    ZoomAuswahl = new QComboBox(leiste);
    ZoomAuswahl->setObjectName(QStringLiteral("ZoomAuswahl"));
    ZoomAuswahl->setAccessibleName(QStringLiteral("Zoom"));
    ZoomAuswahl->addItems({QStringLiteral("Ganze Seite"), QStringLiteral("Seitenbreite"), QStringLiteral("50 %"),
                           QStringLiteral("75 %"), QStringLiteral("100 %"), QStringLiteral("150 %"), QStringLiteral("200 %")});
    zoomText->setBuddy(ZoomAuswahl);
    auto* druckKnopf = knopf(QStringLiteral("Drucken"), QStringLiteral("&Drucken..."), {}, leiste);
    auto* pdf = knopf(QStringLiteral("AlsPdfSpeichern"), QStringLiteral("Als &PDF speichern..."), {}, leiste);
    auto* schliessen = knopf(QStringLiteral("Schliessen"), QStringLiteral("&Schließen"), {}, leiste);
    for (QWidget* w : std::initializer_list<QWidget*>{ErsteSeite, VorigeSeite, seiteText, SeiteNummer, SeitenAnzahl,
                                                      NaechsteSeite, LetzteSeite})
        l->addWidget(w);
    l->addSpacing(16);
    l->addWidget(zoomText);
    l->addWidget(ZoomAuswahl);
    l->addStretch(1);
    l->addWidget(druckKnopf);
    l->addWidget(pdf);
    l->addWidget(schliessen);

    m_flaeche = new QScrollArea(this);
    m_flaeche->setObjectName(QStringLiteral("Seitenflaeche"));
    m_flaeche->setAlignment(Qt::AlignCenter);
    m_flaeche->setBackgroundRole(QPalette::Dark);
    m_flaeche->setFocusPolicy(Qt::StrongFocus);
    m_flaeche->setAccessibleName(QStringLiteral("Seitenansicht"));
    m_bild = new Seitenbild(m_flaeche);
    m_flaeche->setWidget(m_bild);
    m_flaeche->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(leiste);
    layout->addWidget(m_flaeche, 1);

    connect(ErsteSeite, &QPushButton::clicked, this, [this] { zeigeSeite(0); });
    connect(VorigeSeite, &QPushButton::clicked, this, [this] { zeigeSeite(m_seite - 1); });
    connect(NaechsteSeite, &QPushButton::clicked, this, [this] { zeigeSeite(m_seite + 1); });
    connect(LetzteSeite, &QPushButton::clicked, this, [this] { zeigeSeite(seitenzahl() - 1); });
    connect(SeiteNummer, &QSpinBox::valueChanged, this, [this](int n) { zeigeSeite(n - 1); });
    connect(ZoomAuswahl, &QComboBox::currentIndexChanged, this, [this](int i) { setzeZoom(static_cast<Zoom>(i)); });
    connect(druckKnopf, &QPushButton::clicked, this, &TReportVorschau::drucken);
    connect(pdf, &QPushButton::clicked, this, &TReportVorschau::alsPdfSpeichern);
    connect(schliessen, &QPushButton::clicked, this, &TReportVorschau::reject);

    const auto taste = [this](const QKeySequence& k, auto aktion) {
        connect(new QShortcut(k, this), &QShortcut::activated, this, aktion);
    };
    taste(QKeySequence(Qt::Key_PageDown), [this] { zeigeSeite(m_seite + 1); });
    taste(QKeySequence(Qt::Key_PageUp), [this] { zeigeSeite(m_seite - 1); });
    taste(QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { zeigeSeite(0); });
    taste(QKeySequence(Qt::CTRL | Qt::Key_End), [this] { zeigeSeite(seitenzahl() - 1); });
    taste(QKeySequence::ZoomIn, [this] { zoomSchritt(+1); });
    taste(QKeySequence::ZoomOut, [this] { zoomSchritt(-1); });
    taste(QKeySequence::Print, [this] { drucken(); });

    setTabOrder(m_flaeche, ErsteSeite);
    resize(900, 700);
    aktualisiere();
    m_flaeche->setFocus();
}

TReportVorschau::~TReportVorschau() = default;

void TReportVorschau::zeigeSeite(int index) {
    index = std::clamp(index, 0, std::max(0, seitenzahl() - 1));
    if (index == m_seite)
        return;
    m_seite = index;
    aktualisiere();
    m_flaeche->verticalScrollBar()->setValue(0);
}

void TReportVorschau::setzeZoom(Zoom zoom) {
    m_zoom = zoom;
    aktualisiere();
}

void TReportVorschau::zoomSchritt(int richtung) {
    // From a fitted page the next step is the percentage just above or below its size.
    const double jetzt = pixelProMm();
    Zoom ziel = richtung > 0 ? m_zoom : GanzeSeite;
    for (int z = Prozent50; z <= Prozent200; ++z) {
        const Zoom stufe = static_cast<Zoom>(z);
        const double px = pixelProMm(stufe);
        if (richtung > 0 && px > jetzt * 1.01) {
            ziel = stufe;
            break;
        }
        if (richtung < 0 && px < jetzt * 0.99)
            ziel = stufe;
    }
    setzeZoom(ziel);
}

double TReportVorschau::pixelProMm() const {
    return pixelProMm(m_zoom);
}

double TReportVorschau::pixelProMm(Zoom zoom) const {
    const double echteGroesse = logicalDpiX() / 25.4;
    // Measured without the scroll bars, so that a bar that comes or goes does not change the fit.
    const QSize platz = m_flaeche->contentsRect().size() - QSize(2 * Seitenbild::Rand, 2 * Seitenbild::Rand);
    switch (zoom) {
    case GanzeSeite:
        return std::max(0.5, std::min(platz.width() / m_report.pageWidth, platz.height() / m_report.pageHeight));
    case Seitenbreite:
        return std::max(0.5, (platz.width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_flaeche)) / m_report.pageWidth);
    case Prozent50: return echteGroesse * 0.5;
    case Prozent75: return echteGroesse * 0.75;
    case Prozent100: return echteGroesse;
    case Prozent150: return echteGroesse * 1.5;
    case Prozent200: return echteGroesse * 2;
    }
    return echteGroesse;
}

void TReportVorschau::aktualisiere() {
    const QSignalBlocker a(SeiteNummer);
    const QSignalBlocker b(ZoomAuswahl);
    SeiteNummer->setValue(m_seite + 1);
    ZoomAuswahl->setCurrentIndex(m_zoom);
    ErsteSeite->setEnabled(m_seite > 0);
    VorigeSeite->setEnabled(m_seite > 0);
    NaechsteSeite->setEnabled(m_seite + 1 < seitenzahl());
    LetzteSeite->setEnabled(m_seite + 1 < seitenzahl());
    m_bild->zeige(m_report, m_seite, pixelProMm());
}

bool TReportVorschau::eventFilter(QObject* watched, QEvent* event) {
    // The page area gets its final size only once the window is laid out, maximised or resized.
    if (watched == m_flaeche && event->type() == QEvent::Resize && (m_zoom == GanzeSeite || m_zoom == Seitenbreite))
        aktualisiere();
    return QDialog::eventFilter(watched, event);
}

void TReportVorschau::drucken() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setDocName(m_report.title.isEmpty() ? QStringLiteral("Kassol") : m_report.title);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Drucken"));
    dialog.setMinMax(1, std::max(1, seitenzahl()));
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage);
    if (dialog.exec() != QDialog::Accepted)
        return;
    int von = 1;
    int bis = seitenzahl();
    if (printer.printRange() == QPrinter::PageRange) {
        von = printer.fromPage();
        bis = printer.toPage();
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        von = bis = m_seite + 1;
    }
    mitFehleranzeige(m_ui, [&] { druckeAuf(printer, von, bis); });
}

void TReportVorschau::druckeAuf(QPrinter& printer, int von, int bis) {
    von = std::max(1, von);
    bis = std::min(seitenzahl(), bis);
    if (von > bis)
        return;
    // The pages are laid out in millimetres from the paper's corner, as in the PDF.
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        throw KassolError(QStringLiteral("Der Druck ließ sich nicht beginnen. Prüfen Sie bitte, ob der Drucker bereit ist, "
                                         "und versuchen Sie es erneut."));
    Arbeitsanzeige anzeige(QStringLiteral("Drucken"), bis - von + 1, this);
    ReportEngine::PagePainter seiten(painter, printer.resolution() / 25.4);
    for (int i = von; i <= bis; ++i) {
        if (i > von && !printer.newPage()) {
            painter.end();
            throw KassolError(QStringLiteral("Der Drucker hat die Seite %1 nicht angenommen; der Druck wurde abgebrochen.").arg(i));
        }
        seiten.paint(m_report.pages[static_cast<std::size_t>(i - 1)]);
        anzeige.schritt(i - von + 1);
    }
    if (!painter.end())
        throw KassolError(QStringLiteral("Der Druck konnte nicht abgeschlossen werden. Prüfen Sie bitte den Drucker."));
}

void TReportVorschau::alsPdfSpeichern() {
    const QString vorschlag = (m_report.title.isEmpty() ? QStringLiteral("Bericht") : m_report.title) + QStringLiteral(".pdf");
    QString pfad = m_ui.saveFileName(QStringLiteral("Als PDF speichern"), vorschlag, QStringLiteral("PDF-Dateien (*.pdf)"));
    if (pfad.isEmpty())
        return;
    if (QFileInfo(pfad).suffix().isEmpty())
        pfad += QStringLiteral(".pdf");
    pfad = QFileInfo(pfad).absoluteFilePath();
    // The pages are prepared already; writing a year's journal takes a few seconds.
    mitFehleranzeige(m_ui, [&] {
        Arbeitsanzeige::imHintergrund(QStringLiteral("Als PDF speichern"), [&] { ReportEngine::writePdf(m_report, pfad); }, this);
    });
}
