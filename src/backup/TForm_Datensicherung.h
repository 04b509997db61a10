#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
struct Anwendung;

// The way out of every program run: back the data up into a folder of the user's choice, as a zip
// archive or a plain copy, or leave without. However it is closed, the program ends afterwards.
class TForm_Datensicherung final : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Datensicherung(Anwendung& app, QWidget* parent = nullptr);

    bool SicherungFertig() const { return m_sicherungFertig; }
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormActivate();
    void BitBtn1Click();
    void BitBtn3Click();
    void CheckBox1Click(bool checked);

    Anwendung& m_app;
    bool m_sicherungFertig = false;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
};
