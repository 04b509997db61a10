#include "reports/engine/DisplayMask.h"

#include "app/Currency.h"
#include "app/Formats.h"

#include <QDate>

namespace ReportEngine {

QString formatValue(const QVariant& value, const QString& mask) {
    if (value.isNull())
        return QString();
    if (mask == QStringLiteral("#,##0.00") || mask == QStringLiteral("#,##0.00;;''")) {
        const Currency amount = value.typeId() == QMetaType::Double ? Currency::fromDouble(value.toDouble())
                                                                    : Currency::fromUnits(value.toLongLong());
        if (mask.endsWith(QStringLiteral(";;''")) && Formats::amount(amount) == QStringLiteral("0,00"))
            return QString();
        return Formats::amount(amount);
    }
    if (mask == QStringLiteral("date"))
        return Formats::date(QDate::fromString(value.toString().left(10), Qt::ISODate));
    return value.toString();
}

} // namespace ReportEngine
