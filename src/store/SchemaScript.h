#pragma once

#include <QString>
#include <QStringList>

class Database;

// The script of the empty database: nine tables, their indexes, the tax-account chart and the
// release row, one text of lines separated by CR LF.
QString SchemaScript();

// The release the script writes into table Release: the newest one this program reads and writes.
constexpr int SchemaRelease = 202603;

// The indexes beyond the documented ones, each a CREATE INDEX IF NOT EXISTS statement.
QStringList ZusatzIndexe();
// Creates those of them that an older file lacks, all in one transaction; a file opened read-only
// is left as it is and only reads slower.
void zusatzIndexeAnlegen(Database& db);
