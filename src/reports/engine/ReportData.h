#pragma once

#include "store/SqlParams.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

class Database;

namespace ReportEngine {

// The rows a report prints: named values read whole from a statement, with an optional
// client-side filter "field = number" that hides the other rows.
class ReportData {
public:
    ReportData() = default;
    ReportData(QStringList fields, std::vector<QList<QVariant>> rows);
    static ReportData fromQuery(Database& db, const QString& sql, const SqlParams& params, const QString& context);

    void setFilter(const QString& filter);  // empty: all rows
    int count() const { return static_cast<int>(m_visible.size()); }
    int fieldIndex(const QString& name) const;
    QVariant value(int row, const QString& field) const;
    QVariant value(int row, int column) const { return m_rows[m_visible[row]][column]; }
    const QStringList& fields() const { return m_fields; }

private:
    QStringList m_fields;
    QHash<QString, int> m_index;  // lower-case field name to column
    QHash<QString, int> m_exact;  // the same by the name as the statement spells it, looked up first
    std::vector<QList<QVariant>> m_rows;
    std::vector<int> m_visible;
};

} // namespace ReportEngine
