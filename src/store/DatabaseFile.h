#pragma once

#include <QString>

enum class DatabaseFileKind { Missing, Folder, Unreadable, Empty, Jet, SQLite, Other };

// Looks at the first bytes of a file without opening it as a database, so that a foreign file
// is never touched by the engine.
DatabaseFileKind inspectDatabaseFile(const QString& path);
// A German message saying why the file cannot serve as Kassol's database.
QString describeUnusableDatabase(const QString& path, DatabaseFileKind kind);

// Whether the file is a sound Kassol database: SQLite's quick check passes and the bookkeeping
// tables are there. Returns an empty text, or the German reason why not. Opens the file read-only
// in effect: nothing is written.
QString checkKassolDatabase(const QString& path);
