#pragma once

#include "reports/engine/PreparedReport.h"
#include "support/ScriptedInteraction.h"
#include "ui/WidgetInteraction.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>
#include <functional>
#include <vector>

// The scripted answers of the desktop program: besides the questions, each dialog the program
// shows is handed, already visible, to the next handler queued for its objectName, which plays
// the user and must close it. A dialog nobody expects fails the test.
class ScriptedWidgetInteraction final : public ScriptedAnswers<WidgetInteraction> {
public:
    using Handler = std::function<void(QDialog&)>;

    ScriptedWidgetInteraction& dialog(const QString& objectName, Handler handler) {
        m_dialogs.push_back({objectName, std::move(handler)});
        return *this;
    }

    QStringList errors;        // failures shown to the user
    QStringList shownWindows;  // windows shown beside the others
    QStringList dialogsShown;  // every dialog shown, in order
    std::vector<ReportEngine::PreparedReport> previews;  // every report shown in the preview

    bool allDialogsShown() const { return m_dialogs.empty(); }

    int execDialog(QDialog& d) override {
        dialogsShown << d.objectName();
        if (m_dialogs.empty() || m_dialogs.front().first != d.objectName()) {
            ADD_FAILURE() << "unexpected dialog: " << d.objectName().toStdString();
            throw InteractionAborted(d.objectName());
        }
        Handler handler = std::move(m_dialogs.front().second);
        m_dialogs.pop_front();
        d.setResult(0);
        d.show();
        // The offscreen platform activates windows only when asked; a real modal dialog is active.
        QApplication::setActiveWindow(&d);
        handler(d);
        if (d.isVisible()) {
            ADD_FAILURE() << "the handler left the dialog open: " << d.objectName().toStdString();
            d.reject();
        }
        return d.result();
    }
    void showWindow(QWidget& w) override {
        shownWindows << w.objectName();
        w.show();
    }
    void error(const QString& text) override { errors << text; }
    void vorschau(const ReportEngine::PreparedReport& report) override { previews.push_back(report); }

private:
    std::deque<std::pair<QString, Handler>> m_dialogs;
};
