// The main window's evaluations (menu "Auswerten") and the tax-office export (menu "Export").
#include "ui/TForm_Kassol.h"

#include "admin/TFormBuchungsKreisAuswahl.h"
#include "app/KassolError.h"
#include "export/TExportansicht.h"
#include "export/TaxOfficeExport.h"
#include "reports/CircleDetails.h"
#include "reports/CircleEvaluation.h"
#include "reports/CsvExport.h"
#include "reports/Journal.h"
#include "reports/PlusMinus.h"
#include "reports/ReportContext.h"
#include "reports/TMonatsAuswahl.h"
#include "reports/VatReconciliation.h"
#include "store/DM_KS.h"
#include "ui/Anwendung.h"
#include "ui/Arbeitsanzeige.h"
#include "ui/ErrorDisplay.h"
#include "ui/WidgetInteraction.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Restores a dialog's "Datenexport" tick to hidden however the command ends.
template <class Dialog>
struct DatenexportVerbergen {
    Dialog& dialog;
    ~DatenexportVerbergen() { dialog.zeigeDatenexport(false); }
};

// Runs work that may take a while (a journal of a whole year) with "In Arbeit..." standing.
template <class Erstellen>
auto inArbeit(QWidget* fenster, const QString& titel, Erstellen&& erstellen) {
    Arbeitsanzeige anzeige(titel, 0, fenster);
    return erstellen();
}

// The rows of a "Datenexport" as a CSV file under a name the user chooses.
void datenexportSpeichern(WidgetInteraction& ui, const ReportEngine::ReportData& daten, const QStringList& betragsSpalten,
                          const QStringList& datumsSpalten, const QString& vorschlag) {
    QString pfad = ui.saveFileName(QStringLiteral("Datenexport speichern"), vorschlag, QStringLiteral("CSV-Dateien (*.csv)"));
    if (pfad.isEmpty())
        return;
    if (QFileInfo(pfad).suffix().isEmpty())
        pfad += QStringLiteral(".csv");
    pfad = QFileInfo(pfad).absoluteFilePath();
    CsvExport::schreibe(daten, betragsSpalten, datumsSpalten, pfad);
    ui.information(QStringLiteral("Die Daten wurden in \u201E%1\u201C gespeichert.").arg(QDir::toNativeSeparators(pfad)));
}

} // namespace

void TForm_Kassol::auswertung(const std::function<void()>& befehl) {
    if (!m_initiiert || m_imBefehl)
        return;
    m_imBefehl = true;
    mitFehleranzeige(m_app.ui, befehl);
    m_imBefehl = false;
}

void TForm_Kassol::USTVerprobung1Click() {
    auswertung([this] {
        m_monatsAuswahl->zeigeDatenexport(false);
        m_monatsAuswahl->FormActivate();
        if (m_app.ui.execDialog(*m_monatsAuswahl) != QDialog::Accepted)
            return;
        const T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(m_app.dm, m_monatsAuswahl->auswahl());
        const auto report = inArbeit(this, QStringLiteral("UST-Verprobung"), [&] { return TRep_Verprobung::erstelle(m_app.dm, d); });
        if (!report) {
            m_app.ui.information(TRep_Verprobung::keineEinnahmen());
            return;
        }
        m_app.ui.vorschau(*report);
    });
}

void TForm_Kassol::Journal1Click() {
    auswertung([this] {
        const DatenexportVerbergen<TMonatsAuswahl> verbergen{*m_monatsAuswahl};
        m_monatsAuswahl->zeigeDatenexport(true);
        m_monatsAuswahl->FormActivate();
        if (m_app.ui.execDialog(*m_monatsAuswahl) != QDialog::Accepted)
            return;
        const T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(m_app.dm, m_monatsAuswahl->auswahl());
        if (m_monatsAuswahl->datenexport()) {
            const auto daten = inArbeit(this, QStringLiteral("Journal"), [&] { return TRep_Journal::exportDaten(m_app.dm, d); });
            datenexportSpeichern(m_app.ui, daten, {QStringLiteral("Betrag"), QStringLiteral("VST"), QStringLiteral("UST")},
                                 {QStringLiteral("Datum")}, QStringLiteral("Journal.csv"));
            return;
        }
        const auto report = inArbeit(this, QStringLiteral("Journal"), [&] { return TRep_Journal::erstelle(m_app.dm, d); });
        m_app.ui.vorschau(report);
    });
}

void TForm_Kassol::BuchungskreisAuswertung1Click() {
    auswertung([this] {
        m_kreisAuswahl->FormActivate(false);
        const int r = m_app.ui.execDialog(*m_kreisAuswahl);
        if (r < TFormBuchungsKreisAuswahl::Alle)
            return;
        T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(m_app.dm);
        d.BK = r - TFormBuchungsKreisAuswahl::Alle;
        const auto report = inArbeit(this, QStringLiteral("Buchungskreis-Auswertung"), [&] { return TRep_EinAus::erstelle(m_app.dm, d); });
        m_app.ui.vorschau(report);
    });
}

void TForm_Kassol::BuchungskreisDetails1Click() {
    auswertung([this] {
        m_kreisAuswahl->FormActivate(true);
        const int r = m_app.ui.execDialog(*m_kreisAuswahl);
        if (r < TFormBuchungsKreisAuswahl::Alle)
            return;
        T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(m_app.dm);
        d.BK = r - TFormBuchungsKreisAuswahl::Alle;
        if (m_kreisAuswahl->datenexport()) {
            const auto daten = inArbeit(this, QStringLiteral("Buchungskreis Details"), [&] { return TRep_EinAusDetail::exportDaten(m_app.dm, d); });
            datenexportSpeichern(m_app.ui, daten, {QStringLiteral("Netto"), QStringLiteral("Brutto")}, {QStringLiteral("Buchungsdatum")},
                                 QStringLiteral("Buchungskreis Details.csv"));
            return;
        }
        const auto report = inArbeit(this, QStringLiteral("Buchungskreis Details"), [&] { return TRep_EinAusDetail::erstelle(m_app.dm, d); });
        m_app.ui.vorschau(report);
    });
}

void TForm_Kassol::Plus_MinusClick() {
    auswertung([this] {
        const T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(m_app.dm);
        const auto report = inArbeit(this, QStringLiteral("Plus - Minus"), [&] { return TRep_PlusMinus::erstelle(m_app.dm, d); });
        m_app.ui.vorschau(report);
    });
}

void TForm_Kassol::Finanzamt1Click() {
    auswertung([this] {
        m_exportAuswahl->zeigeDatenexport(false);
        m_exportAuswahl->FormActivate();
        if (m_app.ui.execDialog(*m_exportAuswahl) != QDialog::Accepted)
            return;
        const int monat = m_exportAuswahl->auswahl();
        m_app.dm.benoetigeAktivenMandanten();
        if (m_app.dm.gibZeitraum() == -1)
            throw KassolError(QStringLiteral("Der aktive Mandant hat kein aktuelles Wirtschaftsjahr."));
        auto zeilen = inArbeit(this, QStringLiteral("Export Finanzamt"), [&] { return FinanzamtExport::lese(m_app.dm, monat); });
        m_exportansicht->zeige(std::move(zeilen));
        m_exportansicht->FormActivate();
        m_app.ui.execDialog(*m_exportansicht);
        // The rows belong to this showing only.
        m_exportansicht->zeige({});
    });
}
