#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class Buchungsliste;
class ClickableLabel;
class QLabel;
class QTableView;
class QWidget;
class TAboutBox;
class TExportansicht;
class TExportauswahl;
class TMonatsAuswahl;
class TFormBelegeingabeHilfe;
class TForm_Datensicherung;
class TFormBuchungsKreisAuswahl;
class TFormBuchungskreis;
class TFormZeitraum;
class TMandantenauswahl;
class TStammdaten;
class WebUpdate;
struct Anwendung;

// The main window: the active client and fiscal year, the income and expense lists with their
// totals, and the menu through which everything else is reached. Every close passes through the
// backup dialog; the program ends when that dialog has closed.
class TForm_Kassol final : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int MindestBreite = 714;
    static constexpr int MindestHoehe = 400;
    static constexpr int PanelAbstand = 68;

    explicit TForm_Kassol(Anwendung& app, QWidget* parent = nullptr);
    ~TForm_Kassol() override;

    bool FAnwendungIstInitiiert() const { return m_initiiert; }

    // Totals and header of the active client's current fiscal year.
    void Berechne();
    // Totals, both lists, the master-data reminder.
    void AnzeigeAktualisieren();
    void QueryStarten(int zeitraum, int mandant);

    // The commands of the menu and the keys.
    void Buchen1Click();
    void GridDblClick(bool einnahmen);
    void GridEntfernen(bool einnahmen);
    void Stammdaten1Click();
    // The clients dialog; afterwards a client without a current year is asked for one.
    void Mandanten1Click();
    void Wirtschaftsjahre1Click();
    void Buchungskreise1Click();
    // The booking-circle selection of the evaluations, kept so that its "Datenexport" tick is
    // remembered while the program runs.
    TFormBuchungsKreisAuswahl& buchungskreisAuswahl() { return *m_kreisAuswahl; }
    // The evaluations of the menu "Auswerten" and the tax-office export.
    void USTVerprobung1Click();
    void Journal1Click();
    void BuchungskreisAuswertung1Click();
    void BuchungskreisDetails1Click();
    void Plus_MinusClick();
    void Finanzamt1Click();
    void Iconerstellen1Click();
    void UeberKassolClick();
    void Beenden1Click();

    // The deferred application start-up; runs once, shortly after the window is first shown.
    void InitiiereAnwendung();
    // The update check in the background, the last step of the start-up.
    void CheckWebUpdate();
    WebUpdate& webUpdate();

Q_SIGNALS:
    // The program has ended: the backup dialog has closed (or the first start was cancelled).
    void programmEnde();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void baueOberflaeche();
    void baueMenue();
    void FormCreate();
    void FormResize();
    void planeAktualisierung();
    void fuehreAktualisierungAus();
    void erinnereAnStammdaten();
    void bieteWirtschaftsjahrAn();
    void frageNachWirtschaftsjahr();
    void zeigeDatensicherung();
    void beenden();
    // Runs an evaluation command once the program has started, one at a time, showing its failure.
    void auswertung(const std::function<void()>& befehl);
    // The id of the selected booking of a list, -1 when there is none to act on.
    int gewaehlteBuchung(bool einnahmen) const;
    std::optional<int> neuerBuchungskreis();
    void erstelleDesktopIcon();

    Anwendung& m_app;
    bool m_initiiert = false;
    bool m_gezeigt = false;
    bool m_aktualisierungGeplant = false;
    // What other programs had written when the window was last shown anew; its own changes come
    // through the change notifier.
    qint64 m_gezeigterFremderStand = -1;
    bool m_imBefehl = false;
    bool m_beendet = false;
    bool m_schliesst = false;
    int m_erinnertFuerMandant = -2;
    int m_jahrAngebotenFuerMandant = -2;

    QWidget* m_inhalt = nullptr;
    ClickableLabel* LabelMandant = nullptr;
    ClickableLabel* LabelJahr = nullptr;
    ClickableLabel* Label7 = nullptr;
    QWidget* Panel1 = nullptr;
    QWidget* Panel2 = nullptr;
    QLabel* Label_Einnahmen = nullptr;
    QLabel* Label_Ust = nullptr;
    QLabel* Label_Ausgaben = nullptr;
    QLabel* Label_Vst = nullptr;
    QTableView* Grid_Ein = nullptr;
    QTableView* Grid_Aus = nullptr;
    Buchungsliste* m_ein = nullptr;
    Buchungsliste* m_aus = nullptr;

    std::unique_ptr<TAboutBox> m_about;
    std::unique_ptr<TStammdaten> m_stammdaten;
    std::unique_ptr<TMandantenauswahl> m_mandanten;
    std::unique_ptr<TFormZeitraum> m_zeitraum;
    std::unique_ptr<TFormBuchungskreis> m_buchungskreise;
    std::unique_ptr<TFormBuchungsKreisAuswahl> m_kreisAuswahl;
    std::unique_ptr<TFormBelegeingabeHilfe> m_hilfe;
    std::unique_ptr<TForm_Datensicherung> m_datensicherung;
    std::unique_ptr<WebUpdate> m_webUpdate;
    std::unique_ptr<TMonatsAuswahl> m_monatsAuswahl;
    std::unique_ptr<TExportauswahl> m_exportAuswahl;
    std::unique_ptr<TExportansicht> m_exportansicht;
};
