#pragma once

#include <QDialog>

class QCheckBox;
class QListWidget;
struct Anwendung;

// Picks one circle of the active client, or all of them. The result is 1000 plus the circle's id
// after a double-click, 1000 for "Alle Buchungskreise" and 2 when cancelled.
class TFormBuchungsKreisAuswahl final : public QDialog {
    Q_OBJECT
public:
    static constexpr int Alle = 1000;
    static constexpr int Abgebrochen = 2;

    explicit TFormBuchungsKreisAuswahl(Anwendung& app, QWidget* parent = nullptr);

    // Fills the list; the caller decides whether the "Datenexport" tick is offered. The tick keeps
    // its state from one showing to the next.
    void FormActivate(bool exportZeigen);
    bool datenexport() const;

    void DBLookupListBox1DblClick();
    void reject() override;

private:
    Anwendung& m_app;
    QListWidget* DBLookupListBox1 = nullptr;
    QCheckBox* CheckBox_export = nullptr;
};
