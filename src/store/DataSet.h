#pragma once

#include "app/Currency.h"
#include "store/SqlParams.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

class Database;

// A result read whole when opened (a static cursor): walked both ways, counted, re-read with the
// same parameters. A table data set also inserts, edits and deletes rows; a client-side filter
// "field = number" hides rows without reading less.
class DataSet {
public:
    enum class State { Inactive, Browse, Insert, Edit };

    // All rows of one table (or those matching a restriction set with setRestriction()).
    static DataSet table(Database& db, const QString& tableName);
    // The rows of a statement; read-only.
    static DataSet query(Database& db, const QString& sql);

    const QString& sql() const { return m_sql; }
    void setSql(const QString& sql);
    void setParam(const QString& name, const QVariant& value);
    // Limits a table data set to the rows matching an SQL condition (read less, unlike a filter).
    void setRestriction(const QString& condition, const SqlParams& params = {});

    void open();
    void close();
    void requery();
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }

    // Filter text "field = number"; an empty text or one of another form shows every row.
    void setFilter(const QString& filter);
    const QString& filter() const { return m_filterText; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }

    int recordCount() const { return static_cast<int>(m_visible.size()); }
    bool isEmpty() const { return m_visible.empty(); }
    int recNo() const { return m_pos; }
    bool first();
    bool last();
    bool next();
    bool prior();
    bool eof() const { return m_pos >= recordCount(); }
    bool moveTo(int index);
    // Moves to the first visible row whose field equals the value; stays put when none does.
    bool locate(const QString& field, const QVariant& value);

    const QStringList& fieldNames() const { return m_fields; }
    int fieldIndex(const QString& name) const;
    QVariant field(const QString& name) const;
    QVariant value(int row, int column) const;
    bool isNull(const QString& name) const { return field(name).isNull(); }
    int fieldInt(const QString& name, int fallback = 0) const;
    QString fieldText(const QString& name) const;
    QDate fieldDate(const QString& name) const;
    std::optional<Currency> fieldCurrency(const QString& name) const;

    // Row editing (table data sets only). Post writes the row, Cancel drops the changes.
    void insert();
    void edit();
    void setField(const QString& name, const QVariant& value);
    void setFieldCurrency(const QString& name, Currency value);
    void setFieldDate(const QString& name, const QDate& value);
    void post();
    void cancel();
    void deleteRow();

private:
    DataSet(Database& db, QString table, QString sql);
    QString selectText() const;
    void readAll();
    void rebuildVisible();
    const QList<QVariant>* currentRow() const;
    void requireTable(const char* what) const;

    Database* m_db;
    QString m_table;
    QString m_sql;
    SqlParams m_params;
    QString m_restriction;
    SqlParams m_restrictionParams;
    State m_state = State::Inactive;

    QStringList m_fields;
    std::vector<QList<QVariant>> m_rows;  // column 0 of a table data set is the rowid
    std::vector<int> m_visible;
    int m_pos = 0;

    QString m_filterText;
    bool m_filtered = false;
    int m_filterColumn = -1;
    qint64 m_filterValue = 0;
    bool m_filterValid = false;

    QList<QVariant> m_buffer;  // the row being inserted or edited
    std::vector<bool> m_changed;
};
