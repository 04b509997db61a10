#pragma once

#include "support/ScriptedWidgetInteraction.h"
#include "support/TestSupport.h"
#include "ui/Anwendung.h"
#include "ui/TForm_Kassol.h"

#include <QDialog>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// Books of one client "Muster GmbH" (number 7, fiscal year 2024 with id 1, circles "Waren" (1)
// and "Büro" (2), master data with a name), a desktop folder of its own, the scripted user, and
// the main window once started.
class DesktopBooks {
public:
    static constexpr int Mandant = 7;

    explicit DesktopBooks(bool mitMandant = true);
    ~DesktopBooks();

    // Creates and shows the main window and waits until its start-up has run.
    TForm_Kassol& start();
    TDM_EinAus& dm() { return *books.dm; }
    QString iniValue(const QString& section, const QString& key);
    int countBookings() { return books.count(QStringLiteral("T_Buchungen")); }

    template <class T>
    T* control(const QString& name) {
        T* c = window->findChild<T*>(name);
        EXPECT_NE(nullptr, c) << name.toStdString();
        return c;
    }

    QTemporaryDir desktop;
    TestBooks books;
    ScriptedWidgetInteraction ui;
    Anwendung app;
    std::unique_ptr<TForm_Kassol> window;
    bool ended = false;
};

// A control of a dialog by objectName; fails the test when it is missing.
template <class T>
T* in(QWidget& parent, const char* name) {
    T* c = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(nullptr, c) << name;
    return c;
}

// Types into the voucher dialog: amount, rate and circle (by name), and optionally a text.
void fillVoucher(QDialog& d, const QString& betrag, const QString& satz, const QString& kreis, const QString& text = {});
