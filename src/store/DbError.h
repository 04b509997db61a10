#pragma once

#include "app/KassolError.h"

#include <QString>

// Every failed statement raises this. The message for the user says in German what happened and
// what to do; SQLite's own message, its result code and the statement stay available for a log
// or a verbose output, but never reach the message.
class DbError : public KassolError {
public:
    // What the user can do about a failure decides how it is told.
    enum class Art {
        Belegt,             // another connection holds the lock longer than we wait
        Schreibgeschuetzt,  // the file, its folder or the medium cannot be written
        Voll,               // the disk (or the file's size limit) is full
        Beschaedigt,        // the file is damaged or no database at all
        TabelleFehlt,       // a table or column Kassol needs is missing
        NichtZuOeffnen,     // the file cannot be opened or created
        Datentraeger,       // the operating system reported a read or write error
        Regel,              // a value breaks a rule of the schema
        Ueberlauf,          // a sum of amounts beyond the 64-bit range
        Sonstiges,
    };

    // engineCode is SQLite's (primary or extended) result code, or -1 when it is not known; the
    // kind is then read from the engine's message.
    DbError(const QString& engineMessage, const QString& statement, const QString& context, int engineCode = -1)
        : KassolError(userMessage(classify(engineCode, engineMessage), context)), m_engineMessage(engineMessage),
          m_statement(statement), m_context(context), m_engineCode(engineCode),
          m_art(classify(engineCode, engineMessage)) {}

    const QString& engineMessage() const { return m_engineMessage; }
    const QString& statement() const { return m_statement; }
    const QString& context() const { return m_context; }
    int engineCode() const { return m_engineCode; }
    Art art() const { return m_art; }

    // The technical account: what was being done, SQLite's message and code, the statement.
    QString details() const;

    static Art classify(int engineCode, const QString& engineMessage);
    // The German text for the user: what happened and what to do, and the step that failed.
    static QString userMessage(Art art, const QString& context);

private:
    QString m_engineMessage;
    QString m_statement;
    QString m_context;
    int m_engineCode;
    Art m_art;
};
