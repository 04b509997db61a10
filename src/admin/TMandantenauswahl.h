#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
struct Anwendung;

// The clients: the list with the active one highlighted, a double-click makes the highlighted
// client active, and clients are created, renamed and deleted here. What the choice means for
// the main window happens after the dialog has closed.
class TMandantenauswahl final : public QDialog {
    Q_OBJECT
public:
    explicit TMandantenauswahl(Anwendung& app, QWidget* parent = nullptr);

    // Fills the list and the active client's name; runs before every showing.
    void FormActivate();

    void DBLookupListBox1DblClick();
    void Mandant_NeuClick();
    void Mandant_BearbeitenClick();
    void BitBtn1Click();
    void SchliessenClick() { accept(); }

private:
    void fuelleListe(int markieren);

    Anwendung& m_app;
    QLabel* Label_Mandant = nullptr;
    QListWidget* DBLookupListBox1 = nullptr;
    QPushButton* Mandant_Bearbeiten = nullptr;
    QPushButton* Mandant_Neu = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* Schliessen = nullptr;
};
