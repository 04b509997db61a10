#pragma once

#include "booking/Bookings.h"

#include <QDialog>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TFormBelegeingabeHilfe;
struct Anwendung;

// The voucher entry dialog: one booking, new or changed. It sets itself up once per opening from
// the booking or from the client's remembered entries, enforces the rules between the flag boxes,
// and on OK checks the input and hands it to the saving step while it is still open, so that a
// refused or failed booking keeps everything the user typed.
class TFormBelegeingabe final : public QDialog {
    Q_OBJECT
public:
    // Writes the booking; false when the user decided against it (the dialog then closes as
    // cancelled). A KassolError keeps the dialog open and shows its message.
    using Speichern = std::function<bool(const Buchungsdaten&)>;

    // A new booking when buchungsId is empty, otherwise the change of that booking.
    TFormBelegeingabe(Anwendung& app, std::optional<int> buchungsId, TFormBelegeingabeHilfe* hilfe,
                      QWidget* parent = nullptr);

    void setSpeichern(Speichern speichern) { m_speichern = std::move(speichern); }
    // Creates a booking circle on "Neu"; its id, or nothing when none was created.
    void setNeuerKreis(std::function<std::optional<int>()> neuerKreis) { m_neuerKreis = std::move(neuerKreis); }
    bool Weiterbuchen() const { return m_weiterbuchen; }
    bool istNeu() const { return !m_buchungsId.has_value(); }
    // The rates offered for a year, German ones included when asked.
    static QStringList steuersaetze(int jahr, bool steuerDE);
    // The section of the client's remembered entries in Kassol.ini.
    static QString iniAbschnitt(int mandant);

protected:
    bool event(QEvent* event) override;

private:
    void baueOberflaeche();
    void initialisiere(const std::optional<Buchungsdaten>& buchung);
    void ladeBuchungskreise(std::optional<int> auswahl);
    std::optional<int> gewaehlterKreis() const;
    void setzeKennzeichen(const Buchungsdaten& d);

    void DBCheckBoxEinClick(bool checked);
    void DBCheckBoxAusClick(bool checked);
    void DBCheckBoxEUClick(bool checked);
    void DBCheckBoxDrittClick(bool checked);
    void DBCheckBoxKFZClick(bool checked);
    void DBCheckBoxGebaeudeClick(bool checked);
    void UpDown1Click(int tage);
    void SchalterOKClick();
    void SchalterOK_WEITERClick();
    void BitBtn1Click();
    void BitBtn2Click();
    void schliesseMitOk();
    bool pruefeEingabe(Buchungsdaten& daten);
    void merkeEingaben();

    Anwendung& m_app;
    std::optional<int> m_buchungsId;
    TFormBelegeingabeHilfe* m_hilfe;
    Speichern m_speichern;
    std::function<std::optional<int>()> m_neuerKreis;
    bool m_weiterbuchen = false;
    bool m_eingerichtet = false;
    int m_mandant = -1;
    QString m_vorgeschlageneNummer;

    QLabel* LabelMandant = nullptr;
    QLabel* LabelJahr = nullptr;
    QCheckBox* DBCheckBoxEin = nullptr;
    QCheckBox* DBCheckBoxAus = nullptr;
    QDateEdit* DatumPicker = nullptr;
    QToolButton* UpDownAuf = nullptr;
    QToolButton* UpDownAb = nullptr;
    QLineEdit* DBEditBelegnummer = nullptr;
    QComboBox* DBComboText = nullptr;
    QLineEdit* DBEdit_Betrag = nullptr;
    QLabel* LabelBruttoNetto = nullptr;
    QComboBox* DBCombo_Steuersatz = nullptr;
    QComboBox* DBLookupComboBox1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QCheckBox* DBCheckBoxEU = nullptr;
    QCheckBox* DBCheckBoxDritt = nullptr;
    QCheckBox* DBCheckBoxKFZ = nullptr;
    QCheckBox* DBCheckBoxGebaeude = nullptr;
    QPushButton* SchalterOK_WEITER = nullptr;
    QPushButton* SchalterOK = nullptr;
    QPushButton* SchalterCancel = nullptr;
    QPushButton* BitBtn2 = nullptr;
};
