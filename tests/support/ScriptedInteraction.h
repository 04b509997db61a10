#pragma once

#include "app/UserInteraction.h"

#include <QStringList>
#include <deque>
#include <gtest/gtest.h>

// Answers the program's questions from a script, in order, and records every message. A
// question the script does not expect fails the test and stops the operation. The base is the
// interface answered: the core's, or the desktop program's, which adds dialogs.
template <class Base>
class ScriptedAnswers : public Base {
public:
    using Answer = UserInteraction::Answer;
    struct Step {
        enum Kind { Input, Confirmation, Warning } kind;
        QString expectedCaption; // for input boxes; empty: any
        QString answerText;      // input: the entry
        bool ok = true;          // input: OK or Cancel
        Answer answer = Answer::Ok;
    };

    // An input box confirmed with text (or cancelled when ok is false).
    ScriptedAnswers& input(const QString& text, bool ok = true, const QString& caption = {}) {
        m_steps.push_back({Step::Input, caption, text, ok, Answer::Ok});
        return *this;
    }
    ScriptedAnswers& confirm(Answer answer) {
        m_steps.push_back({Step::Confirmation, {}, {}, true, answer});
        return *this;
    }
    ScriptedAnswers& warn(Answer answer) {
        m_steps.push_back({Step::Warning, {}, {}, true, answer});
        return *this;
    }

    QStringList messages;       // information texts, in order
    QStringList questions;      // confirmation and warning texts, in order
    QStringList inputProposals; // the proposal each input box showed
    QStringList openedFiles;
    QStringList saveDialogs;  // the caption of every save-file dialog shown
    QString nextSaveFileName;

    bool finished() const { return m_steps.empty(); }
    // What the script still expects, for a failure message.
    std::string pending() const {
        std::string s;
        for (const Step& st : m_steps)
            s += st.kind == Step::Input ? "input " : st.kind == Step::Confirmation ? "confirmation " : "warning ";
        return s;
    }

    void information(const QString& text) override { messages << text; }
    Answer confirmation(const QString& text, const QList<Answer>&) override { return question(Step::Confirmation, text); }
    Answer warning(const QString& text, const QList<Answer>&) override { return question(Step::Warning, text); }
    bool inputBox(const QString& caption, const QString& prompt, QString& value) override {
        inputProposals << value;
        if (m_steps.empty() || m_steps.front().kind != Step::Input) {
            ADD_FAILURE() << "unexpected input box: " << caption.toStdString() << " / " << prompt.toStdString();
            throw InteractionAborted(caption);
        }
        Step s = m_steps.front();
        m_steps.pop_front();
        if (!s.expectedCaption.isEmpty()) {
            EXPECT_EQ(s.expectedCaption.toStdString(), caption.toStdString());
        }
        if (s.ok)
            value = s.answerText;
        return s.ok;
    }
    QString saveFileName(const QString& caption, const QString&, const QString&) override {
        saveDialogs << caption;
        return nextSaveFileName;
    }
    void openFile(const QString& path) override { openedFiles << path; }

protected:
    Answer question(typename Step::Kind kind, const QString& text) {
        questions << text;
        if (m_steps.empty() || m_steps.front().kind != kind) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            throw InteractionAborted(text);
        }
        const Answer a = m_steps.front().answer;
        m_steps.pop_front();
        return a;
    }

    std::deque<Step> m_steps;
};

using ScriptedInteraction = ScriptedAnswers<UserInteraction>;
