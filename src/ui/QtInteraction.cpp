#include "ui/QtInteraction.h"

#include "ui/reports/TReportVorschau.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace {

QWidget* parentWindow() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

QString caption(UserInteraction::Answer a) {
    switch (a) {
    case UserInteraction::Answer::Ok: return QStringLiteral("OK");
    case UserInteraction::Answer::Cancel: return QStringLiteral("Abbrechen");
    case UserInteraction::Answer::Yes: return QStringLiteral("&Ja");
    case UserInteraction::Answer::No: return QStringLiteral("&Nein");
    }
    return {};
}

QMessageBox::ButtonRole role(UserInteraction::Answer a) {
    switch (a) {
    case UserInteraction::Answer::Ok:
    case UserInteraction::Answer::Yes: return QMessageBox::AcceptRole;
    case UserInteraction::Answer::No: return QMessageBox::NoRole;
    case UserInteraction::Answer::Cancel: return QMessageBox::RejectRole;
    }
    return QMessageBox::RejectRole;
}

// A question counts as yes only for the button pressed; closing the box is the way out that
// Escape takes: Cancel where offered, otherwise No.
UserInteraction::Answer ask(QMessageBox::Icon icon, const QString& title, const QString& text,
                            const QList<UserInteraction::Answer>& buttons, bool defaultToSafe) {
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parentWindow());
    QList<QPair<QPushButton*, UserInteraction::Answer>> map;
    QPushButton* escape = nullptr;
    QPushButton* safe = nullptr;
    for (UserInteraction::Answer a : buttons) {
        QPushButton* b = box.addButton(caption(a), role(a));
        map.append({b, a});
        if (a == UserInteraction::Answer::Cancel || (!escape && a == UserInteraction::Answer::No))
            escape = b;
        if (!safe && (a == UserInteraction::Answer::No || a == UserInteraction::Answer::Cancel))
            safe = b;
    }
    if (!map.isEmpty())
        box.setDefaultButton(defaultToSafe && safe ? safe : map.first().first);
    if (escape)
        box.setEscapeButton(escape);
    box.exec();
    for (const auto& [button, answer] : map)
        if (box.clickedButton() == button)
            return answer;
    // Closed without a button: that is no yes.
    return UserInteraction::Answer::Cancel;
}

} // namespace

void QtInteraction::information(const QString& text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Kassol"), text, QMessageBox::Ok, parentWindow());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

UserInteraction::Answer QtInteraction::confirmation(const QString& text, const QList<Answer>& buttons) {
    return ask(QMessageBox::Question, QStringLiteral("Bestätigen"), text, buttons, false);
}

UserInteraction::Answer QtInteraction::warning(const QString& text, const QList<Answer>& buttons) {
    // A warning guards something that cannot be undone: Enter must not say yes to it.
    return ask(QMessageBox::Warning, QStringLiteral("Warnung"), text, buttons, true);
}

bool QtInteraction::inputBox(const QString& caption, const QString& prompt, QString& value) {
    QInputDialog dialog(parentWindow());
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(value);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Abbrechen"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.textValue();
    return true;
}

QString QtInteraction::saveFileName(const QString& caption, const QString& proposal, const QString& filter) {
    return QFileDialog::getSaveFileName(parentWindow(), caption, proposal, filter);
}

void QtInteraction::openFile(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

int QtInteraction::execDialog(QDialog& dialog) {
    return dialog.exec();
}

void QtInteraction::showWindow(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

void QtInteraction::error(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Kassol"), text, QMessageBox::Ok, parentWindow());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

void QtInteraction::vorschau(const ReportEngine::PreparedReport& report) {
    TReportVorschau preview(report, *this, parentWindow());
    preview.setWindowState(Qt::WindowMaximized);
    preview.exec();
}
