// The main window's booking commands: new bookings (with the "weiterbuchen" loop), changes by
// double-click and deletions with Del.
#include "ui/TForm_Kassol.h"

#include "admin/TFormBuchungskreis.h"
#include "app/IniFile.h"
#include "app/THelperData.h"
#include "booking/BookingList.h"
#include "booking/Bookings.h"
#include "booking/TFormBelegeingabe.h"
#include "booking/TFormBelegeingabeHilfe.h"
#include "store/DM_KS.h"
#include "ui/Anwendung.h"
#include "ui/ErrorDisplay.h"

#include <QKeyEvent>
#include <QTableView>

using Answer = UserInteraction::Answer;

void TForm_Kassol::Buchen1Click() {
    if (!m_initiiert || m_imBefehl)
        return;
    m_imBefehl = true;
    mitFehleranzeige(m_app.ui, [this] {
        for (;;) {
            TFormBelegeingabe dialog(m_app, std::nullopt, m_hilfe.get(), this);
            dialog.setNeuerKreis([this] { return neuerBuchungskreis(); });
            dialog.setSpeichern([this](const Buchungsdaten& d) {
                (void)Buchungen::buchen(m_app.dm, d);
                return true;
            });
            if (m_app.ui.execDialog(dialog) != QDialog::Accepted) {
                // Leaving the loop forgets the rate and text that "weiterbuchen" carried over.
                const auto ini = m_app.helper.GetIniInstance();
                const QString abschnitt = TFormBelegeingabe::iniAbschnitt(m_app.dm.gibAktiverMandant());
                (void)ini->deleteKey(abschnitt, QStringLiteral("Steuersatz"));
                (void)ini->deleteKey(abschnitt, QStringLiteral("Buchungstext"));
                break;
            }
            if (!dialog.Weiterbuchen())
                break;
        }
    });
    m_imBefehl = false;
}

int TForm_Kassol::gewaehlteBuchung(bool einnahmen) const {
    // A command on a list acts on its selected booking; none while another command runs.
    if (!m_initiiert || m_imBefehl)
        return -1;
    const QTableView* grid = einnahmen ? Grid_Ein : Grid_Aus;
    const Buchungsliste* model = einnahmen ? m_ein : m_aus;
    if (model->rowCount() == 0 || !grid->currentIndex().isValid())
        return -1;
    return model->buchungsId(grid->currentIndex().row());
}

void TForm_Kassol::GridDblClick(bool einnahmen) {
    const int id = gewaehlteBuchung(einnahmen);
    if (id < 0)
        return;
    m_imBefehl = true;
    mitFehleranzeige(m_app.ui, [&] {
        TFormBelegeingabe dialog(m_app, id, m_hilfe.get(), this);
        dialog.setNeuerKreis([this] { return neuerBuchungskreis(); });
        dialog.setSpeichern([this, id](const Buchungsdaten& d) {
            if (m_app.ui.confirmation(QStringLiteral("Wollen sie die Änderungen an dieser Buchung wirklich durchführen ?"),
                                      {Answer::Ok, Answer::Cancel}) != Answer::Ok)
                return false;
            (void)Buchungen::aendern(m_app.dm, id, d);
            return true;
        });
        m_app.ui.execDialog(dialog);
    });
    m_imBefehl = false;
}

void TForm_Kassol::GridEntfernen(bool einnahmen) {
    const int id = gewaehlteBuchung(einnahmen);
    if (id < 0)
        return;
    QTableView* grid = einnahmen ? Grid_Ein : Grid_Aus;
    Buchungsliste* model = einnahmen ? m_ein : m_aus;
    const QList<Answer> knoepfe{Answer::Yes, Answer::No, Answer::Cancel};
    const QString frage = einnahmen ? QStringLiteral("Wollen Sie die ausgewählte Einnahme wirklich löschen?")
                                    : QStringLiteral("Wollen Sie die ausgewählte Ausgabe wirklich löschen?");
    if (m_app.ui.confirmation(frage, knoepfe) != Answer::Yes)
        return;
    if (m_app.ui.warning(QStringLiteral("Wirklich löschen?"), knoepfe) != Answer::Yes)
        return;
    const int zeile = grid->currentIndex().row();
    if (mitFehleranzeige(m_app.ui, [&] { Buchungen::loeschen(m_app.dm, id); })) {
        // The list is read afresh at once, so the row after the deleted one can take the selection.
        mitFehleranzeige(m_app.ui, [&] { AnzeigeAktualisieren(); });
        if (model->rowCount() > 0)
            grid->selectRow(std::min(zeile, model->rowCount() - 1));
    }
}

std::optional<int> TForm_Kassol::neuerBuchungskreis() {
    // The circle list; a circle created there becomes the voucher's choice.
    m_buchungskreise->FormActivate();
    m_app.ui.execDialog(*m_buchungskreise);
    return m_buchungskreise->neuerKreis();
}

bool TForm_Kassol::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == Grid_Ein || watched == Grid_Aus)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete) {
            GridEntfernen(watched == Grid_Ein);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Buchen1Click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
