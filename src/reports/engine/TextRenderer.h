#pragma once

#include "reports/engine/PreparedReport.h"

#include <QString>

namespace ReportEngine {

// The report as plain text: page by page, the texts that stand at the same height joined by one
// TAB from left to right, one line each; lines and frames print nothing; pages end with a form feed
// between them.
QString renderText(const PreparedReport& report);

} // namespace ReportEngine
