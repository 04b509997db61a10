#pragma once

#include "reports/engine/PreparedReport.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QScrollArea;
class QSpinBox;
class WidgetInteraction;

namespace ReportVorschau {
class Seitenbild;
}

// The modal preview of a prepared report: one page at a time, fitted to the window at first, to
// page through, zoom, print through the system's printer dialog and save as PDF. Page, printer and
// PDF are painted by the same page painter, so all three show the same thing.
class TReportVorschau final : public QDialog {
    Q_OBJECT
public:
    // The zoom choices, in the order of the list "Zoom".
    enum Zoom { GanzeSeite, Seitenbreite, Prozent50, Prozent75, Prozent100, Prozent150, Prozent200 };

    TReportVorschau(const ReportEngine::PreparedReport& report, WidgetInteraction& ui, QWidget* parent = nullptr);
    ~TReportVorschau() override;

    int seitenzahl() const { return static_cast<int>(m_report.pages.size()); }
    // The page shown, counted from 0.
    int seite() const { return m_seite; }
    void zeigeSeite(int index);
    void setzeZoom(Zoom zoom);
    Zoom zoom() const { return m_zoom; }
    // Millimetres to screen pixels at the current zoom.
    double pixelProMm() const;
    // Ctrl + and Ctrl -: the next larger or smaller percentage; below the smallest the whole page.
    void zoomSchritt(int richtung);

    // The printer dialog, then the chosen pages on the chosen printer.
    void drucken();
    // Prints the pages von to bis (counted from 1) on a printer that has been set up; raises
    // KassolError when the printer refuses.
    void druckeAuf(QPrinter& printer, int von, int bis);
    // Asks for a file name and writes the report as PDF.
    void alsPdfSpeichern();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    double pixelProMm(Zoom zoom) const;
    void aktualisiere();

    const ReportEngine::PreparedReport& m_report;
    WidgetInteraction& m_ui;
    int m_seite = 0;
    Zoom m_zoom = GanzeSeite;

    QScrollArea* m_flaeche = nullptr;
    ReportVorschau::Seitenbild* m_bild = nullptr;
    QPushButton* ErsteSeite = nullptr;
    QPushButton* VorigeSeite = nullptr;
    QPushButton* NaechsteSeite = nullptr;
    QPushButton* LetzteSeite = nullptr;
    QSpinBox* SeiteNummer = nullptr;
    QLabel* SeitenAnzahl = nullptr;
    QComboBox* ZoomAuswahl = nullptr;
};
