#include "store/RowReader.h"

#include "store/Database.h"
#include "store/DbError.h"

#include <sqlite3.h>

RowReader::RowReader(Database& db, const QString& sql, const SqlParams& params, const QString& context)
    : m_sql(sql), m_context(context) {
    sqlite3* handle = db.handle();
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(handle, utf8.constData(), static_cast<int>(utf8.size()), &m_stmt, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(handle)), sql, context, sqlite3_extended_errcode(handle));
    const int count = sqlite3_bind_parameter_count(m_stmt);
    for (int i = 1; i <= count; ++i) {
        const QString name = QString::fromUtf8(sqlite3_bind_parameter_name(m_stmt, i));
        for (const auto& [key, value] : params) {
            const QString k = key.startsWith(QLatin1Char(':')) ? key : QLatin1Char(':') + key;
            if (k.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (value.isNull()) {
                sqlite3_bind_null(m_stmt, i);
            } else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong) {
                sqlite3_bind_int64(m_stmt, i, value.toLongLong());
            } else if (value.typeId() == QMetaType::Double) {
                sqlite3_bind_double(m_stmt, i, value.toDouble());
            } else {
                const QByteArray text = value.toString().toUtf8();
                sqlite3_bind_text(m_stmt, i, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            }
        }
    }
}

RowReader::~RowReader() { sqlite3_finalize(m_stmt); }

bool RowReader::next() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw DbError(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_stmt))), m_sql, m_context,
                  sqlite3_extended_errcode(sqlite3_db_handle(m_stmt)));
}

bool RowReader::isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }
qint64 RowReader::integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
double RowReader::real(int column) const { return sqlite3_column_double(m_stmt, column); }

QString RowReader::text(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return data ? QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column)) : QString();
}
