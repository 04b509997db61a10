#pragma once

#include <QString>

// The script of the empty database: nine tables, their indexes, the tax-account chart and the
// release row, one text of lines separated by CR LF.
QString SchemaScript();
