#pragma once

#include "app/KassolError.h"

#include <QString>

// Every failed statement raises this: SQLite's message, the statement and what was being done.
class DbError : public KassolError {
public:
    DbError(const QString& engineMessage, const QString& statement, const QString& context)
        : KassolError(compose(engineMessage, statement, context)), m_engineMessage(engineMessage),
          m_statement(statement), m_context(context) {}

    const QString& engineMessage() const { return m_engineMessage; }
    const QString& statement() const { return m_statement; }
    const QString& context() const { return m_context; }

private:
    static QString compose(const QString& engineMessage, const QString& statement, const QString& context) {
        QString text = context.isEmpty() ? QStringLiteral("Datenbankfehler") : context;
        text += QStringLiteral(": ") + engineMessage;
        if (!statement.isEmpty())
            text += QStringLiteral("\n\nAnweisung: ") + statement.simplified();
        return text;
    }

    QString m_engineMessage;
    QString m_statement;
    QString m_context;
};
