#pragma once

#include "app/UserInteraction.h"

class QDialog;
class QWidget;

namespace ReportEngine {
struct PreparedReport;
}

// The desktop program's side of the one interface for talking to the user: besides the boxes it
// shows dialogs, so that tests can answer a dialog the way they answer a question.
class WidgetInteraction : public UserInteraction {
public:
    // Shows the dialog modally and returns its result (1 for OK, 2 or 0 for Cancel).
    virtual int execDialog(QDialog& dialog) = 0;
    // Shows a window beside the others without blocking.
    virtual void showWindow(QWidget& window) = 0;
    // Shows a failure's message; the program goes on.
    virtual void error(const QString& text) = 0;
    // Shows a prepared report in the modal preview, from which the user pages, zooms, prints and
    // saves it as PDF; returns when the preview is closed.
    virtual void vorschau(const ReportEngine::PreparedReport& report) = 0;
};
