#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <variant>
#include <vector>

// A Currency value as the Jet engine stores it: ten-thousandths in a 64-bit integer.
struct JetWaehrung {
    std::int64_t zehntausendstel = 0;
    bool operator==(const JetWaehrung&) const = default;
};

// A DateTime value as the Jet engine stores it: days since 1899-12-30, the fraction being the
// time of day.
struct JetDatum {
    double tage = 0;
    bool operator==(const JetDatum&) const = default;
};

// One value of a row. Byte, Integer and Long arrive as integers, Single and Double as double.
using JetWert = std::variant<std::monostate, std::int64_t, JetWaehrung, JetDatum, double, QString, bool>;

enum class JetTyp { JaNein, Ganzzahl, Waehrung, Gleitkomma, Datum, Text, LangerText, Unbekannt };

struct JetTabelle {
    QString name;
    QStringList spalten;
    std::vector<JetTyp> typen;
    std::vector<std::vector<JetWert>> zeilen;

    // The position of a column, its name matched without regard to case as the engine does; -1
    // when there is none.
    int spalte(const QString& spaltenname) const {
        for (int i = 0; i < spalten.size(); ++i)
            if (spalten[i].compare(spaltenname, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
};

// Reads the tables of a foreign database as rows of typed values, so that the take-over can be
// checked without such a file.
class TabellenLeser {
public:
    virtual ~TabellenLeser() = default;
    // The names of the user tables (system tables left out).
    virtual QStringList tabellen() = 0;
    // All rows of one table; raises KassolError with a German message when it cannot be read.
    virtual JetTabelle lies(const QString& tabelle) = 0;
};
