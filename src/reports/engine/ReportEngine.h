#pragma once

#include "reports/engine/PreparedReport.h"
#include "reports/engine/ReportData.h"
#include "reports/engine/ReportModel.h"

namespace ReportEngine {

constexpr double PageWidth = 210;
constexpr double PageHeight = 297;
constexpr double Margin = 10;
constexpr double PrintableWidth = PageWidth - 2 * Margin;

// Lays the report out on A4 portrait pages with 10 mm margins: the title band once, the page
// header on every page, group headers and footers where their field changes, a detail band per
// row, the summary once. A group header never stands alone at the foot of a page. A report with
// no rows still has its header and summary.
PreparedReport prepare(ReportDefinition& report, const ReportData& data);
// The same layout, each page handed to the sink as soon as it is complete; returns the number of pages.
int prepare(ReportDefinition& report, const ReportData& data, PageSink& sink);

// The font the layout names, with Arial taken from its metric twin where Arial is missing.
QFont toQFont(const FontSpec& spec);

} // namespace ReportEngine
