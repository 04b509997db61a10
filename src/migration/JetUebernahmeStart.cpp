#include "migration/JetUebernahmeStart.h"

#include "app/Clock.h"
#include "app/UserInteraction.h"
#include "migration/JetUebernahmeFrage.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {

// Puts the progress window away before any box, so that the box is not hidden behind it.
class OhneFortschritt final : public UserInteraction {
public:
    OhneFortschritt(UserInteraction& ui, QProgressDialog& fenster) : m_ui(ui), m_fenster(fenster) {}
    void information(const QString& text) override {
        m_fenster.hide();
        m_ui.information(text);
    }
    Answer confirmation(const QString& text, const QList<Answer>& buttons) override {
        m_fenster.hide();
        return m_ui.confirmation(text, buttons);
    }
    Answer warning(const QString& text, const QList<Answer>& buttons) override {
        m_fenster.hide();
        return m_ui.warning(text, buttons);
    }
    bool inputBox(const QString& caption, const QString& prompt, QString& value) override {
        m_fenster.hide();
        return m_ui.inputBox(caption, prompt, value);
    }
    QString saveFileName(const QString& caption, const QString& proposal, const QString& filter) override {
        m_fenster.hide();
        return m_ui.saveFileName(caption, proposal, filter);
    }
    void openFile(const QString& path) override { m_ui.openFile(path); }

private:
    UserInteraction& m_ui;
    QProgressDialog& m_fenster;
};

} // namespace

bool jetUebernahmeBeimStart(const QString& datenordner, UserInteraction& ui, const Clock& clock) {
    QProgressDialog fenster;
    fenster.setObjectName(QStringLiteral("JetUebernahmeFortschritt"));
    fenster.setWindowTitle(QStringLiteral("Übernahme der Access-Datenbank"));
    fenster.setLabelText(QStringLiteral("Die Daten werden übernommen …"));
    fenster.setAccessibleName(QStringLiteral("Fortschritt der Übernahme"));
    // The take-over cannot be stopped half-way; until it puts the new file in place, closing
    // the program loses nothing.
    fenster.setCancelButton(nullptr);
    fenster.setRange(0, 100);
    fenster.setMinimumDuration(0);
    fenster.setAutoClose(false);
    fenster.setAutoReset(false);
    fenster.setWindowModality(Qt::ApplicationModal);
    fenster.hide();

    OhneFortschritt boxen(ui, fenster);
    Uebernahmeoptionen optionen;
    optionen.zeitpunkt = clock.now();
    optionen.fortschritt = [&fenster](int prozent, const QString& schritt) {
        if (!fenster.isVisible())
            fenster.show();
        fenster.setLabelText(schritt);
        fenster.setValue(prozent);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    return frageNachJetUebernahme(datenordner, boxen, optionen);
}
