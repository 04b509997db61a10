#pragma once

#include <QDialog>
#include <memory>
#include <optional>

class QTableWidget;
class TFormBuchungskreisNeu;
struct Anwendung;

// The active client's booking circles: created, changed and deleted here.
class TFormBuchungskreis final : public QDialog {
    Q_OBJECT
public:
    explicit TFormBuchungskreis(Anwendung& app, QWidget* parent = nullptr);
    ~TFormBuchungskreis() override;

    // Fills the grid; runs before every showing.
    void FormActivate();
    // The circle created last since the dialog was shown, for the voucher entry to select.
    std::optional<int> neuerKreis() const { return m_neuerKreis; }

    void SchalterNeuClick();
    void SchalterAendernClick();
    void SchalterLoeschenClick();

private:
    void fuelleListe(std::optional<int> markieren);
    std::optional<int> markierterKreis() const;

    Anwendung& m_app;
    std::optional<int> m_neuerKreis;
    QTableWidget* DBGrid1 = nullptr;
    std::unique_ptr<TFormBuchungskreisNeu> m_bearbeiten;
};
