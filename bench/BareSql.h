#pragma once

#include <QString>
#include <QStringList>

// Runs SQL bare through the sqlite3 shell, the yardstick every benchmark compares itself with.
// Returns the wall time in seconds of the shell run (its output is discarded).
double timeSqliteShell(const QString& databaseFile, const QString& sql, const QStringList& dotCommands = {});
