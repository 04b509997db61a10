#include "app/Formats.h"

#include <gtest/gtest.h>

TEST(Formats, AmountsUseGermanSeparatorsWhateverTheLocaleSays) {
    EXPECT_EQ("1.234,50", Formats::amount(Currency::fromCents(123450)).toStdString());
    EXPECT_EQ("1.234,50 \u20AC", Formats::euro(Currency::fromCents(123450)).toStdString());
    EXPECT_EQ("0,00 \u20AC", Formats::euro(Currency()).toStdString());
    EXPECT_EQ("-1.000.000,00", Formats::amount(Currency::fromCents(-100000000)).toStdString());
    EXPECT_EQ("0,63", Formats::amount(0.625).toStdString());
    EXPECT_EQ("", Formats::amountOrBlank(0.0).toStdString());
    EXPECT_EQ("20,00", Formats::amountOrBlank(20.0).toStdString());
}

TEST(Formats, DatesAndMonthNames) {
    EXPECT_EQ("05.01.2024", Formats::date(QDate(2024, 1, 5)).toStdString());
    EXPECT_EQ("J\u00e4nner", Formats::monthName(1).toStdString());
    Formats::setLocale(Formats::chooseLocale(QLocale(QLocale::German, QLocale::Germany)));
    EXPECT_EQ("Januar", Formats::monthName(1).toStdString());
    Formats::setLocale(Formats::chooseLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
    EXPECT_EQ("J\u00e4nner", Formats::monthName(1).toStdString());
}

TEST(Formats, ShortestDecimal) {
    const struct {
        std::int64_t units;
        const char* text;
    } cases[] = {{125000, "12,5"}, {1000000, "100"}, {-1200000, "-120"}, {0, "0"}, {1, "0,0001"}, {6200, "0,62"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.text, Formats::shortestDecimal(Currency::fromUnits(c.units)).toStdString());
}
