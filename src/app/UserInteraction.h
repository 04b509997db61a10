#pragma once

#include "app/KassolError.h"

#include <QString>
#include <QStringList>

// Every question and message the program puts to the user passes through here, so that the
// desktop program answers with real boxes and tests and the command line with scripted answers.
class UserInteraction {
public:
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~UserInteraction() = default;
    // Information box with an OK button, titled with the application title.
    virtual void information(const QString& text) = 0;
    // Confirmation box ("Bestätigen", question symbol) offering the given buttons.
    virtual Answer confirmation(const QString& text, const QList<Answer>& buttons) = 0;
    // Warning box ("Warnung") offering the given buttons.
    virtual Answer warning(const QString& text, const QList<Answer>& buttons) = 0;
    // Input box; returns false when cancelled. value holds the proposal and receives the entry.
    virtual bool inputBox(const QString& caption, const QString& prompt, QString& value) = 0;
    // Save-file dialog; returns the chosen path or empty text when cancelled.
    virtual QString saveFileName(const QString& caption, const QString& proposal, const QString& filter) = 0;
    // Opens a file with the program associated with its type.
    virtual void openFile(const QString& path) = 0;
};

// Raised by a non-interactive answerer when a question has no answer: the operation stops.
class InteractionAborted : public KassolError {
public:
    using KassolError::KassolError;
};
