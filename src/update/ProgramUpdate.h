#pragma once

#include "update/UpdateDownload.h"
#include "update/UpdateManifest.h"

#include <QString>
#include <QUrl>
#include <functional>

class Clock;
class UpdateLog;

// Where updates come from and the key their manifests must carry.
struct Updatequelle {
    QUrl adresse;            // below it: webupdate/Kassol/Kassol.inf
    QByteArray schluessel;   // Ed25519 public key, 32 bytes

    bool eingestellt() const { return !adresse.isEmpty() && schluessel.size() == 32; }
    // The built-in source and key, the source replaced by Kassol.ini's [Update] Quelle when the
    // file has that key (an empty value switches the check off).
    static Updatequelle ausEinstellungen(const QString& iniDatei);
};

// How the program's files got onto this computer, which decides whether it may replace them.
enum class Installationsart {
    Selbst,          // a folder the user may write: the program updates itself
    Paketverwaltung, // the files belong to the system's package manager
    NichtBeschreibbar
};

struct Pruefergebnis {
    bool neuer = false;
    UpdateManifest manifest;
};

// Finds, checks, downloads and installs a published version of the program into a program
// folder. Nothing of the folder is touched before every file has arrived in a staging folder
// and matches its size and SHA-256 from the signed manifest; the replacement keeps each old file
// beside the new one (".kassol-alt") and puts them all back if any step fails. Which files were
// replaced is recorded in "Kassol_Update.reste" in the program folder, so that the old files are
// removed once the new program runs, or put back after an interrupted replacement.
class Programmaktualisierung {
public:
    static constexpr const char* Protokoll = "Kassol_Update.reste";
    static constexpr const char* AltEndung = ".kassol-alt";

    struct Meldungen {
        std::function<void(const QString& datei, qint64 empfangen, qint64 groesse)> fortschritt;
        std::function<void(const QString& datei)> geladen;
    };

    Programmaktualisierung(Updatequelle quelle, QString programmOrdner, const UpdateLog& log, const Clock& clock,
                           Programmversion laufende = Programmversion::laufende());

    static QUrl manifestAdresse(const QUrl& quelle);
    static Installationsart installationsart(const QString& programmOrdner,
                                             const QString& paketliste = QStringLiteral("/var/lib/dpkg/info/kassol.list"));

    // Fetches the manifest and checks signature, expiry and version. Not newer: neuer is false.
    // Unreachable, unsigned, tampered or expired: raises KassolError (UpdateAbgelehnt for a
    // refused manifest). Every outcome is logged.
    Pruefergebnis pruefe(const UpdateAbruf::Abbruch& abbruch = {});
    // Downloads, verifies and replaces; on any failure the folder is as it was and KassolError is
    // raised. The old files stay until raeumeAuf() of a later run.
    void installiere(const UpdateManifest& manifest, const Meldungen& meldungen = {});
    // Removes the old files an earlier update recorded, or puts them back when that update was
    // interrupted while replacing. Touches nothing else. Never raises.
    void raeumeAuf();
    // Puts back the files the last installation replaced (the new program could not be started).
    void setzeZurueck();
    // Starts the installed program once this one has ended; when it cannot be started, the
    // previous files are put back and the previous program is started instead.
    static bool starteNeu(const QString& programmDatei, const QStringList& argumente, const QString& programmOrdner,
                          const UpdateLog& log, const Clock& clock);

private:
    struct Ersetzung {
        QString ziel;
        QString alt;
        bool vorher = false;     // the file existed before the update
        bool abgelegt = false;   // the old file now lies under the name alt
        bool eingesetzt = false; // the new file lies under the name ziel
    };
    void schreibeProtokoll(const QString& zustand, const QList<Ersetzung>& liste);
    bool liesProtokoll(QString& zustand, QList<Ersetzung>& liste) const;
    void entferneProtokoll();
    void macheRueckgaengig(const QList<Ersetzung>& erledigt) const;
    // The record's entries as a rollback takes them: what may have been set aside or put in.
    QList<Ersetzung> zumZuruecknehmen(const QList<Ersetzung>& liste) const;
    QString pfad(const QString& name) const;

    Updatequelle m_quelle;
    QString m_ordner;
    const UpdateLog& m_log;
    const Clock& m_clock;
    Programmversion m_laufende;
};
