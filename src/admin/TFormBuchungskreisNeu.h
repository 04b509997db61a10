#pragma once

#include <QDialog>

class QLineEdit;

// One circle's name and short name, for a new or a changed circle. OK gives 1, "Abbrechen" 3
// (abort) and the close box 2; only OK stores anything.
class TFormBuchungskreisNeu final : public QDialog {
    Q_OBJECT
public:
    static constexpr int Abbruch = 3;

    explicit TFormBuchungskreisNeu(QWidget* parent = nullptr);

    // Sets caption and fields before showing: "Neuer Buchungskreis" for a new circle.
    void FormActivate(bool neu, const QString& name, const QString& kurz);
    QString name() const;
    QString kurz() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* DBEdit1 = nullptr;
    QLineEdit* DBEdit2 = nullptr;
};
