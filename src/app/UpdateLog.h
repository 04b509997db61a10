#pragma once

#include <QString>

class Clock;

// The update's own log, "Kassol_UpdateLog.log": what was checked, refused, downloaded and
// replaced. The user never sees these lines in a box; they are for whoever looks into a failure.
class UpdateLog {
public:
    static constexpr const char* DateiName = "Kassol_UpdateLog.log";

    // An empty path writes nothing (a run without a folder for the log).
    UpdateLog(QString datei, const Clock& clock);

    // Appends a line with the time; a log that cannot be written is no reason to fail.
    void schreibe(const QString& zeile) const;
    const QString& datei() const { return m_datei; }

private:
    QString m_datei;
    const Clock& m_clock;
};
