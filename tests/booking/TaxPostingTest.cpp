#include "booking/TaxPosting.h"

#include <gtest/gtest.h>

namespace {
Currency eur(const char* text) { return *Currency::parse(QString::fromLatin1(text)); }
constexpr Buchungsart E = Buchungsart::Einnahme, A = Buchungsart::Ausgabe;
constexpr JaNein J = JaNein::Ja, N = JaNein::Nein;
} // namespace

TEST(TaxPosting, RoundsHalvesToTheEvenCent) {
    EXPECT_EQ(0.12, round2(0.125));
    EXPECT_EQ(0.38, round2(0.375));
    EXPECT_EQ(0.62, round2(0.625));
    EXPECT_EQ(-0.62, round2(-0.625));
    EXPECT_EQ(20.0, round2(20.0));
}

TEST(TaxPosting, PostingTable) {
    const struct {
        const char* what;
        Buchungsart art;
        JaNein eu, dritt;
        const char* betrag;
        int satz;
        std::vector<Steuerbewegung> expected;
    } cases[] = {
        {"income 120 at 20 %", E, N, N, "120", 20, {{1020, eur("20")}}},
        {"income 3.75 at 20 % (0.625 to the even cent)", E, N, N, "3,75", 20, {{1020, eur("0,62")}}},
        {"income 2.25 at 20 % (0.375)", E, N, N, "2,25", 20, {{1020, eur("0,38")}}},
        {"expense 110 at 10 %", A, N, N, "110", 10, {{2010, eur("10")}}},
        {"expense 50 at 0 % still writes a row", A, N, N, "50", 0, {{2000, eur("0")}}},
        {"intra-community 1000 net at 20 %", A, J, N, "1000", 20, {{1021, eur("200")}, {2021, eur("200")}}},
        {"intra-community 1000 net at 10 % keeps the 20 % accounts", A, J, N, "1000", 10, {{1021, eur("100")}, {2021, eur("100")}}},
        {"import whatever its rate", A, N, J, "230", 20, {{3000, eur("230")}}},
        {"import not rounded", A, N, J, "0,0049", 0, {{3000, eur("0,0049")}}},
        {"intra-community and import posts as import", A, J, J, "230", 20, {{3000, eur("230")}}},
        {"income flagged intra-community posts as income", E, J, N, "120", 20, {{1020, eur("20")}}},
        {"German rate 19 %", E, N, N, "119", 19, {{1019, eur("19")}}},
        {"negative income (a credit note)", E, N, N, "-120", 20, {{1020, eur("-20")}}},
    };
    for (const auto& c : cases) {
        const BuchungFuerSteuer b{c.art, c.eu, c.dritt, eur(c.betrag), c.satz};
        EXPECT_EQ(c.expected, berechneSteuerbewegungen(b)) << c.what;
    }
}
