#include "admin/TFormBuchungsKreisAuswahl.h"
#include "reports/TMonatsAuswahl.h"
#include "reports/VatReconciliation.h"
#include "reports/engine/TextRenderer.h"
#include "store/DM_KS.h"
#include "ui/DesktopFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

using Answer = UserInteraction::Answer;

// The books of the desktop fixture with a third circle "Auto" (3).
struct EvaluationBooks : DesktopBooks {
    EvaluationBooks() { books.addCircle(Mandant, 3, QStringLiteral("Auto"), QStringLiteral("AU")); }

    void book(int tag, int monat, const char* betrag, int satz, int einnahme, int bk = 2, JaNein eu = JaNein::Nein,
              JaNein dritt = JaNein::Nein, JaNein kfz = JaNein::Nein, const QString& text = {}) {
        Buchungsdaten d = testBuchung(QDate(2024, monat, tag), betrag, satz, einnahme, bk);
        d.istEU = eu;
        d.istDrittland = dritt;
        d.istKFZ = kfz;
        d.text = text;
        books.buche(d);
    }
    // The example of the circle evaluations: income in Büro, expenses in Büro and Auto.
    void circleExample() {
        book(5, 3, "120", 20, 1, 2);
        book(6, 3, "60", 20, 2, 2);
        book(7, 3, "110", 10, 2, 3);
    }
    QStringList previewLines(std::size_t i = 0) {
        EXPECT_LT(i, ui.previews.size());
        if (i >= ui.previews.size())
            return {};
        return ReportEngine::renderText(ui.previews[i]).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QString file(const QString& name) const { return desktop.filePath(name); }
};

bool checked(QDialog& d, int code) {
    return in<QRadioButton>(d, QStringLiteral("RadioButton%1").arg(code).toLatin1().constData())->isChecked();
}

QString code(QDialog& d) {
    return in<QLineEdit>(d, "Edit_rueckgabe")->text();
}

// Plays the user of a period dialog: picks the code (0: leaves the preset) and presses OK.
ScriptedWidgetInteraction::Handler choose(int wahl, bool datenexport = false) {
    return [wahl, datenexport](QDialog& d) {
        if (wahl > 0)
            in<QRadioButton>(d, QStringLiteral("RadioButton%1").arg(wahl).toLatin1().constData())->click();
        auto* tick = in<QCheckBox>(d, "CheckBox_export");
        if (tick->isVisible())
            tick->setChecked(datenexport);
        in<QPushButton>(d, "BitBtn1")->click();
    };
}

void cancel(QDialog& d) {
    in<QPushButton>(d, "BitBtn2")->click();
}

// Plays the user of the circle selection: a circle by name (Enter on the list) or all of them.
ScriptedWidgetInteraction::Handler circle(const QString& name, bool datenexport = false) {
    return [name, datenexport](QDialog& d) {
        in<QCheckBox>(d, "CheckBox_export")->setChecked(datenexport);
        if (name.isEmpty()) {
            in<QPushButton>(d, "BitBtn1")->click();
            return;
        }
        auto* list = in<QListWidget>(d, "DBLookupListBox1");
        const auto found = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(1, found.size());
        list->setCurrentItem(found.first());
        QTest::keyClick(list, Qt::Key_Return);
    };
}

void trigger(DesktopBooks& b, const char* action) {
    auto* a = b.control<QAction>(QString::fromLatin1(action));
    ASSERT_TRUE(a->isEnabled());
    a->trigger();
}

} // namespace

TEST(PeriodDialog, OpensOnTheWholeYearEveryTimeAndKeepsTheExportTick) {
    EvaluationBooks b;
    b.start();
    b.book(5, 2, "120", 20, 1);
    b.ui.dialog("TMonatsAuswahl", [](QDialog& d) {
        EXPECT_EQ("Monats Auswahl", d.windowTitle().toStdString());
        EXPECT_EQ("  Auswahl für Umsatzsteuerverprobung  ", in<QGroupBox>(d, "RadioGroup1")->title().toStdString());
        EXPECT_FALSE(in<QLineEdit>(d, "Edit_rueckgabe")->isVisible());
        EXPECT_FALSE(in<QCheckBox>(d, "CheckBox_export")->isVisible()) << "not offered for the VAT reconciliation";
        for (int c = 1; c <= 17; ++c)
            EXPECT_TRUE(in<QRadioButton>(d, QStringLiteral("RadioButton%1").arg(c).toLatin1().constData())->isVisible()) << c;
        EXPECT_TRUE(checked(d, 17));
        EXPECT_EQ("17", code(d).toStdString());
        in<QRadioButton>(d, "RadioButton2")->click();
        EXPECT_EQ("2", code(d).toStdString());
        in<QRadioButton>(d, "RadioButton14")->click();
        EXPECT_FALSE(checked(d, 2)) << "one group";
        EXPECT_EQ("14", code(d).toStdString());
        in<QRadioButton>(d, "RadioButton2")->click();
        in<QPushButton>(d, "BitBtn1")->click();
    });
    b.ui.dialog("TMonatsAuswahl", [](QDialog& d) {
        EXPECT_TRUE(checked(d, 17)) << "the last choice is not remembered";
        EXPECT_EQ("17", code(d).toStdString());
        auto* tick = in<QCheckBox>(d, "CheckBox_export");
        EXPECT_TRUE(tick->isVisible()) << "offered for the journal";
        tick->setChecked(true);
        cancel(d);
    });
    b.ui.dialog("TMonatsAuswahl", [](QDialog& d) {
        EXPECT_TRUE(in<QCheckBox>(d, "CheckBox_export")->isChecked()) << "the tick lives as long as the dialog";
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    trigger(b, "USTVerprobung1");
    trigger(b, "Journal1");
    trigger(b, "Journal1");

    EXPECT_TRUE(b.ui.allDialogsShown());
    ASSERT_EQ(1u, b.ui.previews.size()) << "cancel and Escape start nothing";
    EXPECT_TRUE(b.previewLines().contains(QStringLiteral("Februar 2024")));
    EXPECT_FALSE(b.window->findChild<TMonatsAuswahl*>(QStringLiteral("TMonatsAuswahl"))->findChild<QCheckBox*>(QStringLiteral("CheckBox_export"))->isVisibleTo(b.window.get()))
        << "hidden again after the journal";
    EXPECT_TRUE(b.ui.errors.isEmpty()) << b.ui.errors.join(QLatin1Char('\n')).toStdString();
}

TEST(PeriodDialog, TheExportVariantOffersTheTwelveMonthsAndOpensOnDecember) {
    EvaluationBooks b;
    b.start();
    const auto check = [](QDialog& d) {
        EXPECT_EQ("Exportauswahl", d.windowTitle().toStdString());
        EXPECT_EQ("Es werden Daten vom 1.1 des Jahres bis zum Ende des gewählten Monats exportiert:",
                  in<QLabel>(d, "Label1")->text().toStdString());
        EXPECT_EQ("  Auswahl für Export an das Finanzamt  ", in<QGroupBox>(d, "RadioGroup1")->title().toStdString());
        for (int c = 1; c <= 17; ++c)
            EXPECT_EQ(c <= 12, in<QRadioButton>(d, QStringLiteral("RadioButton%1").arg(c).toLatin1().constData())->isVisible()) << c;
        EXPECT_FALSE(in<QCheckBox>(d, "CheckBox_export")->isVisible());
        EXPECT_TRUE(checked(d, 12));
        EXPECT_EQ("12", code(d).toStdString());
    };
    b.ui.dialog("TExportauswahl", [&](QDialog& d) {
        check(d);
        in<QRadioButton>(d, "RadioButton3")->click();
        cancel(d);
    });
    b.ui.dialog("TExportauswahl", [&](QDialog& d) {
        check(d);
        d.close();  // the close box is Cancel too
    });
    trigger(b, "Finanzamt1");
    trigger(b, "Finanzamt1");
    EXPECT_TRUE(b.ui.allDialogsShown());
    EXPECT_EQ((QStringList{QStringLiteral("TExportauswahl"), QStringLiteral("TExportauswahl")}), b.ui.dialogsShown)
        << "no view after a cancel";
}

TEST(Evaluations, VatReconciliationOfMarchReachesThePreview) {
    EvaluationBooks b;
    b.start();
    b.book(5, 3, "120", 20, 1);
    b.book(31, 3, "110", 10, 1);
    b.book(1, 4, "500", 20, 1);
    b.book(7, 3, "240", 20, 2, 3, JaNein::Nein, JaNein::Nein, JaNein::Ja);
    b.ui.dialog("TMonatsAuswahl", choose(3));
    trigger(b, "USTVerprobung1");
    const QStringList l = b.previewLines();
    EXPECT_EQ((QStringList{QStringLiteral("Umsatzsteuerverprobung\tMuster GmbH"), QStringLiteral("März 2024")}), l.mid(0, 2));
    for (const char* line : {"Erlöse 10%\t100,00\t10,00", "Erlöse 20%\t100,00\t20,00", "Gesamtsumme\t200,00\t30,00", "Vorsteuer\t40,00",
                             "Gutschrift\t10,00"})
        EXPECT_TRUE(l.contains(QString::fromUtf8(line))) << line << "\n" << l.join('\n').toStdString();
    EXPECT_FALSE(l.join('\n').contains(QStringLiteral("500"))) << "April does not count";
}

TEST(Evaluations, VatReconciliationOfAPeriodWithExpensesOnlyShowsTheMessageAndNoPreview) {
    EvaluationBooks b;
    b.start();
    b.book(5, 3, "120", 20, 2);
    b.book(5, 3, "230", 0, 2, 2, JaNein::Nein, JaNein::Ja);
    b.ui.dialog("TMonatsAuswahl", choose(0));
    trigger(b, "USTVerprobung1");
    EXPECT_TRUE(b.ui.previews.empty());
    EXPECT_EQ(QStringList{TRep_Verprobung::keineEinnahmen()}, b.ui.messages);
    EXPECT_EQ("Es gibt für diesen Zeitraum (noch) keine Einnahmen!", TRep_Verprobung::keineEinnahmen().toStdString());
}

TEST(Evaluations, JournalOfTheYearReachesThePreviewAndItsDatenexportWritesTheCsvInstead) {
    EvaluationBooks b;
    b.start();
    b.book(5, 3, "120", 20, 1, 2, JaNein::Nein, JaNein::Nein, JaNein::Nein, QStringLiteral("Verkauf"));
    b.book(6, 3, "1000", 20, 2, 2, JaNein::Ja, JaNein::Nein, JaNein::Nein, QStringLiteral("EU"));
    b.book(7, 11, "230", 0, 2, 3, JaNein::Nein, JaNein::Ja, JaNein::Nein, QStringLiteral("Zoll"));

    b.ui.dialog("TMonatsAuswahl", choose(0));
    trigger(b, "Journal1");
    EXPECT_EQ((QStringList{QStringLiteral("Buchungsjournal\tMuster GmbH\tSeite\t1"), QStringLiteral("Jahr 2024"),
                           QStringLiteral("Datum\tBelegnummer\tBuchungstext\tBetrag\tSteuersatz\tVST\tUST"),
                           QStringLiteral("05.03.2024\t1\tVerkauf\t120,00\t20\t20,00"),
                           QStringLiteral("06.03.2024\t2\tEU\t-1.000,00\t20\t200,00\t200,00"),
                           QStringLiteral("07.11.2024\t3\tZoll\t230,00")}),
              b.previewLines());

    // With the tick: a CSV of the export rows (one per movement, with the circle), no preview.
    b.ui.nextSaveFileName = b.file(QStringLiteral("journal"));
    b.ui.dialog("TMonatsAuswahl", choose(3, true));
    trigger(b, "Journal1");
    EXPECT_EQ(1u, b.ui.previews.size());
    QFile csv(b.file(QStringLiteral("journal.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << "the extension is added";
    const QStringList rows = QString::fromUtf8(csv.readAll()).split(QStringLiteral("\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(4, rows.size()) << rows.join('|').toStdString();
    EXPECT_TRUE(rows[0].startsWith(QStringLiteral("Datum;Belegnummer;Text;Steuersatz;Betrag;VST;UST;Buchungskreis")))
        << rows[0].toStdString();
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("05.03.2024;1;Verkauf;20;120,00;"))) << rows[1].toStdString();
    EXPECT_FALSE(rows.join('|').contains(QStringLiteral("Zoll"))) << "only March";
    EXPECT_EQ(1, b.ui.messages.size());

    // The tick is still set; cancelling the save dialog writes nothing.
    QFile::remove(csv.fileName());
    b.ui.nextSaveFileName.clear();
    b.ui.dialog("TMonatsAuswahl", [](QDialog& d) {
        EXPECT_TRUE(in<QCheckBox>(d, "CheckBox_export")->isChecked());
        in<QPushButton>(d, "BitBtn1")->click();
    });
    trigger(b, "Journal1");
    EXPECT_FALSE(QFile::exists(csv.fileName()));
    EXPECT_EQ(1u, b.ui.previews.size());
    EXPECT_EQ(1, b.ui.messages.size());
    EXPECT_TRUE(b.ui.allDialogsShown());
    EXPECT_TRUE(b.ui.errors.isEmpty()) << b.ui.errors.join(QLatin1Char('\n')).toStdString();
}

TEST(Evaluations, CircleEvaluationForAllCirclesAndForOne) {
    EvaluationBooks b;
    b.start();
    b.circleExample();
    b.ui.dialog("TFormBuchungsKreisAuswahl", [](QDialog& d) {
        EXPECT_FALSE(in<QCheckBox>(d, "CheckBox_export")->isVisible());
        circle({})(d);
    });
    b.ui.dialog("TFormBuchungsKreisAuswahl", circle(QStringLiteral("Büro")));
    b.ui.dialog("TFormBuchungsKreisAuswahl", cancel);
    trigger(b, "BuchungskreisAuswertung1");
    trigger(b, "BuchungskreisAuswertung1");
    trigger(b, "BuchungskreisAuswertung1");
    ASSERT_EQ(2u, b.ui.previews.size()) << "cancel starts nothing";
    EXPECT_EQ((QStringList{QStringLiteral("Einnahmen - Ausgaben Rechnung\tMuster GmbH"), QStringLiteral("Jahr 2024"),
                           QStringLiteral("Netto\tBrutto"), QStringLiteral("Einnahmen"), QStringLiteral("Büro\t100,00\t120,00"),
                           QStringLiteral("Summe Einnahmen\t100,00\t120,00"), QStringLiteral("Ausgaben"),
                           QStringLiteral("Auto\t100,00\t110,00"), QStringLiteral("Büro\t50,00\t60,00"),
                           QStringLiteral("Summe Ausgaben\t150,00\t170,00"), QStringLiteral("Ergebnis\t-50,00\t-50,00")}),
              b.previewLines(0));
    const QStringList buero = b.previewLines(1);
    EXPECT_EQ("Jahr 2024", buero.value(1).toStdString());
    EXPECT_FALSE(buero.join('\n').contains(QStringLiteral("Auto")));
    EXPECT_EQ("Ergebnis\t50,00\t60,00", buero.last().toStdString());
}

TEST(Evaluations, CircleDetailsPreviewOrDatenexport) {
    EvaluationBooks b;
    b.start();
    b.circleExample();
    b.ui.dialog("TFormBuchungsKreisAuswahl", [](QDialog& d) {
        EXPECT_TRUE(in<QCheckBox>(d, "CheckBox_export")->isVisible());
        circle(QStringLiteral("Büro"))(d);
    });
    trigger(b, "BuchungskreisDetails1");
    const QStringList l = b.previewLines();
    EXPECT_EQ("Jahr 2024 - Büro", l.value(1).toStdString());
    EXPECT_FALSE(l.join('\n').contains(QStringLiteral("Auto")));
    EXPECT_EQ("Ergebnis\t50,00\t60,00", l.last().toStdString());

    // The export rows cover every circle of the year, whichever was chosen.
    b.ui.nextSaveFileName = b.file(QStringLiteral("details.csv"));
    b.ui.dialog("TFormBuchungsKreisAuswahl", circle(QStringLiteral("Büro"), true));
    trigger(b, "BuchungskreisDetails1");
    EXPECT_EQ(1u, b.ui.previews.size()) << "no preview with the tick";
    QFile csv(b.ui.nextSaveFileName);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(csv.readAll());
    EXPECT_EQ(4, text.count(QLatin1Char('\n'))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(";-100,00;-110,00;Auto"))) << text.toStdString();

    // Cancelled selection: nothing, and the tick is hidden again for the circle evaluation.
    QFile::remove(csv.fileName());
    b.ui.dialog("TFormBuchungsKreisAuswahl", [](QDialog& d) {
        EXPECT_TRUE(in<QCheckBox>(d, "CheckBox_export")->isChecked()) << "remembered";
        cancel(d);
    });
    trigger(b, "BuchungskreisDetails1");
    EXPECT_FALSE(QFile::exists(csv.fileName()));
    EXPECT_EQ(1u, b.ui.previews.size());
}

TEST(Evaluations, PlusMinusNeedsNoDialog) {
    EvaluationBooks b;
    b.start();
    b.circleExample();
    trigger(b, "Plus_Minus");
    EXPECT_TRUE(b.ui.dialogsShown.isEmpty());
    const QStringList l = b.previewLines();
    EXPECT_EQ("Plus - Minus Rechnung\tMuster GmbH", l.value(0).toStdString());
    EXPECT_EQ("Jahr 2024", l.value(1).toStdString());
    for (const char* line : {"Auto\t0,00\t110,00\t-110,00\t0,00\t100,00\t-100,00", "Büro\t120,00\t60,00\t60,00\t100,00\t50,00\t50,00",
                             "Ergebnis\t120,00\t170,00\t-50,00\t100,00\t150,00\t-50,00"})
        EXPECT_TRUE(l.contains(QString::fromUtf8(line))) << line << "\n" << l.join('\n').toStdString();
    EXPECT_LT(l.indexOf(QRegularExpression(QStringLiteral("Auto\t.*"))), l.indexOf(QRegularExpression(QStringLiteral("Büro\t.*"))))
        << "in name order";
}

TEST(Evaluations, AClientWithoutAFiscalYearGetsAMessageInsteadOfAReport) {
    EvaluationBooks b;
    b.start();
    b.books.db().exec(QStringLiteral("UPDATE T_Einstellungen SET ZeitraumNummer = -1 WHERE mandant = 7"));
    trigger(b, "Plus_Minus");
    EXPECT_TRUE(b.ui.previews.empty());
    ASSERT_EQ(1, b.ui.errors.size());
    EXPECT_EQ("Der aktive Mandant hat kein aktuelles Wirtschaftsjahr.", b.ui.errors[0].toStdString());
}

// Every control of the period dialogs that the keyboard reaches has a caption.
TEST(PeriodDialog, EveryTabStopHasACaption) {
    EvaluationBooks b;
    b.start();
    for (const char* name : {"TMonatsAuswahl", "TExportauswahl"}) {
        auto* d = b.window->findChild<TMonatsAuswahl*>(QString::fromLatin1(name));
        ASSERT_NE(nullptr, d) << name;
        d->zeigeDatenexport(QByteArray(name) == "TMonatsAuswahl");
        d->FormActivate();
        d->show();
        QApplication::setActiveWindow(d);
        QWidget* start = in<QWidget>(*d, "BitBtn2");
        start->setFocus();
        QStringList seen;
        do {
            QWidget* f = QApplication::focusWidget();
            ASSERT_NE(nullptr, f);
            seen << f->objectName();
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(f);
            ASSERT_NE(nullptr, a);
            EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty()) << f->objectName().toStdString() << " has no caption";
            QTest::keyClick(f, Qt::Key_Tab);
        } while (QApplication::focusWidget() != start && seen.size() < 10);
        const QStringList expected = QByteArray(name) == "TMonatsAuswahl"
                                         ? QStringList{"BitBtn2", "RadioButton17", "CheckBox_export", "BitBtn1"}
                                         : QStringList{"BitBtn2", "RadioButton12", "BitBtn1"};
        EXPECT_EQ(expected, seen) << name;
        QTest::keyClick(start, Qt::Key_Tab);
        // The arrow keys choose within the group, and the choice reaches the code.
        QWidget* radio = QApplication::focusWidget();
        ASSERT_TRUE(radio->objectName().startsWith(QStringLiteral("RadioButton")));
        QTest::keyClick(radio, Qt::Key_Up);
        EXPECT_NE(radio, QApplication::focusWidget());
        EXPECT_EQ(QApplication::focusWidget()->objectName().mid(11), code(*d)) << name;
        d->reject();
    }
}
