#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
struct Anwendung;

// The active client's fiscal years, the latest first, with the current one highlighted: a
// double-click makes a year current and closes the dialog; years are created and deleted here.
class TFormZeitraum final : public QDialog {
    Q_OBJECT
public:
    explicit TFormZeitraum(Anwendung& app, QWidget* parent = nullptr);

    // Rebuilds the labels, the list and the highlight; runs before every showing.
    void FormActivate();

    void DBLookupListBox1DblClick();
    void NeuesJahrClick();
    void BitBtn1Click();
    void SchliessenClick() { accept(); }

private:
    void fuelleListe(int markieren);

    Anwendung& m_app;
    QLabel* Label_Mandant = nullptr;
    QLabel* LabelAktuellesJahr = nullptr;
    QListWidget* DBLookupListBox1 = nullptr;
    QPushButton* NeuesJahr = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* Schliessen = nullptr;
};
