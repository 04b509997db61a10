#pragma once

#include "ui/WidgetInteraction.h"

// Real boxes and dialogs, with German button captions.
class QtInteraction final : public WidgetInteraction {
public:
    void information(const QString& text) override;
    Answer confirmation(const QString& text, const QList<Answer>& buttons) override;
    Answer warning(const QString& text, const QList<Answer>& buttons) override;
    bool inputBox(const QString& caption, const QString& prompt, QString& value) override;
    QString saveFileName(const QString& caption, const QString& proposal, const QString& filter) override;
    void openFile(const QString& path) override;
    int execDialog(QDialog& dialog) override;
    void showWindow(QWidget& window) override;
    void error(const QString& text) override;
    void vorschau(const ReportEngine::PreparedReport& report) override;
};
