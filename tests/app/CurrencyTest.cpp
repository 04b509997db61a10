#include "app/Currency.h"
#include "app/KassolError.h"

#include <functional>
#include <limits>

#include <gtest/gtest.h>

TEST(Currency, ParsesGermanAndPlainNotation) {
    const struct {
        const char* text;
        std::int64_t units;
    } cases[] = {
        {"120", 1200000},    {"120,00", 1200000}, {"1.234,50", 12345000}, {"1234.5", 12345000},
        {"-3", -30000},      {"0,0001", 1},       {"12.345.678", 123456780000}, {"1,234.5", 12345000},
        {" 7,5 € ", 75000},  {",5", 5000},           {"1 234,50", 12345000}, {"1\u00A0234\u00A0567", 12345670000},
    };
    for (const auto& c : cases) {
        const auto v = Currency::parse(QString::fromUtf8(c.text));
        ASSERT_TRUE(v.has_value()) << c.text;
        EXPECT_EQ(c.units, v->units()) << c.text;
    }
}

TEST(Currency, RefusesWhatIsNoAmount) {
    for (const char* text : {"", "abc", "12a", "1,23456", "1.2.3,4", "12,34,56", "1.23,45", "-", "1e5", "9999999999999999"})
        EXPECT_FALSE(Currency::parse(QString::fromUtf8(text)).has_value()) << text;
}

TEST(Currency, FromDoubleRoundsHalvesToEven) {
    EXPECT_EQ(6200, Currency::fromDouble(0.62).units());
    EXPECT_EQ(-1200000, Currency::fromDouble(-120.0).units());
}

TEST(Currency, SumsExactlyWhereDoublesDrift) {
    Currency sum;
    double drift = 0;
    for (int i = 0; i < 1000; ++i) {
        sum += *Currency::parse(QStringLiteral("0,10"));
        drift += 0.1;
    }
    EXPECT_EQ(Currency::fromCents(10000), sum);
    EXPECT_NE(100.0, drift);
}

TEST(Currency, ASumBeyondTheRangeFailsInGerman) {
    const Currency gross = Currency::fromUnits(std::numeric_limits<std::int64_t>::max() - 5);
    EXPECT_NO_THROW((void)(gross + Currency::fromUnits(5)));
    for (const auto& sum : std::initializer_list<std::function<Currency()>>{
             [&] { return gross + Currency::fromUnits(6); },
             [&] { return -gross - Currency::fromUnits(10); },
             [&] { Currency c = gross; c += gross; return c; }}) {
        try {
            (void)sum();
            ADD_FAILURE() << "no overflow reported";
        } catch (const KassolError& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Die Summe der Beträge ist zu groß")));
        }
    }
}

TEST(Currency, PlainTextKeepsTwoDecimalsAtLeast) {
    EXPECT_EQ("120.00", Currency::fromCents(12000).toPlainString().toStdString());
    EXPECT_EQ("0.62", Currency::fromCents(62).toPlainString().toStdString());
    EXPECT_EQ("-0.125", Currency::fromUnits(-1250).toPlainString().toStdString());
    EXPECT_EQ("0.00", Currency().toPlainString().toStdString());
}
