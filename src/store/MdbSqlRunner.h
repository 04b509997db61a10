#pragma once

#include "app/Platform.h"

#include <QString>
#include <QStringList>

// Creates Kassol's database file from the schema script.
namespace Helper_MdbSqlRunner {

// Creates the database with the full schema when no file is at the path; leaves any existing
// file alone. The database is built under a temporary name and moved into place only once it is
// complete, so a failure never leaves a half-built file that a later start would take as good.
// Throws KassolError when the file cannot be created or is incomplete.
void CreateDatabaseIfMissing(const QString& path);
// Creates an empty SQLite database file; throws KassolError when the file exists or cannot be made.
void CreateEmptyMdb(const QString& path);
// The statements of a script as ExecuteSqlScript runs them. Lines that are empty or begin with
// "--" or "'" are left out; the others are joined with a space up to a line that ends with ";",
// which closes the statement and is dropped. The text after the last such line is the rest.
struct SqlScriptParts {
    QStringList statements;
    QString rest;
};
SqlScriptParts SplitSqlScript(const QStringList& lines);
// Runs the script's statements one by one on a connection of its own. A failing statement is
// passed over; only the failure of the last one (the text after the last ";") is raised.
void ExecuteSqlScript(const QString& path, const QStringList& lines);
// Starts a program in its own folder and waits for its end; false when it could not be started.
bool RunAndWait(const QString& programPath, const QString& parameters, Platform::ShowMode mode);

// Whether the file holds the complete empty schema's tables, chart and release row.
bool HasCompleteSchema(const QString& path);

} // namespace Helper_MdbSqlRunner
