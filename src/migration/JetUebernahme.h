#pragma once

#include "migration/JetAbbildung.h"

#include <QDateTime>
#include <functional>
#include <memory>

class Database;

// Names of the files in the data folder that a take-over writes or keeps.
namespace Uebernahmedateien {
inline constexpr const char* Datenbank = "KS_tab.mdb";
inline constexpr const char* AccessKopie = "KS_tab_Access.mdb";
inline constexpr const char* Ini = "Kassol.ini";
inline constexpr const char* AccessIni = "Kassol_Access.ini";
inline constexpr const char* Protokoll = "Uebernahme-Protokoll.txt";
} // namespace Uebernahmedateien

struct Uebernahmeoptionen {
    // Take over the valid rows when some were refused; they stay listed in the protocol.
    bool ohneUngueltige = false;
    // The time written into the protocol.
    QDateTime zeitpunkt;
    // Progress from 0 to 100, with what is being done.
    std::function<void(int prozent, const QString& schritt)> fortschritt;
    // Opens the reader on the Jet file; standardJetLeser() unless given.
    std::function<std::unique_ptr<TabellenLeser>(const QString& jetDatei)> leser;
    // Called with the written, committed but not yet checked database, before the checks; lets a
    // caller look at what was written.
    std::function<void(Database&)> vorDerPruefung;
};

struct Uebernahmeergebnis {
    // False when rows were refused and the take-over stopped without writing anything but the
    // protocol.
    bool uebernommen = false;
    QString datenbank;
    QString accessKopie;
    QString protokoll;
    bool iniUebernommen = false;
    Abbildung abbildung;
};

using JetLeserFabrik = std::function<std::unique_ptr<TabellenLeser>(const QString& jetDatei)>;
// How Jet files are read where the options name no reader: mdbtools' reader unless replaced
// (the command line's tests put a reader of prepared tables here).
JetLeserFabrik& standardJetLeser();

// Whether the data folder holds books in the Jet format that can be taken over.
bool hatJetDatenbank(const QString& datenordner);

// Takes the Jet file KS_tab.mdb of the data folder over into a new Kassol database of the same
// name. The new database is built in one transaction under a temporary name, checked against the
// file (rows per table, the sums of Betrag and St_Betrag per client and fiscal year, SQLite's
// integrity and foreign-key checks), synced, and only then put in the Jet file's place; the Jet
// file is kept unchanged as KS_tab_Access.mdb. Kassol.ini is converted from Windows-1252, its
// original kept as Kassol_Access.ini. Every run writes Uebernahme-Protokoll.txt.
//
// Rows the schema refuses stop the take-over unless ohneUngueltige is set; a failure of any other
// kind raises KassolError. Either way the Jet file stays where it was, unchanged, and no partial
// database takes its place.
Uebernahmeergebnis uebernimmJetDatenbank(const QString& datenordner, const Uebernahmeoptionen& optionen = {});

// The checks of a written database against what was read: an empty list when it holds exactly
// the rows and sums expected, otherwise one German sentence per difference.
QStringList pruefeUebernahme(Database& db, const Abbildung& abbildung);
