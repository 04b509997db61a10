#pragma once

#include "app/UpdateLog.h"
#include "update/ProgramUpdate.h"
#include "update/TForm_UpdateDownload.h"

#include <QObject>
#include <QPointer>
#include <memory>

class Clock;
class QWidget;

class WidgetInteraction;

// The main window's side of an update: one check per run in the background, the question, the
// download window per file, the message before the restart. Every failure before the question
// stays silent and is written to the update log; nothing of the program is replaced unless the
// manifest's signature, expiry and version and every file's size and SHA-256 have been checked.
class WebUpdate final : public QObject {
    Q_OBJECT
public:
    WebUpdate(QWidget& hauptfenster, WidgetInteraction& ui, const Clock& clock, QString programmOrdner, QString logDatei);
    // Waits for the background check to give up (a tenth of a second at most).
    ~WebUpdate() override;

    // Where to look and which key to trust; from Kassol.ini and the build unless set.
    void setzeQuelle(Updatequelle quelle) { m_quelle = std::move(quelle); }
    // The file that tells whether the package manager owns the program's files.
    void setzePaketliste(QString datei) { m_paketliste = std::move(datei); }

    // Starts the check on the shared worker pool and returns at once; runs once per program run.
    void CheckWebUpdate();
    // Removes the files the previous update set aside, and only those.
    void AlteVersionenLoeschen();

    // What the update reports while it downloads.
    void UpdateFileProgress(const QString& FileName, qint64 Pos, qint64 Size);
    void UpdateFileDownloaded();
    // The update is installed: tells the user, then asks for the restart.
    void UpdateAppRestart();

    // The installed version waits to be started once this program has ended.
    bool neustartGewuenscht() const { return m_neustart; }
    TForm_UpdateDownload* downloadFenster() const { return m_fenster; }
    QString FLastFile;

Q_SIGNALS:
    // The background check has ended, whatever it found.
    void pruefungBeendet();
    // The main window should close through its normal path; the new program starts afterwards.
    void neustart();

private:
    struct Aufgabe;
    void neueVersion(const UpdateManifest& manifest);
    void installiere(const UpdateManifest& manifest);
    void schliesseFenster();

    QWidget& m_hauptfenster;
    WidgetInteraction& m_ui;
    const Clock& m_clock;
    QString m_ordner;
    UpdateLog m_log;
    Updatequelle m_quelle;
    QString m_paketliste = QStringLiteral("/var/lib/dpkg/info/kassol.list");
    std::shared_ptr<Aufgabe> m_aufgabe;
    QPointer<TForm_UpdateDownload> m_fenster;
    bool m_geprueft = false;
    bool m_neustart = false;
};
