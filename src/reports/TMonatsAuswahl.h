#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// The period dialog of the VAT reconciliation and the journal: one month, one quarter or the whole
// year of the current fiscal year, as a choice code from 1 to 17 (Zeitraumwahl). The result is 1
// for OK and 2 for "Abbrechen", Escape or the close box.
class TMonatsAuswahl : public QDialog {
    Q_OBJECT
public:
    static constexpr int Abgebrochen = 2;

    explicit TMonatsAuswahl(QWidget* parent = nullptr);

    // Each showing starts on "Ganzes Jahr"; the "Datenexport" tick stays as the user left it.
    virtual void FormActivate();
    // The caller decides before each showing whether "Datenexport" is offered.
    void zeigeDatenexport(bool zeigen);
    bool datenexport() const;
    // The choice code, read from the hidden field as the dialog keeps it.
    int auswahl() const;

    void reject() override;

protected:
    TMonatsAuswahl(QWidget* parent, const QString& name, const QString& titel, const QString& rahmentitel, const QString& hinweis);
    void waehle(int code);

    std::array<QRadioButton*, 18> RadioButton{};  // by code, [0] unused
    QLabel* Label1 = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QLineEdit* Edit_rueckgabe = nullptr;
    QCheckBox* CheckBox_export = nullptr;
};

// The closing month of the tax-office export: only the twelve months, always opening on December.
class TExportauswahl final : public TMonatsAuswahl {
    Q_OBJECT
public:
    explicit TExportauswahl(QWidget* parent = nullptr);
    void FormActivate() override;
};
