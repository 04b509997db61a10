#pragma once

#include <QString>
#include <QStringList>

// Runs SQL bare through the sqlite3 shell, the yardstick every benchmark compares itself with.
// Returns the wall time in seconds of the shell run (its output is discarded).
double timeSqliteShell(const QString& databaseFile, const QString& sql, const QStringList& dotCommands = {});

// Wall time in seconds of the sqlite3 shell running the script (dot commands such as .import
// included), less the time the shell takes to start and open the file.
double timeSqliteShellWall(const QString& databaseFile, const QString& script);
