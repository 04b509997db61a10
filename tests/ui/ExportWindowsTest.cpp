#include "export/TExportansicht.h"
#include "ui/DesktopFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

using Answer = UserInteraction::Answer;
using Handler = ScriptedWidgetInteraction::Handler;

// Books with three rows for the export of March 2024 (an expense on its last day and an
// intra-community purchase with its two movements) and one booking of April.
struct ExportBooks : DesktopBooks {
    ExportBooks() {
        Buchungsdaten eu = testBuchung(QDate(2024, 3, 2), "1000", 20, 2, 2);
        eu.istEU = JaNein::Ja;
        eu.text = QStringLiteral("Maschine");
        books.buche(eu);
        Buchungsdaten ausgabe = testBuchung(QDate(2024, 3, 31), "120", 20, 2, 1);
        ausgabe.text = QStringLiteral("Ware");
        books.buche(ausgabe);
        books.buche(testBuchung(QDate(2024, 4, 1), "50", 20, 1, 1));
    }
    QString file(const QString& name) const { return desktop.filePath(name); }
    QByteArray read(const QString& name) {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
    }
    // Opens the export for March; the view is handed to the handler.
    void exportMarch(Handler view) {
        ui.dialog("TExportauswahl", [](QDialog& d) {
            in<QRadioButton>(d, "RadioButton3")->click();
            in<QPushButton>(d, "BitBtn1")->click();
        });
        ui.dialog("TExportansicht", std::move(view));
        window->Finanzamt1Click();
        EXPECT_TRUE(ui.allDialogsShown());
    }
};

const QByteArray MarchFile = "Buchungsdatum\tBelegnummer\tText\tBruttoBetrag\tSteuersatz\tVST\tUST\r\n"
                             "02.03.2024\t1\tMaschine\t-1000\t20\t200\t200\r\n"
                             "02.03.2024\t1\tMaschine\t-1000\t20\t200\t200\r\n"
                             "31.03.2024\t2\tWare\t-120\t20\t20\t0\r\n";

// Plays the user of the choice dialog: optionally picks a target, then "&Exportieren" or "&Abbruch".
Handler choice(const char* target, bool exportieren = true) {
    return [target, exportieren](QDialog& d) {
        if (target)
            in<QRadioButton>(d, target)->click();
        in<QPushButton>(d, exportieren ? "ButtonExportieren" : "ButtonAbbruch")->click();
    };
}

void press(QDialog& d, const char* button) {
    in<QPushButton>(d, button)->click();
}

} // namespace

TEST(ExportWindows, TheViewShowsTheFileRowsAndWritesThemToAFileWithTheTxtExtension) {
    ExportBooks b;
    b.start();
    b.ui.nextSaveFileName = b.file(QStringLiteral("bericht.csv"));
    b.ui.confirm(Answer::Yes);
    b.exportMarch([&](QDialog& d) {
        EXPECT_EQ("Exportansicht", d.windowTitle().toStdString());
        auto* grid = in<QTableView>(d, "DBGrid_Finanzamt");
        auto* m = grid->model();
        ASSERT_EQ(3, m->rowCount()) << "one row per movement, up to 31 March";
        QStringList titles;
        QList<int> widths;
        for (int c = 0; c < m->columnCount(); ++c) {
            titles << m->headerData(c, Qt::Horizontal).toString();
            widths << grid->columnWidth(c);
        }
        EXPECT_EQ((QStringList{"Buchungsdatum", "Belegnummer", "Text", "BruttoBetrag", "Steuersatz", "VST", "UST"}), titles);
        EXPECT_EQ((QList<int>{90, 70, 180, 70, 70, 60, 60}), widths);
        EXPECT_EQ("-120", m->index(2, 3).data().toString().toStdString());

        b.ui.dialog("TExportDialog", [](QDialog& e) {
            EXPECT_EQ("Export Finanzamt", e.windowTitle().toStdString());
            EXPECT_EQ(" E&xport Formate: ", in<QGroupBox>(e, "GroupBoxFormate")->title().toStdString());
            EXPECT_EQ("Tab-Separated Text", in<QComboBox>(e, "ComboBoxFormat")->currentText().toStdString());
            EXPECT_TRUE(in<QRadioButton>(e, "RadioButtonDatei")->isChecked()) << "the file is the first target";
            choice(nullptr)(e);
        });
        press(d, "BitBtn2");
        EXPECT_EQ(MarchFile, b.read(QStringLiteral("bericht.TXT")));
        EXPECT_FALSE(QFile::exists(b.file(QStringLiteral("bericht.csv"))));

        // The second export of the run goes to the same file, and asks before replacing it.
        QFile::remove(b.file(QStringLiteral("bericht.TXT")));
        b.ui.dialog("TExportDialog", choice(nullptr));
        press(d, "BitBtn2");  // the file is gone: nothing to ask
        b.ui.dialog("TExportDialog", choice(nullptr));
        press(d, "BitBtn2");  // now it exists: asked, answered yes
        EXPECT_EQ(MarchFile, b.read(QStringLiteral("bericht.TXT")));
        press(d, "BitBtn1");
    });
    EXPECT_EQ(QStringList{QStringLiteral("Save document")}, b.ui.saveDialogs) << "the name is asked for once";
    ASSERT_EQ(1, b.ui.questions.size());
    EXPECT_TRUE(b.ui.questions[0].contains(QDir::toNativeSeparators(b.file(QStringLiteral("bericht.TXT"))))) << b.ui.questions[0].toStdString();
    EXPECT_TRUE(b.ui.finished());
    const QString written = QStringLiteral("Die Exportdatei \u201E%1\u201C wurde geschrieben.").arg(QDir::toNativeSeparators(b.file(QStringLiteral("bericht.TXT"))));
    EXPECT_EQ((QStringList{written, written, written}), b.ui.messages);
    EXPECT_TRUE(b.ui.errors.isEmpty());
}

TEST(ExportWindows, DecliningToReplaceOrCancellingAnywhereWritesNothing) {
    ExportBooks b;
    b.start();
    const QString path = b.file(QStringLiteral("export.TXT"));
    b.exportMarch([&](QDialog& d) {
        b.ui.dialog("TExportDialog", choice(nullptr, false));
        press(d, "BitBtn2");  // "&Abbruch"
        b.ui.dialog("TExportDialog", choice(nullptr));
        press(d, "BitBtn2");  // the save dialog cancelled
        b.ui.nextSaveFileName = b.file(QStringLiteral("export"));
        b.ui.dialog("TExportDialog", choice(nullptr));
        press(d, "BitBtn2");
        ASSERT_TRUE(QFile::exists(path));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("voriger Export");
        }
        // "Nein" writes nothing and forgets the name; the next export asks for one, and the
        // ".TXT" rule that leads to the same file asks again.
        b.ui.confirm(Answer::No).confirm(Answer::No);
        b.ui.dialog("TExportDialog", choice(nullptr));
        press(d, "BitBtn2");
        b.ui.nextSaveFileName = b.file(QStringLiteral("export.csv"));
        b.ui.dialog("TExportDialog", choice(nullptr));
        press(d, "BitBtn2");
        press(d, "BitBtn1");
    });
    EXPECT_EQ("voriger Export", b.read(QStringLiteral("export.TXT")).toStdString());
    EXPECT_EQ(3, b.ui.saveDialogs.size());
    EXPECT_EQ(2, b.ui.questions.size());
    EXPECT_TRUE(b.ui.finished());
    EXPECT_EQ(1, b.ui.messages.size()) << "only the one export that was written is reported";
    EXPECT_TRUE(b.ui.openedFiles.isEmpty());
    const QStringList left = QDir(b.desktop.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(QStringList{QStringLiteral("export.TXT")}, left.filter(QStringLiteral("TXT"), Qt::CaseInsensitive));
}

TEST(ExportWindows, TheViewTargetOpensANewTemporaryFileAndIsRemembered) {
    ExportBooks b;
    b.start();
    QFile(b.file(QStringLiteral("MX1.TXT"))).open(QIODevice::WriteOnly);  // taken: the next number is used
    b.exportMarch([&](QDialog& d) {
        b.ui.dialog("TExportDialog", choice("RadioButtonAnsicht"));
        press(d, "BitBtn2");
        press(d, "BitBtn1");
    });
    EXPECT_EQ(QStringList{b.file(QStringLiteral("MX2.TXT"))}, b.ui.openedFiles);
    EXPECT_EQ(MarchFile, b.read(QStringLiteral("MX2.TXT")));
    EXPECT_TRUE(b.ui.saveDialogs.isEmpty());
    EXPECT_TRUE(b.ui.messages.isEmpty());

    // A target clicked counts at once, also when the dialog is cancelled.
    b.exportMarch([&](QDialog& d) {
        b.ui.dialog("TExportDialog", [](QDialog& e) {
            EXPECT_TRUE(in<QRadioButton>(e, "RadioButtonAnsicht")->isChecked()) << "remembered";
            choice("RadioButtonDatei", false)(e);
        });
        press(d, "BitBtn2");
        b.ui.dialog("TExportDialog", [](QDialog& e) {
            EXPECT_TRUE(in<QRadioButton>(e, "RadioButtonDatei")->isChecked());
            QTest::keyClick(&e, Qt::Key_Escape);
        });
        press(d, "BitBtn2");
        press(d, "BitBtn1");
    });
    EXPECT_EQ(1, b.ui.openedFiles.size());
    EXPECT_FALSE(QFile::exists(b.file(QStringLiteral("MX3.TXT"))));
}

TEST(ExportWindows, AFailedWriteIsShownAndNothingIsReportedAsWritten) {
    ExportBooks b;
    b.start();
    b.ui.nextSaveFileName = b.file(QStringLiteral("fehlt/export.txt"));
    b.exportMarch([&](QDialog& d) {
        b.ui.dialog("TExportDialog", choice(nullptr));
        press(d, "BitBtn2");
        ASSERT_EQ(1, b.ui.errors.size());
        EXPECT_TRUE(b.ui.errors[0].startsWith(QStringLiteral("Die Exportdatei"))) << b.ui.errors[0].toStdString();
        EXPECT_TRUE(b.ui.messages.isEmpty());
        EXPECT_TRUE(d.isVisible()) << "the view stays open for another try";

        // The name that could not be written is not remembered: the next export asks again.
        b.ui.nextSaveFileName = b.file(QStringLiteral("export.txt"));
        b.ui.dialog("TExportDialog", choice(nullptr));
        press(d, "BitBtn2");
        press(d, "BitBtn1");
    });
    EXPECT_EQ(2, b.ui.saveDialogs.size());
    EXPECT_EQ(MarchFile, b.read(QStringLiteral("export.TXT")));
    EXPECT_EQ(1, b.ui.messages.size());
}

TEST(ExportWindows, HelpAndAClientWithoutBookingsInThePeriod) {
    ExportBooks b;
    b.start();
    b.ui.nextSaveFileName = b.file(QStringLiteral("leer"));
    b.ui.dialog("TExportauswahl", [](QDialog& d) {
        in<QRadioButton>(d, "RadioButton1")->click();
        in<QPushButton>(d, "BitBtn1")->click();
    });
    b.ui.dialog("TExportansicht", [&](QDialog& d) {
        EXPECT_EQ(0, in<QTableView>(d, "DBGrid_Finanzamt")->model()->rowCount());
        b.ui.dialog("TExportHilfe", [](QDialog& h) {
            EXPECT_EQ("Hilfe zum Finanzamtexport", h.windowTitle().toStdString());
            QStringList texts;
            for (QLabel* l : h.findChildren<QLabel*>())
                texts << l->text();
            EXPECT_TRUE(texts.contains(QStringLiteral("Diese Funktion wird nur bei einer Steuerprüfung benötigt.")));
            EXPECT_TRUE(texts.contains(QStringLiteral("Nach dem Drücken des  Schalters \"Exportieren\"  öffnet sich ein Auswahlfeld, "
                                                      "mit dessen Standardvorgaben der Export durchgeführt wird.")));
            press(h, "BitBtn1");
        });
        press(d, "BitBtn3");
        b.ui.dialog("TExportDialog", choice(nullptr));
        press(d, "BitBtn2");
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    b.window->Finanzamt1Click();
    EXPECT_TRUE(b.ui.allDialogsShown());
    EXPECT_EQ("Buchungsdatum\tBelegnummer\tText\tBruttoBetrag\tSteuersatz\tVST\tUST\r\n",
              b.read(QStringLiteral("leer.TXT")).toStdString());
}

// Every control of the export windows that the keyboard reaches has a caption.
TEST(ExportWindows, EveryTabStopHasACaption) {
    ExportBooks b;
    b.start();
    auto* view = b.window->findChild<TExportansicht*>(QStringLiteral("TExportansicht"));
    ASSERT_NE(nullptr, view);
    auto* choiceDialog = view->findChild<TExportDialog*>(QStringLiteral("TExportDialog"));
    ASSERT_NE(nullptr, choiceDialog);
    choiceDialog->FormActivate();
    for (QDialog* d : std::initializer_list<QDialog*>{view, choiceDialog}) {
        d->show();
        QApplication::setActiveWindow(d);
        QWidget* first = d == view ? in<QWidget>(*d, "BitBtn2") : in<QWidget>(*d, "ComboBoxFormat");
        first->setFocus();
        QStringList seen;
        for (int i = 0; i < 6; ++i) {
            QWidget* f = QApplication::focusWidget();
            ASSERT_NE(nullptr, f);
            if (seen.contains(f->objectName()))
                break;
            seen << f->objectName();
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(f);
            ASSERT_NE(nullptr, a);
            EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << f->objectName().toStdString() << " has no caption";
            QTest::keyClick(f, Qt::Key_Tab);
        }
        const QStringList expected = d == view ? QStringList{"BitBtn2", "BitBtn3", "BitBtn1", "DBGrid_Finanzamt"}
                                               : QStringList{"ComboBoxFormat", "RadioButtonDatei", "ButtonExportieren", "ButtonAbbruch"};
        EXPECT_EQ(expected, seen);
        d->hide();
    }
}
