#include "admin/TFormBuchungsKreisAuswahl.h"
#include "admin/TStammdaten.h"
#include "app/IniFile.h"
#include "booking/TFormBelegeingabe.h"
#include "reports/ReportContext.h"
#include "store/DM_KS.h"
#include "ui/ClickableLabel.h"
#include "ui/DesktopFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {

using Answer = UserInteraction::Answer;

QStringList rows(QListWidget* list) {
    QStringList r;
    for (int i = 0; i < list->count(); ++i)
        r << list->item(i)->text();
    return r;
}

QStringList gridRows(QTableWidget* grid) {
    QStringList r;
    for (int i = 0; i < grid->rowCount(); ++i)
        r << grid->item(i, 0)->text() + QLatin1Char('/') + grid->item(i, 1)->text();
    return r;
}

QString marked(QListWidget* list) {
    const auto sel = list->selectedItems();
    return sel.isEmpty() ? QString() : sel.first()->text();
}

void mark(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(1, found.size()) << text.toStdString();
    list->setCurrentItem(found.first());
}

void doubleClick(QListWidget* list, const QString& text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(1, found.size()) << text.toStdString();
    // A real double-click presses first; the list takes the second click only on the pressed row.
    const QPoint at = list->visualItemRect(found.first()).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

void click(QDialog& d, const char* name) {
    in<QPushButton>(d, name)->click();
}

void cancelStammdaten(QDialog& d) {
    click(d, "BitBtn2");
}

QString header(DesktopBooks& b, const char* name) {
    return b.control<QLabel>(QString::fromLatin1(name))->text();
}

// Lets the main window carry out the refresh the change notifier scheduled.
void settle() {
    QTest::qWait(20);
}

} // namespace

TEST(ClientsDialog, NewClientChosenAndClosedIsAskedForAYearAndShownInTheHeader) {
    DesktopBooks b;
    b.start();
    b.ui.input(QStringLiteral("B"), true, QStringLiteral("Neuer Mandant"))
        .input(QStringLiteral("abc"), true, QStringLiteral("Neues Wirtschaftsjahr"))
        .input(QStringLiteral("12"), true, QStringLiteral("Neues Wirtschaftsjahr"))  // refused by the books, asked again
        .input(QStringLiteral("2024"), true, QStringLiteral("Neues Wirtschaftsjahr"));
    b.ui.dialog("TMandantenauswahl", [](QDialog& d) {
        EXPECT_EQ("Mandanten", d.windowTitle().toStdString());
        EXPECT_EQ("Muster GmbH", in<QLabel>(d, "Label_Mandant")->text().toStdString());
        auto* list = in<QListWidget>(d, "DBLookupListBox1");
        EXPECT_EQ("Muster GmbH", marked(list).toStdString());
        click(d, "Mandant_Neu");
        EXPECT_EQ((QStringList{QStringLiteral("B"), QStringLiteral("Muster GmbH")}), rows(list));
        EXPECT_EQ("Muster GmbH", in<QLabel>(d, "Label_Mandant")->text().toStdString())
            << "a new client is not active";
        doubleClick(list, QStringLiteral("B"));
        EXPECT_EQ("B", in<QLabel>(d, "Label_Mandant")->text().toStdString());
        EXPECT_TRUE(d.isVisible()) << "choosing does not close";
        click(d, "Schliessen");
    });
    b.ui.dialog("TStammdaten", cancelStammdaten); // the new client has no master data yet
    b.control<ClickableLabel>(QStringLiteral("LabelMandant"))->clicked();
    settle();

    EXPECT_TRUE(b.ui.finished()) << b.ui.pending();
    EXPECT_TRUE(b.ui.allDialogsShown());
    EXPECT_EQ((QStringList{QStringLiteral("Bezeichnung des neuen Mandanten"), QStringLiteral("2024"),
                           QStringLiteral("abc"), QStringLiteral("12")}),
              b.ui.inputProposals);
    ASSERT_EQ(1, b.ui.errors.size());
    EXPECT_TRUE(b.ui.errors[0].startsWith(QStringLiteral("Das Jahr 12 "))) << b.ui.errors[0].toStdString();
    EXPECT_EQ((QStringList{QStringLiteral("Geben sie das Jahr bitte 4-stellig an!"),
                           QStringLiteral("Sie müssen noch die Stammdaten eintragen")}),
              b.ui.messages);
    EXPECT_EQ("B", header(b, "LabelMandant").toStdString());
    EXPECT_EQ("2024", header(b, "LabelJahr").toStdString());
    EXPECT_EQ(1,
              b.books.count(QStringLiteral("T_Stammdaten"),
                            QStringLiteral("mandant = (SELECT id FROM T_Mandant WHERE Bezeichnung = 'B')")));
}

TEST(ClientsDialog, TheYearQuestionCanBeCancelledAndAClientWithAYearIsNotAsked) {
    DesktopBooks b;
    b.books.addClient(8, QStringLiteral("Ohne Jahr"), false, 0, 0);
    b.start();
    b.ui.input(QString(), false, QStringLiteral("Neues Wirtschaftsjahr"));
    b.ui.dialog("TMandantenauswahl", [](QDialog& d) {
        doubleClick(in<QListWidget>(d, "DBLookupListBox1"), QStringLiteral("Ohne Jahr"));
        d.close(); // the close box runs the same follow-up
    });
    b.ui.dialog("TStammdaten", cancelStammdaten);
    b.window->Mandanten1Click();
    settle();
    EXPECT_TRUE(b.ui.finished()) << b.ui.pending();
    EXPECT_TRUE(b.ui.allDialogsShown());
    EXPECT_EQ("Ohne Jahr", header(b, "LabelMandant").toStdString());
    EXPECT_EQ("(kein Wirtschaftsjahr)", header(b, "LabelJahr").toStdString());
    EXPECT_EQ(0, b.books.count(QStringLiteral("T_Zeitraum"), QStringLiteral("mandant = 8")));

    // Back to the client with a year: nothing is asked.
    b.ui.dialog("TMandantenauswahl", [](QDialog& d) {
        doubleClick(in<QListWidget>(d, "DBLookupListBox1"), QStringLiteral("Muster GmbH"));
        click(d, "Schliessen");
    });
    b.window->Mandanten1Click();
    settle();
    EXPECT_TRUE(b.ui.allDialogsShown());
    EXPECT_EQ("Muster GmbH", header(b, "LabelMandant").toStdString());
    EXPECT_EQ("2024", header(b, "LabelJahr").toStdString());
}

TEST(ClientsDialog, RefusesTakenNamesAndDeletingTheActiveClient) {
    DesktopBooks b;
    b.start();
    b.ui.input(QStringLiteral("Muster GmbH"))  // new, name taken
        .input(QString())                      // new, empty: nothing
        .input(QStringLiteral("x"), false)     // new, cancelled
        .input(QStringLiteral("Muster GmbH")); // rename to its own name
    b.ui.dialog("TMandantenauswahl", [&](QDialog& d) {
        click(d, "Mandant_Neu");
        click(d, "Mandant_Neu");
        click(d, "Mandant_Neu");
        click(d, "Mandant_Bearbeiten");
        click(d, "BitBtn1"); // the active client is highlighted
        click(d, "Schliessen");
    });
    b.window->Mandanten1Click();
    EXPECT_TRUE(b.ui.finished()) << b.ui.pending();
    EXPECT_EQ((QStringList{QStringLiteral("Bezeichnung des neuen Mandanten"),
                           QStringLiteral("Bezeichnung des neuen Mandanten"),
                           QStringLiteral("Bezeichnung des neuen Mandanten"), QStringLiteral("Muster GmbH")}),
              b.ui.inputProposals);
    EXPECT_EQ((QStringList{QStringLiteral("Es gibt bereits einen Mandanten mit dieser Bezeichnung!"),
                           QStringLiteral("Es gibt bereits einen Mandanten mit dieser Bezeichnung!")}),
              b.ui.errors);
    EXPECT_EQ(
        (QStringList{QStringLiteral(
            "Der aktive Mandant kann nicht gelöscht werden. \rBitte zuerst mit Doppelklick den Mandanten "
            "wechseln. \rDanach den zu löschenden Mandanten markieren.")}),
        b.ui.messages);
    EXPECT_TRUE(b.ui.questions.isEmpty());
    EXPECT_EQ(1, b.books.count(QStringLiteral("T_Mandant")));
}

TEST(ClientsDialog, RenamesTheMarkedClient) {
    DesktopBooks b;
    b.books.addClient(8, QStringLiteral("Alt"), false, 2024, 2);
    b.start();
    b.ui.input(QStringLiteral("Neu"), true, QStringLiteral("Mandant umbenennen"));
    b.ui.dialog("TMandantenauswahl", [&](QDialog& d) {
        auto* list = in<QListWidget>(d, "DBLookupListBox1");
        mark(list, QStringLiteral("Alt"));
        click(d, "Mandant_Bearbeiten");
        EXPECT_EQ((QStringList{QStringLiteral("Muster GmbH"), QStringLiteral("Neu")}), rows(list));
        click(d, "Schliessen");
    });
    b.window->Mandanten1Click();
    EXPECT_EQ(QStringList{QStringLiteral("Alt")}, b.ui.inputProposals);
    EXPECT_EQ(1, b.books.count(QStringLiteral("T_Mandant"),
                               QStringLiteral("id = 8 AND Bezeichnung = 'Neu' AND aktiv = 0")));
}

TEST(ClientsDialog, DeletesAnotherClientAfterTwoYesesWithItsIniSection) {
    DesktopBooks b;
    b.books.addClient(8, QStringLiteral("Alt"), false, 2024, 2);
    auto ini = b.books.helper.GetIniInstance();
    ASSERT_TRUE(ini->writeInteger(QStringLiteral("Buchen Mandant 8"), QStringLiteral("Buchungskreis"), 3));
    ASSERT_TRUE(ini->writeInteger(QStringLiteral("Buchen Mandant 7"), QStringLiteral("Buchungskreis"), 1));
    b.start();
    b.ui.warn(Answer::Yes)
        .warn(Answer::No) // second question refused: nothing
        .warn(Answer::Yes)
        .warn(Answer::Yes);
    b.ui.dialog("TMandantenauswahl", [&](QDialog& d) {
        auto* list = in<QListWidget>(d, "DBLookupListBox1");
        mark(list, QStringLiteral("Alt"));
        click(d, "BitBtn1");
        EXPECT_EQ(2, list->count());
        click(d, "BitBtn1");
        EXPECT_EQ(QStringList{QStringLiteral("Muster GmbH")}, rows(list));
        click(d, "Schliessen");
    });
    b.window->Mandanten1Click();
    EXPECT_TRUE(b.ui.finished()) << b.ui.pending();
    const QString first = QStringLiteral("Soll der Mandant: \r\rAlt\r\rwirklich gelöscht werden?");
    const QString second = QStringLiteral(
        "Soll der Mandant: \r\rAlt\r\rwirklich endgültig gelöscht werden?\rEs gibt kein Rückgängig!!!");
    EXPECT_EQ((QStringList{first, second, first, second}), b.ui.questions);
    EXPECT_EQ(QStringList{QStringLiteral("Der Mandant: \rAlt\rwurde vollständig gelöscht!?")}, b.ui.messages);
    EXPECT_EQ(0, b.books.count(QStringLiteral("T_Mandant"), QStringLiteral("id = 8")));
    EXPECT_EQ("<fehlt>",
              b.iniValue(QStringLiteral("Buchen Mandant 8"), QStringLiteral("Buchungskreis")).toStdString());
    EXPECT_EQ("1",
              b.iniValue(QStringLiteral("Buchen Mandant 7"), QStringLiteral("Buchungskreis")).toStdString());
}

TEST(ClientsDialog, AFailedDeletionShowsTheErrorAndKeepsTheIniSection) {
    DesktopBooks b;
    b.books.addClient(8, QStringLiteral("Alt"), false, 2024, 2);
    ASSERT_TRUE(b.books.helper.GetIniInstance()->writeInteger(QStringLiteral("Buchen Mandant 8"),
                                                              QStringLiteral("Buchungskreis"), 3));
    b.books.db().exec(QStringLiteral(
        "CREATE TRIGGER gesperrt BEFORE DELETE ON T_Mandant BEGIN SELECT RAISE(ABORT, 'gesperrt'); END"));
    b.start();
    b.ui.warn(Answer::Yes).warn(Answer::Yes);
    b.ui.dialog("TMandantenauswahl", [&](QDialog& d) {
        mark(in<QListWidget>(d, "DBLookupListBox1"), QStringLiteral("Alt"));
        click(d, "BitBtn1");
        click(d, "Schliessen");
    });
    b.window->Mandanten1Click();
    ASSERT_EQ(1, b.ui.errors.size());
    EXPECT_TRUE(b.ui.errors[0].contains(QStringLiteral("(Vorgang: Mandant löschen)"))) << b.ui.errors[0].toStdString();
    EXPECT_TRUE(b.ui.messages.isEmpty());
    EXPECT_EQ(1, b.books.count(QStringLiteral("T_Mandant"), QStringLiteral("id = 8")));
    EXPECT_EQ("3",
              b.iniValue(QStringLiteral("Buchen Mandant 8"), QStringLiteral("Buchungskreis")).toStdString());
}

TEST(FiscalYearsDialog, CreatesYearsRefusesBadOnesAndADoubleClickMakesAYearCurrent) {
    DesktopBooks b;
    b.books.addClient(8, QStringLiteral("Andere"), false, 2023, 2); // another client's 2023 does not count
    b.start();
    b.ui.input(QStringLiteral("abc"), true, QStringLiteral("Neues Wirtschaftsjahr"))
        .input(QStringLiteral("2024"))
        .input(QStringLiteral("x"), false)
        .input(QStringLiteral("2023"));
    b.ui.dialog("TFormZeitraum", [](QDialog& d) {
        EXPECT_EQ("Wirtschaftsjahre", d.windowTitle().toStdString());
        EXPECT_EQ("Muster GmbH", in<QLabel>(d, "Label_Mandant")->text().toStdString());
        EXPECT_EQ("2024", in<QLabel>(d, "LabelAktuellesJahr")->text().toStdString());
        auto* list = in<QListWidget>(d, "DBLookupListBox1");
        EXPECT_EQ("2024", marked(list).toStdString());
        for (int i = 0; i < 4; ++i)
            click(d, "NeuesJahr");
        EXPECT_EQ((QStringList{QStringLiteral("2024"), QStringLiteral("2023")}), rows(list));
        EXPECT_EQ("2024", marked(list).toStdString()) << "a new year does not become current";
        EXPECT_EQ("2024", in<QLabel>(d, "LabelAktuellesJahr")->text().toStdString());
        doubleClick(list, QStringLiteral("2023"));
        EXPECT_FALSE(d.isVisible()) << "choosing closes";
    });
    b.control<ClickableLabel>(QStringLiteral("LabelJahr"))->clicked();
    settle();
    EXPECT_TRUE(b.ui.finished()) << b.ui.pending();
    EXPECT_EQ((QStringList{QStringLiteral("Es dürfen nur Zahlen angegeben werden"),
                           QStringLiteral("Das Jahr 2024 existiert bereits")}),
              b.ui.errors);
    EXPECT_EQ(1, b.books.count(QStringLiteral("T_Zeitraum"), QStringLiteral("mandant = 7 AND Jahr = 2023")));
    EXPECT_EQ("2023", header(b, "LabelJahr").toStdString());
}

TEST(FiscalYearsDialog, DeletesOnlyAYearThatIsNotCurrentAfterTwoYeses) {
    DesktopBooks b;
    b.books.db().exec(QStringLiteral("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (7, 5, 2023)"));
    b.start();
    b.ui.warn(Answer::No).warn(Answer::Yes).warn(Answer::Yes);
    b.ui.dialog("TFormZeitraum", [](QDialog& d) {
        auto* list = in<QListWidget>(d, "DBLookupListBox1");
        click(d, "BitBtn1"); // the current year is highlighted
        mark(list, QStringLiteral("2023"));
        click(d, "BitBtn1");
        EXPECT_EQ(2, list->count());
        click(d, "BitBtn1");
        EXPECT_EQ(QStringList{QStringLiteral("2024")}, rows(list));
        click(d, "Schliessen");
    });
    b.window->Wirtschaftsjahre1Click();
    EXPECT_TRUE(b.ui.finished()) << b.ui.pending();
    EXPECT_EQ(
        (QStringList{
            QStringLiteral(
                "Das aktive Wirtschaftsjahr kann nicht gelöscht werden. \rBitte zuerst mit Doppelklick das "
                "Wirtschaftsjahr wechseln. \rDanach das zu löschende Wirtschaftsjahr markieren."),
            QStringLiteral("Das Wirtschaftsjahrwurde vollständig gelöscht!?")}),
        b.ui.messages);
    const QString first = QStringLiteral("Soll das markierte Wirtschaftsjahr \rwirklich gelöscht werden?");
    const QString second = QStringLiteral("Soll das markierte Wirtschaftsjahr \rwirklich endgültig gelöscht "
                                          "werden?\rEs gibt kein Rückgängig!!!");
    EXPECT_EQ((QStringList{first, first, second}), b.ui.questions);
    EXPECT_EQ(0, b.books.count(QStringLiteral("T_Zeitraum"), QStringLiteral("id = 5")));
    EXPECT_EQ(1, b.books.count(QStringLiteral("T_Zeitraum"), QStringLiteral("id = 1")));
}

TEST(CirclesDialog, CreatesChangesAndDeletesCirclesButNotAUsedOne) {
    DesktopBooks b;
    b.books.addBooking(7, 1, 1, QDate(2024, 3, 1), 1, QStringLiteral("10"), 20, 1); // "Waren" is used
    b.start();
    b.ui.dialog("TFormBuchungskreis", [&](QDialog& d) {
        EXPECT_EQ("Buchungskreise", d.windowTitle().toStdString());
        auto* grid = in<QTableWidget>(d, "DBGrid1");
        EXPECT_EQ((QStringList{QStringLiteral("Büro/BU"), QStringLiteral("Waren/WA")}), gridRows(grid));
        b.ui.dialog("TFormBuchungskreisNeu", [](QDialog& e) {
            EXPECT_EQ("Neuer Buchungskreis", e.windowTitle().toStdString());
            EXPECT_EQ("DBEdit1", QApplication::focusWidget()->objectName().toStdString());
            in<QLineEdit>(e, "DBEdit1")->setText(QStringLiteral("Auto"));
            QTest::keyClicks(in<QLineEdit>(e, "DBEdit2"), QStringLiteral("AUT"));
            EXPECT_EQ("AU", in<QLineEdit>(e, "DBEdit2")->text().toStdString()) << "no third character";
            click(e, "BitBtn1");
        });
        click(d, "SchalterNeu");
        EXPECT_EQ(
            (QStringList{QStringLiteral("Auto/AU"), QStringLiteral("Büro/BU"), QStringLiteral("Waren/WA")}),
            gridRows(grid));
        b.ui.dialog("TFormBuchungskreisNeu", [](QDialog& e) {
            in<QLineEdit>(e, "DBEdit1")->setText(QStringLiteral("Verworfen"));
            click(e, "BitBtn2");
        });
        click(d, "SchalterNeu");
        b.ui.dialog("TFormBuchungskreisNeu", [](QDialog& e) {
            in<QLineEdit>(e, "DBEdit1")->setText(QStringLiteral("Verworfen"));
            e.close();
        });
        click(d, "SchalterNeu");
        EXPECT_EQ(3, grid->rowCount());

        grid->selectRow(1); // Büro
        b.ui.dialog("TFormBuchungskreisNeu", [](QDialog& e) {
            EXPECT_EQ("Buchungskreis bearbeiten", e.windowTitle().toStdString());
            EXPECT_EQ("Büro", in<QLineEdit>(e, "DBEdit1")->text().toStdString());
            EXPECT_EQ("BU", in<QLineEdit>(e, "DBEdit2")->text().toStdString());
            in<QLineEdit>(e, "DBEdit1")->setText(QStringLiteral("Büromaterial"));
            click(e, "BitBtn1");
        });
        click(d, "SchalterAendern");
        EXPECT_EQ((QStringList{QStringLiteral("Auto/AU"), QStringLiteral("Büromaterial/BU"),
                               QStringLiteral("Waren/WA")}),
                  gridRows(grid));

        grid->selectRow(2); // Waren, used
        click(d, "SchalterLoeschen");
        grid->selectRow(0); // Auto, unused: gone without a question
        click(d, "SchalterLoeschen");
        EXPECT_EQ((QStringList{QStringLiteral("Büromaterial/BU"), QStringLiteral("Waren/WA")}),
                  gridRows(grid));
        click(d, "SchalterFertig");
    });
    b.window->Buchungskreise1Click();
    EXPECT_TRUE(b.ui.allDialogsShown());
    EXPECT_TRUE(b.ui.questions.isEmpty());
    EXPECT_EQ(
        QStringList{QStringLiteral(
            "Auf diesen Buchungskreis wurde bereits gebucht und kann deshalb nicht mehr gelöscht werden.")},
        b.ui.errors);
    EXPECT_EQ(0,
              b.books.count(QStringLiteral("T_BKreis"), QStringLiteral("BKName IN ('Auto', 'Verworfen')")));
    EXPECT_EQ(1, b.books.count(QStringLiteral("T_BKreis"),
                               QStringLiteral("mandant = 7 AND id = 2 AND BKName = 'Büromaterial'")));
    EXPECT_EQ(1, b.books.count(QStringLiteral("T_BKreis"), QStringLiteral("id = 1")));
}

TEST(CirclesDialog, NeuInTheVoucherEntryOpensTheListAndSelectsTheNewCircle) {
    DesktopBooks b;
    b.start();
    b.ui.dialog("TFormBelegeingabe", [&](QDialog& v) {
        in<QLineEdit>(v, "DBEdit_Betrag")->setText(QStringLiteral("33"));
        b.ui.dialog("TFormBuchungskreis", [&](QDialog& d) {
            b.ui.dialog("TFormBuchungskreisNeu", [](QDialog& e) {
                in<QLineEdit>(e, "DBEdit1")->setText(QStringLiteral("Auto"));
                in<QLineEdit>(e, "DBEdit2")->setText(QStringLiteral("AU"));
                click(e, "BitBtn1");
            });
            click(d, "SchalterNeu");
            click(d, "SchalterFertig");
        });
        click(v, "BitBtn1");
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&v, &activate);
        EXPECT_EQ("Auto", in<QComboBox>(v, "DBLookupComboBox1")->currentText().toStdString());
        EXPECT_EQ("33", in<QLineEdit>(v, "DBEdit_Betrag")->text().toStdString());
        click(v, "SchalterCancel");
    });
    b.window->Buchen1Click();
    EXPECT_TRUE(b.ui.allDialogsShown());
    EXPECT_EQ((QStringList{QStringLiteral("TFormBelegeingabe"), QStringLiteral("TFormBuchungskreis"),
                           QStringLiteral("TFormBuchungskreisNeu")}),
              b.ui.dialogsShown);
}

TEST(CircleSelection, GivesThousandPlusIdThousandOrCancelAndKeepsTheExportTick) {
    DesktopBooks b;
    b.start();
    TFormBuchungsKreisAuswahl& d = b.window->buchungskreisAuswahl();
    EXPECT_EQ("Buchungskreisauswahl", d.windowTitle().toStdString());

    d.FormActivate(false);
    b.ui.dialog("TFormBuchungsKreisAuswahl", [](QDialog& s) {
        EXPECT_FALSE(in<QCheckBox>(s, "CheckBox_export")->isVisible());
        EXPECT_EQ((QStringList{QStringLiteral("Büro"), QStringLiteral("Waren")}),
                  rows(in<QListWidget>(s, "DBLookupListBox1")));
        doubleClick(in<QListWidget>(s, "DBLookupListBox1"), QStringLiteral("Waren"));
    });
    EXPECT_EQ(1001, b.ui.execDialog(d));

    d.FormActivate(true);
    b.ui.dialog("TFormBuchungsKreisAuswahl", [](QDialog& s) {
        auto* tick = in<QCheckBox>(s, "CheckBox_export");
        EXPECT_TRUE(tick->isVisible());
        EXPECT_EQ("Datenexport", tick->text().toStdString());
        tick->setChecked(true);
        click(s, "BitBtn1");
    });
    EXPECT_EQ(1000, b.ui.execDialog(d));
    EXPECT_TRUE(d.datenexport());

    d.FormActivate(true);
    b.ui.dialog("TFormBuchungsKreisAuswahl", [](QDialog& s) {
        EXPECT_TRUE(in<QCheckBox>(s, "CheckBox_export")->isChecked()) << "the tick is remembered";
        QTest::keyClick(in<QListWidget>(s, "DBLookupListBox1"), Qt::Key_Escape);
    });
    EXPECT_EQ(2, b.ui.execDialog(d));
    for (const char* how : {"Abbrechen", "close box"}) {
        d.FormActivate(false);
        b.ui.dialog("TFormBuchungsKreisAuswahl", [how](QDialog& s) {
            if (std::string(how) == "Abbrechen")
                click(s, "BitBtn2");
            else
                s.close();
        });
        EXPECT_EQ(2, b.ui.execDialog(d)) << how;
    }
}

TEST(MasterDataDialog, OkChangesTheReportHeaderCancelDoesNotAndAnEmptiedNameIsNull) {
    DesktopBooks b;
    b.start();
    const auto edit = [&](const QString& name, const char* button) {
        b.ui.dialog("TStammdaten", [=](QDialog& d) {
            in<QLineEdit>(d, "DBEdit1")->setText(name);
            if (std::string(button) == "Esc")
                QTest::keyClick(in<QLineEdit>(d, "DBEdit1"), Qt::Key_Escape);
            else
                click(d, button);
        });
        b.window->Stammdaten1Click();
    };
    edit(QStringLiteral("Muster und Söhne GmbH"), "BitBtn1");
    EXPECT_EQ("Muster und Söhne GmbH", Zeitraumwahl::ganzerName(b.dm()).toStdString());
    edit(QStringLiteral("Verworfen"), "BitBtn2");
    edit(QStringLiteral("Verworfen"), "Esc");
    EXPECT_EQ("Muster und Söhne GmbH", Zeitraumwahl::ganzerName(b.dm()).toStdString());
    edit(QString(), "BitBtn1");
    EXPECT_EQ(1, b.books.count(QStringLiteral("T_Stammdaten"),
                               QStringLiteral("mandant = 7 AND GanzerName IS NULL")));
    EXPECT_EQ("In den Stammdaten wurde noch kein Name eingetragen!!!",
              Zeitraumwahl::ganzerName(b.dm()).toStdString());
    EXPECT_TRUE(b.ui.allDialogsShown());
}

TEST(MasterDataDialog, GermanRatesSwitchTheRatesOfTheVoucherEntry) {
    DesktopBooks b;
    b.start();
    const auto rates = [&] {
        TFormBelegeingabe v(b.app, std::nullopt, nullptr);
        v.show();
        auto* combo = in<QComboBox>(v, "DBCombo_Steuersatz");
        QStringList r;
        for (int i = 0; i < combo->count(); ++i)
            r << combo->itemText(i);
        return r;
    };
    EXPECT_EQ(TFormBelegeingabe::steuersaetze(2024, false), rates());
    for (const Qt::CheckState state : {Qt::Checked, Qt::Unchecked, Qt::PartiallyChecked}) {
        b.ui.dialog("TStammdaten", [state](QDialog& d) {
            in<QCheckBox>(d, "DBCheckBox1")->setCheckState(state);
            click(d, "BitBtn1");
        });
        b.window->Stammdaten1Click();
        EXPECT_EQ(TFormBelegeingabe::steuersaetze(2024, state == Qt::Checked), rates()) << state;
        b.ui.dialog("TStammdaten", [state](QDialog& d) {
            EXPECT_EQ(state, in<QCheckBox>(d, "DBCheckBox1")->checkState()) << "all three states are kept";
            click(d, "BitBtn2");
        });
        b.window->Stammdaten1Click();
    }
    EXPECT_NE(TFormBelegeingabe::steuersaetze(2024, false), TFormBelegeingabe::steuersaetze(2024, true));
}

namespace {

struct OrderCase {
    const char* dialog;
    std::vector<const char*> order; // tab stops from the first control on
};

void PrintTo(const OrderCase& c, std::ostream* os) {
    *os << c.dialog;
}

class AdminKeyboard : public testing::TestWithParam<OrderCase> {};

QDialog* openFor(TForm_Kassol& w, const QString& name) {
    for (QDialog* d : w.findChildren<QDialog*>())
        if (d->objectName() == name)
            return d;
    return nullptr;
}

} // namespace

TEST_P(AdminKeyboard, EveryControlIsATabStopInTheDocumentedOrderWithACaption) {
    const OrderCase& c = GetParam();
    DesktopBooks b;
    b.start();
    QDialog* d = openFor(*b.window, QString::fromLatin1(c.dialog));
    ASSERT_NE(nullptr, d);
    if (auto* s = qobject_cast<TFormBuchungsKreisAuswahl*>(d))
        s->FormActivate(true);
    d->show();
    QApplication::setActiveWindow(d);
    in<QWidget>(*d, c.order.front())->setFocus();
    QStringList seen;
    QStringList expected;
    for (const char* name : c.order) {
        expected << QString::fromLatin1(name);
        QWidget* f = QApplication::focusWidget();
        ASSERT_NE(nullptr, f);
        seen << f->objectName();
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(f);
        ASSERT_NE(nullptr, a);
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << name << " has no caption";
        QTest::keyClick(f, Qt::Key_Tab);
    }
    EXPECT_EQ(expected, seen);
    d->reject();
}

INSTANTIATE_TEST_SUITE_P(
    AdminDialogs, AdminKeyboard,
    testing::Values(
        OrderCase{"TMandantenauswahl",
                  {"DBLookupListBox1", "Mandant_Bearbeiten", "Mandant_Neu", "BitBtn1", "Schliessen",
                   "DBLookupListBox1"}},
        OrderCase{"TFormZeitraum",
                  {"DBLookupListBox1", "NeuesJahr", "Schliessen", "BitBtn1", "DBLookupListBox1"}},
        OrderCase{
            "TFormBuchungskreis",
            {"DBGrid1", "SchalterNeu", "SchalterLoeschen", "SchalterFertig", "SchalterAendern", "DBGrid1"}},
        OrderCase{"TFormBuchungskreisNeu", {"DBEdit1", "DBEdit2", "BitBtn1", "BitBtn2", "DBEdit1"}},
        OrderCase{"TFormBuchungsKreisAuswahl",
                  {"DBLookupListBox1", "CheckBox_export", "BitBtn1", "BitBtn2", "DBLookupListBox1"}},
        OrderCase{"TStammdaten",
                  {"DBEdit1", "DBEdit2", "DBEdit3", "DBEdit4", "DBEdit5", "DBEdit6", "BitBtn1", "BitBtn2",
                   "DBCheckBox1", "DBEdit1"}}),
    [](const testing::TestParamInfo<OrderCase>& i) { return std::string(i.param.dialog); });
