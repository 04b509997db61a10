// Start-up and shutdown of the main window: the first start, the refresh on activation, the
// desktop icon, and the way out through the backup dialog.
#include "ui/TForm_Kassol.h"

#include "app/DesktopShortcut.h"
#include "app/IniFile.h"
#include "app/THelperData.h"
#include "admin/Clients.h"
#include "backup/TForm_Datensicherung.h"
#include "booking/TFormBelegeingabeHilfe.h"
#include "store/DM_KS.h"
#include "ui/Anwendung.h"
#include "ui/ErrorDisplay.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <cmath>

namespace {
const QString Einstellungen = QStringLiteral("Einstellungen");
const QString DesktopIcon = QStringLiteral("DesktopIcon");
} // namespace

void TForm_Kassol::FormCreate() {
    const double dpi = screen() ? screen()->logicalDotsPerInch() : 96.0;
    setMinimumSize(static_cast<int>(std::lround(MindestBreite * dpi / 96.0)),
                   static_cast<int>(std::lround(MindestHoehe * dpi / 96.0)));
    resize(std::max(minimumWidth(), 900), std::max(minimumHeight(), 640));

    // The icon is put on the desktop once, at the first start; a failure is not worth a message.
    const auto ini = m_app.helper.GetIniInstance();
    if (ini->readString(Einstellungen, DesktopIcon, QStringLiteral("false")) == QStringLiteral("false")) {
        try {
            erstelleDesktopIcon();
        } catch (const KassolError&) {
        }
        (void)ini->writeString(Einstellungen, DesktopIcon, QStringLiteral("true"));
    }
}

void TForm_Kassol::erstelleDesktopIcon() {
    const Folders& ordner = m_app.helper.folders();
    erstelleDesktopVerknuepfung(ordner, QApplication::applicationFilePath());
}

void TForm_Kassol::Iconerstellen1Click() {
    if (m_app.ui.confirmation(QStringLiteral("Wollen sie einen Icon auf dem Desktop erstellen"),
                              {UserInteraction::Answer::Ok, UserInteraction::Answer::Cancel}) != UserInteraction::Answer::Ok)
        return;
    mitFehleranzeige(m_app.ui, [this] { erstelleDesktopIcon(); });
}

void TForm_Kassol::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_gezeigt)
        return;
    m_gezeigt = true;
    // The window is painted first; the start-up with its questions follows right after.
    QTimer::singleShot(5, this, &TForm_Kassol::InitiiereAnwendung);
}

void TForm_Kassol::InitiiereAnwendung() {
    if (m_initiiert || m_beendet)
        return;
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    try {
        m_app.dm.InitiiereMandant(m_app.ui);
    } catch (const InteractionAborted&) {
        // The first client or year was not given: the program ends, and nothing was written.
        beenden();
        return;
    } catch (const KassolError& e) {
        m_app.ui.error(e.message());
        return;
    }
    Grid_Ein->setToolTip(QStringLiteral("Mit einem Doppelklick können sie eine Buchung ändern\r\nMit Entf können sie eine Buchung löschen."));
    Grid_Aus->setToolTip(Grid_Ein->toolTip());
    m_initiiert = true;
    mitFehleranzeige(m_app.ui, [this] { AnzeigeAktualisieren(); });
    Grid_Ein->setFocus();
    CheckWebUpdate();
}

void TForm_Kassol::bieteWirtschaftsjahrAn() {
    m_app.ui.information(QStringLiteral("Sie müssen noch ein Wirtschaftsjahr anlegen"));
    QString text = QString::number(m_app.clock.today().year());
    static const QRegularExpression vierStellen(QStringLiteral("^\\d{4}$"));
    for (;;) {
        if (!m_app.ui.inputBox(QStringLiteral("Neues Wirtschaftsjahr"), QStringLiteral("Jahreszahl (zb: 2026)"), text))
            return;
        if (vierStellen.match(text.trimmed()).hasMatch())
            break;
        m_app.ui.information(QStringLiteral("Geben sie das Jahr bitte 4-stellig an!"));
    }
    (void)Mandanten::wirtschaftsjahrEinrichten(m_app.dm, text.trimmed().toInt());
}

bool TForm_Kassol::event(QEvent* e) {
    // Whatever another program changed while another window had the focus is shown when this one
    // is back; the changes of this program have asked for their refresh already.
    if (e->type() == QEvent::WindowActivate && m_initiiert && !m_beendet)
        mitFehleranzeige(m_app.ui, [this] {
            if (m_app.dm.db().fremderStand() != m_gezeigterFremderStand)
                planeAktualisierung();
        });
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && static_cast<QKeyEvent*>(e)->modifiers() == Qt::NoModifier) {
            Buchen1Click();
            return true;
        }
    }
    return QMainWindow::event(e);
}

void TForm_Kassol::Beenden1Click() {
    close();
}

void TForm_Kassol::closeEvent(QCloseEvent* event) {
    if (m_beendet) {
        event->accept();
        return;
    }
    event->ignore();
    if (m_schliesst)
        return;
    m_schliesst = true;
    zeigeDatensicherung();
    // The backup dialog has ended the program; this close request is the one that takes the window.
    if (m_beendet)
        event->accept();
}

void TForm_Kassol::zeigeDatensicherung() {
    // The backup compacts and copies the file, so the connection is closed first; the dialog is
    // modal, so nothing opens it again before the program ends.
    m_app.dm.closeConnection();
    m_app.ui.execDialog(*m_datensicherung);
    beenden();
}

void TForm_Kassol::beenden() {
    m_beendet = true;
    m_app.dm.closeConnection();
    if (m_hilfe)
        m_hilfe->close();
    close();
    Q_EMIT programmEnde();
}
