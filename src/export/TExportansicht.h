#pragma once

#include "export/TaxOfficeExport.h"

#include <QDialog>
#include <vector>

class QComboBox;
class QRadioButton;
class QTableView;
class ExportModell;
struct Anwendung;

// The help window of the export.
class TExportHilfe final : public QDialog {
    Q_OBJECT
public:
    explicit TExportHilfe(QWidget* parent = nullptr);
};

// Where "Exportieren" writes: into a file of the user's choice, or into a temporary file that the
// program associated with text files opens.
enum class ExportZiel { Ansicht, Datei };

// The choice of format and target ("Export Finanzamt"). Choosing a target is remembered at once,
// also when the dialog is then cancelled.
class TExportDialog final : public QDialog {
    Q_OBJECT
public:
    explicit TExportDialog(ExportZiel& ziel, QWidget* parent = nullptr);
    // Checks the remembered target.
    void FormActivate();

private:
    ExportZiel& m_ziel;
    QComboBox* ComboBoxFormat = nullptr;
    QRadioButton* RadioButtonAnsicht = nullptr;
    QRadioButton* RadioButtonDatei = nullptr;
};

// The bookings that the tax office receives, in a read-only table, and the command that writes
// them as the export file. Target and file name are remembered while the program runs.
class TExportansicht final : public QDialog {
    Q_OBJECT
public:
    explicit TExportansicht(Anwendung& app, QWidget* parent = nullptr);
    ~TExportansicht() override;

    // The rows to show and to export.
    void zeige(std::vector<ExportZeile> zeilen);
    // Sets the column widths, as at each showing.
    void FormActivate();

    // "Exportieren": target, file name, then the file.
    void BitBtn2Click();
    // "Hilfe zu dieser Funktion".
    void BitBtn3Click();

    ExportZiel ziel() const { return m_ziel; }
    const QString& dateiname() const { return m_dateiname; }
    void reject() override;

private:
    // The file to write for the target "Export in Datei", or empty when the user cancelled;
    // gewaehlt receives the name to remember once the file is written.
    QString dateiFuerExport(QString& gewaehlt);
    // Writes the file; false when it failed (its message has been shown).
    bool schreibe(const QString& pfad, int& ersetzt);

    Anwendung& m_app;
    ExportZiel m_ziel = ExportZiel::Datei;
    QString m_dateiname;
    ExportModell* m_modell = nullptr;
    QTableView* DBGrid_Finanzamt = nullptr;
    TExportDialog* m_exportDialog = nullptr;
    TExportHilfe* m_hilfe = nullptr;
};
