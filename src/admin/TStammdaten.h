#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
struct Anwendung;

// The active client's master data: the name printed on every report, address, tax number, and
// whether the German rates are offered. OK stores what is typed; Cancel, Escape and the close box
// discard it.
class TStammdaten final : public QDialog {
    Q_OBJECT
public:
    explicit TStammdaten(Anwendung& app, QWidget* parent = nullptr);

    // Reads the active client's row into the fields.
    void FormActivate();
    // Stores the fields as the active client's row.
    void speichern();

private:
    Anwendung& m_app;
    QLabel* LabelMandant = nullptr;
    QLineEdit* DBEdit1 = nullptr;
    QLineEdit* DBEdit2 = nullptr;
    QLineEdit* DBEdit3 = nullptr;
    QLineEdit* DBEdit4 = nullptr;
    QLineEdit* DBEdit5 = nullptr;
    QLineEdit* DBEdit6 = nullptr;
    QCheckBox* DBCheckBox1 = nullptr;
};
