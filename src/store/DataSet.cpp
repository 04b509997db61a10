#include "store/DataSet.h"

#include "store/Database.h"
#include "store/DbError.h"

#include <QRegularExpression>
#include <QSqlRecord>

namespace {
const QString RowIdField = QStringLiteral("__rowid");
}

DataSet::DataSet(Database& db, QString table, QString sql) : m_db(&db), m_table(std::move(table)), m_sql(std::move(sql)) {}

DataSet DataSet::table(Database& db, const QString& tableName) { return DataSet(db, tableName, QString()); }

DataSet DataSet::query(Database& db, const QString& sql) { return DataSet(db, QString(), sql); }

void DataSet::setSql(const QString& sql) {
    close();
    m_sql = sql;
    m_params.clear();
}

void DataSet::setParam(const QString& name, const QVariant& value) {
    const QString key = name.startsWith(QLatin1Char(':')) ? name : QLatin1Char(':') + name;
    for (auto& p : m_params)
        if (p.first.compare(key, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    m_params.append({key, value});
}

void DataSet::setRestriction(const QString& condition, const SqlParams& params) {
    m_restriction = condition;
    m_restrictionParams = params;
}

QString DataSet::selectText() const {
    if (m_table.isEmpty())
        return m_sql;
    QString text = QStringLiteral("SELECT rowid AS %1, * FROM [%2]").arg(RowIdField, m_table);
    if (!m_restriction.isEmpty())
        text += QStringLiteral(" WHERE ") + m_restriction;
    return text + QStringLiteral(" ORDER BY rowid");
}

void DataSet::readAll() {
    const QString context = QStringLiteral("Daten lesen");
    QSqlQuery q = m_db->query(selectText(), m_table.isEmpty() ? m_params : m_restrictionParams, context);
    const QSqlRecord rec = q.record();
    m_fields.clear();
    for (int i = 0; i < rec.count(); ++i)
        m_fields << rec.fieldName(i);
    const int n = rec.count();
    m_rows.clear();
    while (q.next()) {
        QList<QVariant> row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row.append(q.value(i));
        m_rows.push_back(std::move(row));
    }
}

void DataSet::open() {
    if (isOpen())
        return;
    readAll();
    m_state = State::Browse;
    rebuildVisible();
    m_pos = 0;
}

void DataSet::close() {
    m_state = State::Inactive;
    m_rows.clear();
    m_visible.clear();
    m_buffer.clear();
    m_pos = 0;
}

void DataSet::requery() {
    if (m_state == State::Insert || m_state == State::Edit)
        cancel();
    readAll();
    m_state = State::Browse;
    rebuildVisible();
    m_pos = 0;
}

void DataSet::setFilter(const QString& filter) {
    m_filterText = filter;
    rebuildVisible();
}

void DataSet::setFiltered(bool on) {
    m_filtered = on;
    rebuildVisible();
    m_pos = 0;
}

void DataSet::rebuildVisible() {
    m_filterValid = false;
    if (m_filtered) {
        static const QRegularExpression form(QStringLiteral("^\\s*(\\w+)\\s*=\\s*(-?\\d+)\\s*$"));
        const auto match = form.match(m_filterText);
        if (match.hasMatch()) {
            m_filterColumn = fieldIndex(match.captured(1));
            m_filterValue = match.captured(2).toLongLong();
            m_filterValid = true;
        }
    }
    m_visible.clear();
    m_visible.reserve(m_rows.size());
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
        if (m_filterValid) {
            const QVariant& v = m_filterColumn >= 0 ? m_rows[i][m_filterColumn] : QVariant();
            if (v.isNull() || v.toLongLong() != m_filterValue)
                continue;
        }
        m_visible.push_back(i);
    }
    if (m_pos > recordCount())
        m_pos = recordCount();
}

bool DataSet::first() { return moveTo(0); }
bool DataSet::last() { return moveTo(recordCount() - 1); }
bool DataSet::next() {
    if (m_pos < recordCount())
        ++m_pos;
    return !eof();
}
bool DataSet::prior() {
    if (m_pos > 0) {
        --m_pos;
        return true;
    }
    return false;
}

bool DataSet::moveTo(int index) {
    if (index < 0 || index >= recordCount()) {
        m_pos = recordCount() == 0 ? 0 : m_pos;
        return false;
    }
    m_pos = index;
    return true;
}

bool DataSet::locate(const QString& field, const QVariant& value) {
    const int column = fieldIndex(field);
    if (column < 0)
        return false;
    for (int i = 0; i < recordCount(); ++i) {
        const QVariant& v = m_rows[m_visible[i]][column];
        if (!v.isNull() && (v == value || v.toString() == value.toString())) {
            m_pos = i;
            return true;
        }
    }
    return false;
}

int DataSet::fieldIndex(const QString& name) const {
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const QList<QVariant>* DataSet::currentRow() const {
    if (m_state == State::Insert || m_state == State::Edit)
        return &m_buffer;
    if (m_pos < 0 || m_pos >= recordCount())
        return nullptr;
    return &m_rows[m_visible[m_pos]];
}

QVariant DataSet::field(const QString& name) const {
    const int column = fieldIndex(name);
    const QList<QVariant>* row = currentRow();
    if (column < 0 || !row)
        return QVariant();
    return (*row)[column];
}

QVariant DataSet::value(int row, int column) const {
    if (row < 0 || row >= recordCount() || column < 0 || column >= m_fields.size())
        return QVariant();
    return m_rows[m_visible[row]][column];
}

int DataSet::fieldInt(const QString& name, int fallback) const {
    bool ok = false;
    const int v = field(name).toInt(&ok);
    return ok ? v : fallback;
}

QString DataSet::fieldText(const QString& name) const { return field(name).toString(); }

QDate DataSet::fieldDate(const QString& name) const {
    return QDate::fromString(field(name).toString().left(10), Qt::ISODate);
}

std::optional<Currency> DataSet::fieldCurrency(const QString& name) const {
    const QVariant v = field(name);
    if (v.isNull())
        return std::nullopt;
    return Currency::fromUnits(v.toLongLong());
}

void DataSet::requireTable(const char* what) const {
    if (m_table.isEmpty() || m_state == State::Inactive)
        throw DbError(QStringLiteral("Die Datenmenge ist nicht zum Bearbeiten geöffnet"), m_sql, QString::fromLatin1(what));
}

void DataSet::insert() {
    requireTable("Datensatz anlegen");
    if (m_state != State::Browse)
        cancel();
    m_buffer = QList<QVariant>(m_fields.size());
    m_changed.assign(m_fields.size(), false);
    m_state = State::Insert;
}

void DataSet::edit() {
    requireTable("Datensatz bearbeiten");
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    const QList<QVariant>* row = currentRow();
    if (!row)
        throw DbError(QStringLiteral("Kein Datensatz zum Bearbeiten vorhanden"), m_table, QStringLiteral("Datensatz bearbeiten"));
    m_buffer = *row;
    m_changed.assign(m_fields.size(), false);
    m_state = State::Edit;
}

void DataSet::setField(const QString& name, const QVariant& value) {
    if (m_state != State::Insert && m_state != State::Edit)
        throw DbError(QStringLiteral("Die Datenmenge ist nicht im Bearbeitungsmodus"), m_table, QStringLiteral("Feld setzen"));
    const int column = fieldIndex(name);
    if (column <= 0)
        throw DbError(QStringLiteral("Unbekanntes Feld %1").arg(name), m_table, QStringLiteral("Feld setzen"));
    m_buffer[column] = value;
    m_changed[column] = true;
}

void DataSet::setFieldCurrency(const QString& name, Currency value) {
    setField(name, QVariant::fromValue<qlonglong>(value.units()));
}

void DataSet::setFieldDate(const QString& name, const QDate& value) {
    setField(name, value.isValid() ? QVariant(value.toString(Qt::ISODate)) : QVariant());
}

void DataSet::post() {
    if (m_state != State::Insert && m_state != State::Edit)
        return;
    QStringList columns;
    SqlParams params;
    for (int i = 1; i < m_fields.size(); ++i) {
        if (!m_changed[i])
            continue;
        columns << m_fields[i];
        params.append({QStringLiteral(":p%1").arg(i), m_buffer[i]});
    }
    qint64 rowId = 0;
    if (m_state == State::Insert) {
        QStringList names, holders;
        for (int i = 1; i < m_fields.size(); ++i)
            if (m_changed[i]) {
                names << QStringLiteral("[%1]").arg(m_fields[i]);
                holders << QStringLiteral(":p%1").arg(i);
            }
        const QString sql = names.isEmpty()
                                ? QStringLiteral("INSERT INTO [%1] DEFAULT VALUES").arg(m_table)
                                : QStringLiteral("INSERT INTO [%1] (%2) VALUES (%3)")
                                      .arg(m_table, names.join(QStringLiteral(", ")), holders.join(QStringLiteral(", ")));
        QSqlQuery q = m_db->query(sql, params, QStringLiteral("Datensatz speichern"));
        rowId = q.lastInsertId().toLongLong();
    } else {
        rowId = m_buffer[0].toLongLong();
        if (!columns.isEmpty()) {
            QStringList sets;
            for (int i = 1; i < m_fields.size(); ++i)
                if (m_changed[i])
                    sets << QStringLiteral("[%1] = :p%2").arg(m_fields[i]).arg(i);
            params.append({QStringLiteral(":rowid"), rowId});
            m_db->exec(QStringLiteral("UPDATE [%1] SET %2 WHERE rowid = :rowid").arg(m_table, sets.join(QStringLiteral(", "))),
                       params, QStringLiteral("Datensatz speichern"));
        }
    }
    // Read the row back as stored, so that the data set shows what the engine kept.
    QSqlQuery back = m_db->query(QStringLiteral("SELECT rowid AS %1, * FROM [%2] WHERE rowid = :rowid").arg(RowIdField, m_table),
                                 {{QStringLiteral(":rowid"), rowId}}, QStringLiteral("Datensatz lesen"));
    QList<QVariant> stored = m_buffer;
    if (back.next())
        for (int i = 0; i < m_fields.size(); ++i)
            stored[i] = back.value(i);
    const bool inserted = m_state == State::Insert;
    m_state = State::Browse;
    m_buffer.clear();
    if (inserted) {
        m_rows.push_back(stored);
    } else {
        m_rows[m_visible[m_pos]] = stored;
    }
    rebuildVisible();
    if (inserted)
        for (int i = 0; i < recordCount(); ++i)
            if (m_visible[i] == static_cast<int>(m_rows.size()) - 1)
                m_pos = i;
}

void DataSet::cancel() {
    if (m_state == State::Insert || m_state == State::Edit) {
        m_state = State::Browse;
        m_buffer.clear();
    }
}

void DataSet::deleteRow() {
    requireTable("Datensatz löschen");
    cancel();
    const QList<QVariant>* row = currentRow();
    if (!row)
        return;
    m_db->exec(QStringLiteral("DELETE FROM [%1] WHERE rowid = :rowid").arg(m_table), {{QStringLiteral(":rowid"), (*row)[0]}},
               QStringLiteral("Datensatz löschen"));
    m_rows.erase(m_rows.begin() + m_visible[m_pos]);
    rebuildVisible();
}
