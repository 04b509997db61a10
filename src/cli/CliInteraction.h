#pragma once

#include "app/UserInteraction.h"

#include <QStringList>

// The command line cannot ask: input boxes take prepared answers in order, and a question
// without an answer stops the operation with the last message shown, or with the question.
class CliInteraction final : public UserInteraction {
public:
    void setAnswers(const QStringList& answers) { m_answers = answers; }

    void information(const QString& text) override { m_lastMessage = text; }
    Answer confirmation(const QString& text, const QList<Answer>&) override { throw InteractionAborted(text); }
    Answer warning(const QString& text, const QList<Answer>&) override { throw InteractionAborted(text); }
    bool inputBox(const QString& caption, const QString& prompt, QString& value) override {
        if (m_answers.isEmpty())
            throw InteractionAborted(m_lastMessage.isEmpty() ? QStringLiteral("%1: %2 fehlt.").arg(caption, prompt)
                                                             : m_lastMessage);
        value = m_answers.takeFirst();
        return true;
    }
    QString saveFileName(const QString&, const QString&, const QString&) override { return QString(); }
    void openFile(const QString&) override {}

private:
    QStringList m_answers;
    QString m_lastMessage;
};
