#include "update/WebUpdate.h"

#include "app/Clock.h"
#include "update/TForm_UpdateDownload.h"
#include "ui/WidgetInteraction.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>

// What the window and the background check share: the window's end stops the check, and the
// check hands its answer over only while the window is still there.
struct WebUpdate::Aufgabe {
    std::mutex sperre;
    std::condition_variable beendet;
    bool laeuft = true;
    std::atomic<bool> abbrechen{false};
};

WebUpdate::WebUpdate(QWidget& hauptfenster, WidgetInteraction& ui, const Clock& clock, QString programmOrdner,
                     QString logDatei)
    : m_hauptfenster(hauptfenster), m_ui(ui), m_clock(clock), m_ordner(std::move(programmOrdner)),
      m_log(std::move(logDatei), clock) {}

WebUpdate::~WebUpdate() {
    if (!m_aufgabe)
        return;
    m_aufgabe->abbrechen = true;
    std::unique_lock<std::mutex> lock(m_aufgabe->sperre);
    m_aufgabe->beendet.wait(lock, [this] { return !m_aufgabe->laeuft; });
}

void WebUpdate::CheckWebUpdate() {
    if (m_geprueft)
        return;
    m_geprueft = true;
    // This run is the new program: what the previous update set aside can go now.
    if (Programmaktualisierung::installationsart(m_ordner, m_paketliste) == Installationsart::Selbst)
        AlteVersionenLoeschen();
    if (!m_quelle.eingestellt()) {
        Q_EMIT pruefungBeendet();
        return;
    }
    auto aufgabe = std::make_shared<Aufgabe>();
    m_aufgabe = aufgabe;
    const Updatequelle quelle = m_quelle;
    const QString ordner = m_ordner;
    const UpdateLog log = m_log;
    const Clock& clock = m_clock;
    QThreadPool::globalInstance()->start([this, aufgabe, quelle, ordner, log, &clock] {
        std::optional<UpdateManifest> neu;
        try {
            Programmaktualisierung update(quelle, ordner, log, clock);
            const Pruefergebnis r = update.pruefe([aufgabe] { return aufgabe->abbrechen.load(); });
            if (r.neuer)
                neu = r.manifest;
        } catch (const KassolError&) {
            // Logged by the check; the user goes on as if there were no update.
        } catch (const std::exception& e) {
            log.schreibe(QStringLiteral("Prüfung abgebrochen: %1").arg(QString::fromLocal8Bit(e.what())));
        }
        std::lock_guard<std::mutex> lock(aufgabe->sperre);
        if (!aufgabe->abbrechen) {
            QMetaObject::invokeMethod(
                this,
                [this, neu] {
                    m_aufgabe.reset();
                    Q_EMIT pruefungBeendet();
                    if (neu)
                        neueVersion(*neu);
                },
                Qt::QueuedConnection);
        }
        aufgabe->laeuft = false;
        aufgabe->beendet.notify_all();
    });
}

void WebUpdate::neueVersion(const UpdateManifest& manifest) {
    // A question on top of an open dialog would cut into the user's entry; it waits until the
    // dialog is closed.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(1000, this, [this, manifest] { neueVersion(manifest); });
        return;
    }
    switch (Programmaktualisierung::installationsart(m_ordner, m_paketliste)) {
    case Installationsart::Paketverwaltung:
        m_ui.information(QStringLiteral("Es ist eine neue Version von Kassol verfügbar (%1).\r\n"
                                        "Kassol wurde über die Paketverwaltung installiert. Bitte installieren Sie die neue "
                                        "Version über die Softwareaktualisierung Ihres Systems.")
                             .arg(manifest.version.text()));
        return;
    case Installationsart::NichtBeschreibbar:
        m_ui.information(QStringLiteral("Es ist eine neue Version von Kassol verfügbar (%1).\r\n"
                                        "In den Programmordner \u201E%2\u201C dürfen Sie nicht schreiben. Bitte lassen Sie die "
                                        "neue Version von jemandem installieren, der das darf.")
                             .arg(manifest.version.text(), QDir::toNativeSeparators(m_ordner)));
        return;
    case Installationsart::Selbst:
        break;
    }
    if (m_ui.confirmation(QStringLiteral("Es ist ein Update des Kassol verfügbar.\r\nSoll dieses jetzt installiert werden?"),
                          {UserInteraction::Answer::Yes, UserInteraction::Answer::No}) != UserInteraction::Answer::Yes)
        return;
    AlteVersionenLoeschen();
    FLastFile.clear();
    installiere(manifest);
}

void WebUpdate::installiere(const UpdateManifest& manifest) {
    // The download waits in a loop that takes no input, so nothing is booked while files arrive.
    bool fertig = false;
    try {
        Programmaktualisierung update(m_quelle, m_ordner, m_log, m_clock);
        Programmaktualisierung::Meldungen meldungen;
        meldungen.fortschritt = [this](const QString& datei, qint64 pos, qint64 groesse) { UpdateFileProgress(datei, pos, groesse); };
        meldungen.geladen = [this](const QString&) { UpdateFileDownloaded(); };
        update.installiere(manifest, meldungen);
        fertig = true;
    } catch (const KassolError&) {
        schliesseFenster();
        m_ui.information(QStringLiteral("Das Update konnte nicht installiert werden; Kassol bleibt unverändert in der bisherigen "
                                        "Version.\r\nEinzelheiten stehen in der Datei %1.")
                             .arg(QString::fromLatin1(UpdateLog::DateiName)));
        return;
    }
    schliesseFenster();
    if (fertig)
        UpdateAppRestart();
}

void WebUpdate::AlteVersionenLoeschen() {
    const UpdateLog log = m_log;
    Programmaktualisierung(m_quelle, m_ordner, log, m_clock).raeumeAuf();
}

void WebUpdate::UpdateFileProgress(const QString& FileName, qint64 Pos, qint64 Size) {
    if (!m_fenster && !FileName.endsWith(QStringLiteral(".inf"), Qt::CaseInsensitive)) {
        m_fenster = new TForm_UpdateDownload(&m_hauptfenster);
        m_fenster->setAttribute(Qt::WA_DeleteOnClose);
        m_fenster->label_FileName->setText(FileName);
        m_ui.showWindow(*m_fenster);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (!m_fenster)
        return;
    if (FileName != FLastFile) {
        m_fenster->setzePosition(0);
        m_fenster->setzeMaximum(Size);
        m_fenster->setzePosition(Pos);
        FLastFile = FileName;
    } else {
        m_fenster->setzePosition(Pos);
        if (Pos >= Size)
            UpdateFileDownloaded();
    }
}

void WebUpdate::UpdateFileDownloaded() {
    if (!m_fenster)
        return;
    schliesseFenster();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void WebUpdate::schliesseFenster() {
    if (m_fenster)
        m_fenster->close();
    m_fenster = nullptr;
}

void WebUpdate::UpdateAppRestart() {
    (void)m_ui.confirmation(QStringLiteral("Update fertig. Kassol wird jetzt neu gestartet?"), {UserInteraction::Answer::Ok});
    m_neustart = true;
    Q_EMIT neustart();
}
