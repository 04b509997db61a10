#pragma once

#include <QString>
#include <QVariant>

namespace ReportEngine {

// A field value as the mask shows it. Money arrives as whole ten-thousandths of a euro.
// Masks: "#,##0.00" (amount), "#,##0.00;;''" (amount, zero prints nothing), "date", "" (as stored).
QString formatValue(const QVariant& value, const QString& mask);

} // namespace ReportEngine
