#pragma once

#include <QString>

// The script of the empty database: nine tables, their indexes, the tax-account chart and the
// release row, one text of lines separated by CR LF.
QString SchemaScript();

// The release the script writes into table Release: the newest one this program reads and writes.
constexpr int SchemaRelease = 202603;
