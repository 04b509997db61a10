#include "ui/DesktopFixture.h"

#include "booking/BookingList.h"
#include "booking/Bookings.h"
#include "store/DM_KS.h"
#include "store/Database.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

using Answer = UserInteraction::Answer;

QString text(DesktopBooks& b, const char* label) {
    return b.control<QLabel>(QString::fromLatin1(label))->text();
}

void pressEnter(QWidget* w) {
    QTest::keyClick(w, Qt::Key_Return);
}

} // namespace

TEST(MainWindow, EnterBooksAndTheListAndTotalsFollow) {
    DesktopBooks b;
    b.start();
    EXPECT_EQ("Muster GmbH", text(b, "LabelMandant").toStdString());
    EXPECT_EQ("2024", text(b, "LabelJahr").toStdString());
    EXPECT_EQ("0,00 €", text(b, "Label_Einnahmen").toStdString());

    b.ui.dialog("TFormBelegeingabe", [](QDialog& d) {
        EXPECT_EQ("Belegeingabe - Neue Buchung", d.windowTitle().toStdString());
        EXPECT_EQ("DBCheckBoxEin", QApplication::focusWidget()->objectName().toStdString()) << "the dialog opens on its first control";
        EXPECT_EQ("1", in<QLineEdit>(d, "DBEditBelegnummer")->text().toStdString());
        fillVoucher(d, QStringLiteral("1.200,00"), QStringLiteral("20"), QStringLiteral("Waren"), QStringLiteral("Verkauf"));
        in<QPushButton>(d, "SchalterOK")->click();
    });
    pressEnter(b.control<QTableView>(QStringLiteral("Grid_Ein")));
    QApplication::processEvents();

    EXPECT_TRUE(b.ui.allDialogsShown());
    EXPECT_EQ(1, b.countBookings());
    auto* grid = b.control<QTableView>(QStringLiteral("Grid_Ein"));
    ASSERT_EQ(1, grid->model()->rowCount());
    EXPECT_EQ("15.03.2024", grid->model()->index(0, Buchungsliste::Buchungsdatum).data().toString().toStdString());
    EXPECT_EQ("1.200,00", grid->model()->index(0, Buchungsliste::Betrag).data().toString().toStdString());
    EXPECT_EQ("Verkauf", grid->model()->index(0, Buchungsliste::Buchungstext).data().toString().toStdString());
    EXPECT_EQ("WA", grid->model()->index(0, Buchungsliste::BK).data().toString().toStdString());
    EXPECT_EQ("1.200,00 €", text(b, "Label_Einnahmen").toStdString());
    EXPECT_EQ("200,00 €", text(b, "Label_Ust").toStdString());
    EXPECT_EQ("0,00 €", text(b, "Label_Ausgaben").toStdString());
}

TEST(MainWindow, WeiterbuchenKeepsRateAndTextPlainOkForgetsThem) {
    DesktopBooks b;
    b.start();
    // Enter in the dialog is "OK und weiterbuchen": three bookings, then OK ends the loop.
    for (int i = 0; i < 3; ++i)
        b.ui.dialog("TFormBelegeingabe", [i](QDialog& d) {
            if (i == 0)
                fillVoucher(d, QStringLiteral("10"), QStringLiteral("10"), QStringLiteral("Büro"), QStringLiteral("Papier"));
            else {
                EXPECT_EQ("10", in<QComboBox>(d, "DBCombo_Steuersatz")->currentText().toStdString());
                EXPECT_EQ("Papier", in<QComboBox>(d, "DBComboText")->currentText().toStdString());
                EXPECT_EQ("Büro", in<QComboBox>(d, "DBLookupComboBox1")->currentText().toStdString());
                EXPECT_EQ(QString::number(i + 1), in<QLineEdit>(d, "DBEditBelegnummer")->text());
                in<QLineEdit>(d, "DBEdit_Betrag")->setText(QStringLiteral("11"));
            }
            pressEnter(in<QLineEdit>(d, "DBEdit_Betrag"));
        });
    b.ui.dialog("TFormBelegeingabe", [](QDialog& d) {
        in<QLineEdit>(d, "DBEdit_Betrag")->setText(QStringLiteral("12"));
        in<QPushButton>(d, "SchalterOK")->click();
    });
    b.window->Buchen1Click();
    EXPECT_TRUE(b.ui.allDialogsShown());
    EXPECT_EQ(4, b.countBookings());

    b.ui.dialog("TFormBelegeingabe", [](QDialog& d) {
        EXPECT_EQ("0", in<QComboBox>(d, "DBCombo_Steuersatz")->currentText().toStdString());
        EXPECT_EQ("", in<QComboBox>(d, "DBComboText")->currentText().toStdString());
        EXPECT_EQ("Büro", in<QComboBox>(d, "DBLookupComboBox1")->currentText().toStdString()) << "the circle is remembered";
        EXPECT_EQ("5", in<QLineEdit>(d, "DBEditBelegnummer")->text().toStdString());
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    b.window->Buchen1Click();
    EXPECT_EQ(4, b.countBookings()) << "Escape saves nothing";
}

TEST(MainWindow, CancelInTheLoopForgetsTheCarriedRateAndText) {
    DesktopBooks b;
    b.start();
    b.ui.dialog("TFormBelegeingabe", [](QDialog& d) {
        fillVoucher(d, QStringLiteral("10"), QStringLiteral("13"), QStringLiteral("Waren"), QStringLiteral("Obst"));
        in<QPushButton>(d, "SchalterOK_WEITER")->click();
    });
    b.ui.dialog("TFormBelegeingabe", [](QDialog& d) { in<QPushButton>(d, "SchalterCancel")->click(); });
    b.window->Buchen1Click();
    EXPECT_EQ(1, b.countBookings());
    EXPECT_EQ("<fehlt>", b.iniValue(QStringLiteral("Buchen Mandant 7"), QStringLiteral("Steuersatz")).toStdString());
    EXPECT_EQ("<fehlt>", b.iniValue(QStringLiteral("Buchen Mandant 7"), QStringLiteral("Buchungstext")).toStdString());
    EXPECT_EQ("1", b.iniValue(QStringLiteral("Buchen Mandant 7"), QStringLiteral("Buchungskreis")).toStdString());
}

TEST(MainWindow, DoubleClickChangesAfterConfirmationOnly) {
    DesktopBooks b;
    const GebuchteBuchung g = Buchungen::buchen(b.dm(), testBuchung(QDate(2024, 2, 1), "120", 20, 1));
    b.start();
    auto* grid = b.control<QTableView>(QStringLiteral("Grid_Ein"));
    grid->selectRow(0);

    for (const Answer answer : {Answer::Cancel, Answer::Ok}) {
        b.ui.dialog("TFormBelegeingabe", [](QDialog& d) {
            EXPECT_EQ("Belegeingabe - Buchung bearbeiten", d.windowTitle().toStdString());
            EXPECT_FALSE(in<QPushButton>(d, "SchalterOK_WEITER")->isEnabled());
            EXPECT_EQ("120,00", in<QLineEdit>(d, "DBEdit_Betrag")->text().toStdString());
            in<QLineEdit>(d, "DBEdit_Betrag")->setText(QStringLiteral("240"));
            pressEnter(in<QLineEdit>(d, "DBEdit_Betrag"));
            EXPECT_TRUE(d.isVisible()) << "Enter does not close a change";
            in<QPushButton>(d, "SchalterOK")->click();
        });
        b.ui.confirm(answer);
        b.window->GridDblClick(true);
        QApplication::processEvents();
        const auto bew = Buchungen::bewegungen(b.dm(), g.id);
        ASSERT_EQ(1u, bew.size());
        EXPECT_EQ(answer == Answer::Ok ? "40.00" : "20.00", bew[0].bewegung.betrag.toPlainString().toStdString());
    }
    EXPECT_EQ(QStringList{QStringLiteral("Wollen sie die Änderungen an dieser Buchung wirklich durchführen ?")},
              b.ui.questions.mid(0, 1));
    EXPECT_EQ("240,00 €", text(b, "Label_Einnahmen").toStdString());
}

TEST(MainWindow, DelAsksTwiceAndOnlyYesTwiceDeletes) {
    DesktopBooks b;
    (void)Buchungen::buchen(b.dm(), testBuchung(QDate(2024, 2, 1), "50", 20, 2));
    b.start();
    auto* grid = b.control<QTableView>(QStringLiteral("Grid_Aus"));
    grid->setFocus();
    grid->selectRow(0);

    b.ui.confirm(Answer::Yes).warn(Answer::No);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(1, b.countBookings());
    b.ui.confirm(Answer::Cancel);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(1, b.countBookings());
    b.ui.confirm(Answer::Yes).warn(Answer::Yes);
    QTest::keyClick(grid, Qt::Key_Delete);
    QApplication::processEvents();
    EXPECT_EQ(0, b.countBookings());
    EXPECT_EQ(0, b.books.count(QStringLiteral("t_kontenbewegungen")));
    EXPECT_EQ(0, grid->model()->rowCount());
    EXPECT_EQ("0,00 €", text(b, "Label_Vst").toStdString());
    EXPECT_EQ("Wollen Sie die ausgewählte Ausgabe wirklich löschen?", b.ui.questions.value(0).toStdString());
    EXPECT_EQ("Wirklich löschen?", b.ui.questions.value(1).toStdString());

    // Del and double-click in an empty list do nothing: no question, no dialog.
    QTest::keyClick(grid, Qt::Key_Delete);
    b.window->GridDblClick(false);
    EXPECT_TRUE(b.ui.finished());
}

TEST(MainWindow, ListsShowNewestFirstAndReadLargeYearsInPages) {
    DesktopBooks b;
    const int n = Buchungsliste::Seitengroesse * 2 + 17;
    {
        auto tx = b.books.db().transaction();
        for (int i = 0; i < n; ++i)
            b.books.addBooking(7, i + 1, 1, QDate(2024, 1, 1).addDays(i % 300), i + 1, QStringLiteral("1"), 20, 1);
        tx.commit();
    }
    b.start();
    auto* model = b.control<QTableView>(QStringLiteral("Grid_Ein"))->model();
    auto* liste = qobject_cast<Buchungsliste*>(model);
    ASSERT_NE(nullptr, liste);
    while (liste->canFetchMore({}))
        liste->fetchMore({});
    ASSERT_EQ(n, liste->rowCount());
    for (int r = 1; r < n; ++r) {
        const QDate vorher = QDate::fromString(model->index(r - 1, 0).data().toString(), QStringLiteral("dd.MM.yyyy"));
        const QDate jetzt = QDate::fromString(model->index(r, 0).data().toString(), QStringLiteral("dd.MM.yyyy"));
        ASSERT_TRUE(vorher > jetzt || (vorher == jetzt && liste->buchungsId(r - 1) < liste->buchungsId(r))) << "row " << r;
    }
}

TEST(MainWindow, PanelsFollowTheWindowHeight) {
    DesktopBooks b;
    TForm_Kassol& w = b.start();
    auto* inhalt = w.centralWidget();
    for (const auto& [h, hoehe, top] : {std::tuple{600, 260, 334}, std::tuple{601, 261, 335}}) {
        w.resize(w.width(), h + (w.height() - inhalt->height()));
        QApplication::processEvents();
        ASSERT_EQ(h, inhalt->height());
        EXPECT_EQ(hoehe, b.control<QWidget>(QStringLiteral("Panel1"))->height());
        EXPECT_EQ(hoehe, b.control<QWidget>(QStringLiteral("Panel2"))->height());
        EXPECT_EQ(top, b.control<QWidget>(QStringLiteral("Panel2"))->y());
    }
}

// Coming back to the window reads the books again only when another program has changed them;
// its own booking is shown once.
TEST(MainWindow, ActivationRefreshesOnlyAfterAnotherProgramsChange) {
    DesktopBooks b;
    b.start();
    auto* grid = b.control<QTableView>(QStringLiteral("Grid_Ein"));
    int neuGelesen = 0;
    QObject::connect(grid->model(), &QAbstractItemModel::modelReset, [&neuGelesen] { ++neuGelesen; });
    const auto aktivieren = [&b] {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(b.window.get(), &activate);
        QApplication::processEvents();
    };
    b.books.buche(testBuchung(QDate(2024, 3, 1), "100", 20, 1));
    aktivieren();
    EXPECT_EQ(1, neuGelesen) << "the own booking, once";
    aktivieren();
    EXPECT_EQ(1, neuGelesen) << "nothing changed meanwhile";

    {
        Database anderes;
        anderes.open(b.books.helper.DatabaseFile());
        anderes.exec(QStringLiteral("INSERT INTO T_Buchungen (mandant, ID, Wirtschaftsjahr, Buchungsdatum, Belegnummer, Steuersatz, "
                                    "Betrag, BK, IstEU, IstDrittland, IstEinnahme, IstKFZ, IstGebaeude) "
                                    "VALUES (7, 99, 1, '2024-04-01', 99, 0, 500000, 1, 2, 2, 1, 2, 2)"));
    }
    aktivieren();
    EXPECT_EQ(2, neuGelesen);
    EXPECT_EQ(2, grid->model()->rowCount());
    EXPECT_EQ("150,00 €", b.control<QLabel>(QStringLiteral("Label_Einnahmen"))->text().toStdString());
}
