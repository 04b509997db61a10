#include "ui/DesktopFixture.h"

#include "app/IniFile.h"
#include "booking/Bookings.h"
#include "booking/TFormBelegeingabe.h"
#include "store/DM_KS.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

struct FlagCase {
    const char* name;
    std::vector<const char*> clicks;  // boxes clicked in this order, starting from an income
    const char* expectChecked;        // letters of the checked boxes: E A U D K G
    const char* expectEnabled;        // letters of the enabled flag boxes: U D K G
    const char* rate;                 // the rate afterwards
    const char* label;                // LabelBruttoNetto afterwards
};

void PrintTo(const FlagCase& c, std::ostream* os) {
    *os << c.name;
}

QString state(QDialog& d, const char* letters, bool checked) {
    const std::pair<char, const char*> boxes[] = {{'E', "DBCheckBoxEin"}, {'A', "DBCheckBoxAus"}, {'U', "DBCheckBoxEU"},
                                                  {'D', "DBCheckBoxDritt"}, {'K', "DBCheckBoxKFZ"}, {'G', "DBCheckBoxGebaeude"}};
    QString s;
    for (const auto& [letter, name] : boxes) {
        if (!checked && (letter == 'E' || letter == 'A'))
            continue;
        auto* box = in<QCheckBox>(d, name);
        if (checked ? box->isChecked() : box->isEnabled())
            s += QLatin1Char(letter);
    }
    Q_UNUSED(letters);
    return s;
}

class FlagRules : public testing::TestWithParam<FlagCase> {};

} // namespace

TEST_P(FlagRules, FollowEachClick) {
    const FlagCase& c = GetParam();
    DesktopBooks b;
    TFormBelegeingabe d(b.app, std::nullopt, nullptr);
    d.show();
    in<QComboBox>(d, "DBCombo_Steuersatz")->setEditText(QStringLiteral("10"));
    for (const char* click : c.clicks)
        QTest::mouseClick(in<QCheckBox>(d, click), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(c.expectChecked, state(d, c.expectChecked, true).toStdString());
    EXPECT_EQ(c.expectEnabled, state(d, c.expectEnabled, false).toStdString());
    EXPECT_EQ(c.rate, in<QComboBox>(d, "DBCombo_Steuersatz")->currentText().toStdString());
    EXPECT_EQ(c.label, in<QLabel>(d, "LabelBruttoNetto")->text().toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    VoucherDialog, FlagRules,
    testing::Values(
        FlagCase{"income", {}, "E", "", "10", "(Brutto)"},
        FlagCase{"expense", {"DBCheckBoxAus"}, "A", "UDKG", "10", "(Brutto)"},
        FlagCase{"uncheckIncome", {"DBCheckBoxEin"}, "A", "UDKG", "10", "(Brutto)"},
        FlagCase{"eu", {"DBCheckBoxAus", "DBCheckBoxEU"}, "AU", "UDKG", "20", "(Netto)"},
        FlagCase{"euThenImport", {"DBCheckBoxAus", "DBCheckBoxEU", "DBCheckBoxDritt"}, "AD", "UDKG", "0", "(Brutto)"},
        FlagCase{"kfzThenBuilding", {"DBCheckBoxAus", "DBCheckBoxKFZ", "DBCheckBoxGebaeude"}, "AG", "UDKG", "10", "(Brutto)"},
        FlagCase{"euThenKfzClearsEu", {"DBCheckBoxAus", "DBCheckBoxEU", "DBCheckBoxKFZ"}, "AK", "UDKG", "20", "(Brutto)"},
        FlagCase{"importThenBuildingClearsImport", {"DBCheckBoxAus", "DBCheckBoxDritt", "DBCheckBoxGebaeude"}, "AG", "UDKG", "0", "(Brutto)"},
        FlagCase{"kfzThenIncome", {"DBCheckBoxAus", "DBCheckBoxKFZ", "DBCheckBoxEin"}, "E", "", "10", "(Brutto)"}),
    [](const testing::TestParamInfo<FlagCase>& i) { return std::string(i.param.name); });

TEST(VoucherDialog, OffersTheRatesOfTheYearAndCountry) {
    const auto list = [](int jahr, bool de) { return TFormBelegeingabe::steuersaetze(jahr, de).join(QLatin1Char(' ')).toStdString(); };
    EXPECT_EQ("0 5 10 12 20", list(2015, false));
    EXPECT_EQ("0 5 10 13 20", list(2016, false));
    EXPECT_EQ("0 5 7 19 10 13 20", list(2024, true));
    EXPECT_EQ("0 5 7 19 10 12 20", list(2015, true));

    DesktopBooks b;
    b.books.db().exec(QStringLiteral("UPDATE T_Stammdaten SET SteuerDE = 1 WHERE mandant = 7"));
    TFormBelegeingabe d(b.app, std::nullopt, nullptr);
    auto* rates = in<QComboBox>(d, "DBCombo_Steuersatz");
    QStringList shown;
    for (int i = 0; i < rates->count(); ++i)
        shown << rates->itemText(i);
    EXPECT_EQ("0 5 7 19 10 13 20", shown.join(QLatin1Char(' ')).toStdString());
}

TEST(VoucherDialog, BothChecksComeAndNothingIsSaved) {
    DesktopBooks b;
    TFormBelegeingabe d(b.app, std::nullopt, nullptr);
    d.setSpeichern([&](const Buchungsdaten& x) { (void)Buchungen::buchen(b.dm(), x); return true; });
    d.show();
    QApplication::setActiveWindow(&d);
    in<QPushButton>(d, "SchalterOK")->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ((QStringList{QStringLiteral("Sie müssen im Feld Betrag einen Wert angeben!"),
                           QStringLiteral("Sie müssen einen Buchungskreis angeben!\n\rBei Bedarf können sie einen neuen anlegen!")}),
              b.ui.messages);
    EXPECT_EQ(in<QLineEdit>(d, "DBEdit_Betrag"), QApplication::focusWidget());

    // Only the circle missing: its message alone, and the focus goes there.
    b.ui.messages.clear();
    in<QLineEdit>(d, "DBEdit_Betrag")->setText(QStringLiteral("12,50"));
    in<QPushButton>(d, "SchalterOK_WEITER")->click();
    EXPECT_EQ(1, b.ui.messages.size());
    EXPECT_FALSE(d.Weiterbuchen());
    EXPECT_EQ(in<QComboBox>(d, "DBLookupComboBox1"), QApplication::focusWidget());

    // An amount that is no number is refused in the dialog as well.
    b.ui.messages.clear();
    in<QComboBox>(d, "DBLookupComboBox1")->setCurrentIndex(0);
    in<QLineEdit>(d, "DBEdit_Betrag")->setText(QStringLiteral("zwölf"));
    in<QPushButton>(d, "SchalterOK")->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(b.ui.messages.value(0).contains(QStringLiteral("zwölf")));
    EXPECT_EQ(0, b.countBookings());
    in<QPushButton>(d, "SchalterCancel")->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(0, b.countBookings());
}

TEST(VoucherDialog, AFailedPostKeepsTheDialogAndTheInput) {
    DesktopBooks b;
    b.books.db().exec(QStringLiteral("CREATE TRIGGER nein BEFORE INSERT ON t_kontenbewegungen BEGIN SELECT RAISE(ABORT, 'voll'); END"));
    TFormBelegeingabe d(b.app, std::nullopt, nullptr);
    d.setSpeichern([&](const Buchungsdaten& x) { (void)Buchungen::buchen(b.dm(), x); return true; });
    d.show();
    fillVoucher(d, QStringLiteral("99"), QStringLiteral("20"), QStringLiteral("Waren"), QStringLiteral("Wichtig"));
    in<QPushButton>(d, "SchalterOK")->click();
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(1, b.ui.errors.size());
    EXPECT_EQ("99", in<QLineEdit>(d, "DBEdit_Betrag")->text().toStdString());
    EXPECT_EQ("Wichtig", in<QComboBox>(d, "DBComboText")->currentText().toStdString());
    EXPECT_EQ(0, b.countBookings());
    EXPECT_EQ("<fehlt>", b.iniValue(QStringLiteral("Buchen Mandant 7"), QStringLiteral("Belegdatum")).toStdString())
        << "nothing is remembered of a booking that was not saved";
}

TEST(VoucherDialog, RemembersDefaultsAndRepairsThoseThatNoLongerFit) {
    DesktopBooks b;
    {
        const auto ini = b.books.helper.GetIniInstance();
        const QString s = QStringLiteral("Buchen Mandant 7");
        ASSERT_TRUE(ini->writeDate(s, QStringLiteral("Belegdatum"), QDate(2023, 12, 30)));
        ASSERT_TRUE(ini->writeString(s, QStringLiteral("Steuersatz"), QStringLiteral("7,5")));
        ASSERT_TRUE(ini->writeInteger(s, QStringLiteral("IstEinnahme"), 2));
        ASSERT_TRUE(ini->writeInteger(s, QStringLiteral("Buchungskreis"), 99));
    }
    TFormBelegeingabe d(b.app, std::nullopt, nullptr);
    EXPECT_EQ(QDate(2024, 1, 1), in<QDateEdit>(d, "DatumPicker")->date()) << "a date outside the year becomes 1 January";
    EXPECT_EQ("0", in<QComboBox>(d, "DBCombo_Steuersatz")->currentText().toStdString()) << "no whole number: 0";
    EXPECT_TRUE(in<QCheckBox>(d, "DBCheckBoxAus")->isChecked());
    EXPECT_TRUE(in<QCheckBox>(d, "DBCheckBoxKFZ")->isEnabled());
    EXPECT_EQ(-1, in<QComboBox>(d, "DBLookupComboBox1")->currentIndex()) << "a circle that is gone is no choice";

    // The up button stops at the year's end.
    auto* picker = in<QDateEdit>(d, "DatumPicker");
    picker->setDate(QDate(2024, 12, 31));
    in<QToolButton>(d, "UpDown1Auf")->click();
    EXPECT_EQ(QDate(2024, 12, 31), picker->date());
    in<QToolButton>(d, "UpDown1Ab")->click();
    EXPECT_EQ(QDate(2024, 12, 30), picker->date());
}

TEST(VoucherDialog, ComingBackFromNeuKeepsTheInputAndSelectsTheNewCircle) {
    DesktopBooks b;
    TFormBelegeingabe d(b.app, std::nullopt, nullptr);
    d.setNeuerKreis([&] { return std::optional<int>(b.books.addCircle(7, 5, QStringLiteral("Auto"), QStringLiteral("AU"))); });
    d.show();
    in<QLineEdit>(d, "DBEdit_Betrag")->setText(QStringLiteral("33"));
    in<QComboBox>(d, "DBComboText")->setEditText(QStringLiteral("Tanken"));
    in<QPushButton>(d, "BitBtn1")->click();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&d, &activate);
    EXPECT_EQ("Auto", in<QComboBox>(d, "DBLookupComboBox1")->currentText().toStdString());
    EXPECT_EQ("33", in<QLineEdit>(d, "DBEdit_Betrag")->text().toStdString());
    EXPECT_EQ("Tanken", in<QComboBox>(d, "DBComboText")->currentText().toStdString());

    // A chosen circle deleted meanwhile (by another program) is no longer chosen.
    b.books.db().exec(QStringLiteral("DELETE FROM T_BKreis WHERE id = 5"));
    QApplication::sendEvent(&d, &activate);
    EXPECT_EQ(-1, in<QComboBox>(d, "DBLookupComboBox1")->currentIndex());
}

TEST(VoucherDialog, EachControlIsOneTabStopInTheDocumentedOrder) {
    DesktopBooks b;
    TFormBelegeingabe d(b.app, std::nullopt, nullptr);
    in<QCheckBox>(d, "DBCheckBoxAus")->setChecked(true);  // so that the flag boxes take the focus
    d.show();
    QApplication::setActiveWindow(&d);
    in<QCheckBox>(d, "DBCheckBoxEin")->setFocus();
    const QStringList expected{"DBCheckBoxEin", "DBCheckBoxAus", "DatumPicker", "DBEditBelegnummer", "DBComboText",
                               "DBEdit_Betrag", "DBCombo_Steuersatz", "DBLookupComboBox1", "BitBtn1", "DBCheckBoxEU",
                               "DBCheckBoxDritt", "SchalterOK_WEITER", "SchalterOK", "SchalterCancel", "BitBtn2",
                               "DBCheckBoxKFZ", "DBCheckBoxGebaeude"};
    QStringList seen;
    for (int i = 0; i < expected.size(); ++i) {
        QWidget* f = QApplication::focusWidget();
        while (f && f->objectName().isEmpty())
            f = f->parentWidget();
        seen << (f ? f->objectName() : QStringLiteral("?"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(expected, seen);
}
