#pragma once

#include "migration/TabellenLeser.h"

#include <QStringList>
#include <QVariant>
#include <map>
#include <vector>

// A row of the foreign file that Kassol's schema would refuse. It is named, never guessed at.
struct AbgewieseneZeile {
    QString tabelle;
    int zeile = 0;        // position in the foreign table, counted from 1
    QString schluessel;   // "mandant 1, ID 17"
    QString grund;        // German, one sentence
};

// The rows of one of Kassol's tables as they will be written: values in the order of `spalten`,
// ready for SQLite (integers, money as ten-thousandths, dates as YYYY-MM-DD text, Null as an
// invalid QVariant).
struct ZielTabelle {
    QString name;
    QStringList spalten;
    std::vector<QVariantList> zeilen;
};

// The sums of Betrag and St_Betrag of one client and fiscal year, in ten-thousandths.
struct JahresSumme {
    QVariant mandant;
    QVariant wirtschaftsjahr;
    std::int64_t betrag = 0;
    std::int64_t steuer = 0;
    bool operator==(const JahresSumme&) const = default;
};

struct Abbildung {
    // In the order they are written: parents before the rows that point to them.
    std::vector<ZielTabelle> tabellen;
    std::vector<AbgewieseneZeile> abgewiesen;
    // What was taken over in another form than found, or left aside, without refusing a row.
    QStringList hinweise;
    // Rows of the foreign file per table, and the sums of the rows taken over, computed from the
    // foreign values themselves, so that the written database can be checked against them.
    std::map<QString, int> quellZeilen;
    std::vector<JahresSumme> summen;
    // How many rows each table must hold after writing (the schema's chart rows that the foreign
    // file lacks are added).
    std::map<QString, int> erwarteteZeilen;
};

// The tables of a Jet-era Kassol file, the order in which they are read.
const QStringList& jetTabellen();

// Reads every documented table and maps it onto Kassol's schema. Rows the schema would refuse
// (a text too long, a number out of range, a duplicate key, an orphan, an invalid date) are
// listed and left out; a missing table or column, or a column of an unfitting type, raises
// KassolError, since then the file is no Kassol file at all. The table Release is not taken over:
// the new database describes its own schema.
Abbildung bildeJetDatenAb(TabellenLeser& leser, const std::function<void(int, int)>& fortschritt = {});

// A Jet date as Kassol stores a date: days since 1899-12-30, a negative value counting back with
// its fraction still the time of day. Empty when the value is no date Kassol can hold.
QString jetDatumAlsText(double tage, bool* mitUhrzeit = nullptr);
