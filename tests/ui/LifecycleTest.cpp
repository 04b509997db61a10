#include "ui/DesktopFixture.h"

#include "app/IniFile.h"
#include "store/DM_KS.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

using Answer = UserInteraction::Answer;

void closeStammdaten(QDialog& d) {
    in<QPushButton>(d, "BitBtn2")->click();
}

} // namespace

TEST(Lifecycle, FirstStartAsksForClientAndYearAndPutsTheIconOnTheDesktop) {
    DesktopBooks b(false);
    b.ui.input(QString(), true, QStringLiteral("Neuer Mandant"))
        .input(QStringLiteral("Erster Betrieb"), true, QStringLiteral("Neuer Mandant"))
        .input(QStringLiteral("26"), true, QStringLiteral("Neues Wirtschaftsjahr"))
        .input(QStringLiteral("2025"), true, QStringLiteral("Neues Wirtschaftsjahr"));
    b.ui.dialog("TStammdaten", [](QDialog& d) {
        EXPECT_EQ("Erster Betrieb", in<QLabel>(d, "LabelMandant")->text().toStdString());
        in<QLineEdit>(d, "DBEdit1")->setText(QStringLiteral("Erster Betrieb KG"));
        in<QPushButton>(d, "BitBtn1")->click();
    });
    b.start();
    EXPECT_TRUE(b.ui.finished());
    EXPECT_EQ((QStringList{QStringLiteral("Mandant 1"), QStringLiteral("Mandant 1"), QStringLiteral("2024"), QStringLiteral("26")}),
              b.ui.inputProposals);
    EXPECT_EQ((QStringList{QStringLiteral("Geben sie bitte eine Mandantenbezeichnung an."),
                           QStringLiteral("Geben sie das Jahr bitte 4-stellig an!"),
                           QStringLiteral("Sie müssen noch die Stammdaten eintragen")}),
              b.ui.messages);
    EXPECT_EQ("Erster Betrieb", b.control<QLabel>(QStringLiteral("LabelMandant"))->text().toStdString());
    EXPECT_EQ("2025", b.control<QLabel>(QStringLiteral("LabelJahr"))->text().toStdString());
    EXPECT_EQ(1, b.books.count(QStringLiteral("T_Mandant"), QStringLiteral("aktiv = 1")));
    EXPECT_EQ(1, b.books.count(QStringLiteral("T_Stammdaten"), QStringLiteral("GanzerName = 'Erster Betrieb KG'")));

    const QFileInfo icon(b.desktop.filePath(QStringLiteral("Kassol.desktop")));
    EXPECT_TRUE(icon.exists());
    EXPECT_TRUE(icon.isExecutable());
    EXPECT_EQ("true", b.iniValue(QStringLiteral("Einstellungen"), QStringLiteral("DesktopIcon")).toStdString());
}

TEST(Lifecycle, CancelOnAFirstStartPromptEndsWithoutWritingAnything) {
    for (const bool atYear : {false, true}) {
        DesktopBooks b(false);
        if (atYear)
            b.ui.input(QStringLiteral("Betrieb")).input(QString(), false);
        else
            b.ui.input(QString(), false);
        b.start();
        EXPECT_TRUE(b.ended) << atYear;
        EXPECT_TRUE(b.ui.finished());
        EXPECT_FALSE(b.window->FAnwendungIstInitiiert());
        EXPECT_EQ(0, b.books.count(QStringLiteral("T_Mandant")));
        EXPECT_EQ(0, b.books.count(QStringLiteral("T_Zeitraum")));
        EXPECT_TRUE(b.ui.dialogsShown.isEmpty()) << "no backup dialog when nothing was kept";
    }
}

TEST(Lifecycle, TheMasterDataReminderComesOncePerRunAndClient) {
    DesktopBooks b;
    b.books.db().exec(QStringLiteral("UPDATE T_Stammdaten SET GanzerName = NULL"));
    b.ui.dialog("TStammdaten", closeStammdaten);
    b.start();
    EXPECT_EQ(1, b.ui.messages.count(QStringLiteral("Sie müssen noch die Stammdaten eintragen")));
    // Coming back to the window does not bring it again.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(b.window.get(), &activate);
    QApplication::processEvents();
    EXPECT_EQ(1, b.ui.messages.count(QStringLiteral("Sie müssen noch die Stammdaten eintragen")));

    // Another client made active (here by another program) is reminded once as well.
    b.books.addClient(8, QStringLiteral("Zweiter"), false, 2024, 2);
    b.dm().setzeAktiverMandant(8);
    b.ui.dialog("TStammdaten", closeStammdaten);
    QApplication::sendEvent(b.window.get(), &activate);
    QApplication::processEvents();
    EXPECT_EQ(2, b.ui.messages.count(QStringLiteral("Sie müssen noch die Stammdaten eintragen")));
    EXPECT_EQ("Zweiter", b.control<QLabel>(QStringLiteral("LabelMandant"))->text().toStdString());
    EXPECT_TRUE(b.ui.allDialogsShown());
}

TEST(Lifecycle, TheDesktopIconIsMadeOnlyWhenTheSettingSaysExactlyFalse) {
    DesktopBooks b;
    ASSERT_TRUE(b.books.helper.GetIniInstance()->writeString(QStringLiteral("Einstellungen"), QStringLiteral("DesktopIcon"),
                                                             QStringLiteral("False")));
    b.start();
    const QString icon = b.desktop.filePath(QStringLiteral("Kassol.desktop"));
    EXPECT_FALSE(QFileInfo::exists(icon));
    b.ui.confirm(Answer::Cancel);
    b.window->Iconerstellen1Click();
    EXPECT_FALSE(QFileInfo::exists(icon));
    b.ui.confirm(Answer::Ok);
    b.window->Iconerstellen1Click();
    EXPECT_TRUE(QFileInfo::exists(icon));
    EXPECT_EQ("Wollen sie einen Icon auf dem Desktop erstellen", b.ui.questions.value(0).toStdString());
}

TEST(Lifecycle, EveryCloseGoesThroughTheBackupDialog) {
    QTemporaryDir ziel;
    for (const bool sichern : {false, true}) {
        DesktopBooks b;
        ASSERT_TRUE(b.books.helper.GetIniInstance()->writeString(QStringLiteral("Datensicherung"), QStringLiteral("Ziel"),
                                                                 ziel.path() + QLatin1Char('/')));
        b.start();
        b.ui.dialog("TForm_Datensicherung", [&](QDialog& d) {
            EXPECT_EQ("Kassol :: Datensicherung", d.windowTitle().toStdString());
            EXPECT_FALSE(b.dm().isConnected()) << "the database is closed before the backup";
            if (sichern)
                in<QPushButton>(d, "BitBtn1")->click();
            else
                QTest::keyClick(&d, Qt::Key_Escape);
        });
        b.window->close();
        EXPECT_TRUE(b.ended);
        EXPECT_FALSE(b.window->isVisible());
        EXPECT_EQ(sichern, QFileInfo::exists(ziel.filePath(QStringLiteral("Kassol.zip"))));
        if (sichern) {
            ASSERT_EQ(1, b.ui.messages.size());
            EXPECT_TRUE(b.ui.messages[0].startsWith(QStringLiteral("Die Datensicherung war erfolgreich.")));
        }
    }
}

TEST(Lifecycle, TheCopyModeIsRememberedAtOnceAndAFailedBackupKeepsTheDialogOpen) {
    DesktopBooks b;
    ASSERT_TRUE(b.books.helper.GetIniInstance()->writeString(QStringLiteral("Datensicherung"), QStringLiteral("Ziel"),
                                                             b.desktop.filePath(QStringLiteral("fehlt/"))));
    b.start();
    b.ui.dialog("TForm_Datensicherung", [&](QDialog& d) {
        in<QCheckBox>(d, "CheckBox1")->click();
        EXPECT_EQ("1", b.iniValue(QStringLiteral("Datensicherung"), QStringLiteral("nichtzippen")).toStdString());
        in<QPushButton>(d, "BitBtn1")->click();
        EXPECT_TRUE(d.isVisible()) << "a failed backup keeps the dialog open";
        EXPECT_TRUE(b.ui.messages.value(0).startsWith(QStringLiteral("Die Datensicherung war nicht erfolgreich.")));
        in<QPushButton>(d, "BitBtn2")->click();
    });
    b.window->close();
    EXPECT_TRUE(b.ended);
}
