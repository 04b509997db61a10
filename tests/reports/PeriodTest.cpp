#include "reports/ReportContext.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(Period, CodesGiveRangeAndCaption) {
    const struct {
        int code, jahr;
        QDate von, bis;
        const char* text;
    } cases[] = {
        {1, 2024, {2024, 1, 1}, {2024, 1, 31}, "J\u00e4nner 2024"},
        {2, 2024, {2024, 2, 1}, {2024, 2, 29}, "Februar 2024"},
        {2, 2023, {2023, 2, 1}, {2023, 2, 28}, "Februar 2023"},
        {3, 2024, {2024, 3, 1}, {2024, 3, 31}, "M\u00e4rz 2024"},
        {13, 2024, {2024, 1, 1}, {2024, 3, 31}, "1. Quartal 2024"},
        {14, 2024, {2024, 4, 1}, {2024, 6, 30}, "2. Quartal 2024"},
        {15, 2024, {2024, 7, 1}, {2024, 9, 30}, "3. Quartal 2024"},
        {16, 2024, {2024, 10, 1}, {2024, 12, 31}, "4. Quartal 2024"},
        {17, 2024, {2024, 1, 1}, {2024, 12, 31}, "Jahr 2024"},
    };
    for (const auto& c : cases) {
        QDate von, bis;
        QString text;
        ASSERT_TRUE(Zeitraumwahl::zeitraum(c.code, c.jahr, von, bis, text)) << c.code;
        EXPECT_EQ(c.von, von) << c.code;
        EXPECT_EQ(c.bis, bis) << c.code;
        EXPECT_EQ(QString::fromUtf8(c.text), text) << c.code;
    }
    QDate von, bis;
    QString text;
    EXPECT_FALSE(Zeitraumwahl::zeitraum(0, 2024, von, bis, text));
    EXPECT_FALSE(Zeitraumwahl::zeitraum(18, 2024, von, bis, text));
}

TEST(Period, TheFiscalYearNotTodayDecidesAndTheNameRuleHolds) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2023, 1);
    const T_RepDaten d = Zeitraumwahl::fuerAktuellesJahr(*b.dm, 2);
    EXPECT_EQ(QDate(2023, 2, 28), d.bis);
    EXPECT_EQ("In den Stammdaten wurde noch kein Name eingetragen!!!", d.Ganzername.toStdString());
    b.db().exec("DELETE FROM T_Stammdaten");
    EXPECT_EQ("In den Stammdaten wurde noch kein Name eingetragen!!!", Zeitraumwahl::ganzerName(*b.dm).toStdString());
    b.db().exec("INSERT INTO T_Stammdaten (mandant, GanzerName) VALUES (5, 'Muster GmbH')");
    EXPECT_EQ("Muster GmbH", Zeitraumwahl::ganzerName(*b.dm).toStdString());
    EXPECT_THROW(Zeitraumwahl::fuerAktuellesJahr(*b.dm, 18), KassolError);
}
