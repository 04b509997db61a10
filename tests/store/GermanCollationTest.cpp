#include "store/GermanCollation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(GermanCollation, EqualityIgnoresCaseAndOrderIsGerman) {
    const struct {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"Muster", "muster", 0},  {"ÄRZTE", "ärzte", 0}, {"Straße", "STRAẞE", 0}, {"Büro", "büro", 0},
        {"Ärzte", "Auto", -1},    {"Auto", "bank", -1},  {"bank", "Büro", -1},     {"Büro", "Zoll", -1},
        {"Bus", "Büro", 1},       {"Zoll", "Ärzte", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, DeutscheSortierung::vergleiche(QString::fromUtf8(c.a), QString::fromUtf8(c.b))) << c.a << " / " << c.b;
}

TEST(GermanCollation, StatementsSortAndCompareWithIt) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2024, 1);
    int id = 0;
    for (const char* name : {"Zoll", "bank", "Auto", "Büro", "Ärzte", "büro"}) {
        ++id;
        b.addCircle(5, id, QString::fromUtf8(name), QStringLiteral("K%1").arg(id));
    }
    QStringList order;
    QSqlQuery q = b.db().query(QStringLiteral("SELECT BKName FROM T_BKreis ORDER BY BKName COLLATE DE, id"));
    while (q.next())
        order << q.value(0).toString();
    EXPECT_EQ(QString::fromUtf8("Ärzte, Auto, bank, Büro, büro, Zoll"), order.join(QStringLiteral(", ")));
    EXPECT_EQ(2, b.db().scalar(QStringLiteral("SELECT count(*) FROM T_BKreis WHERE BKName = 'BÜRO' COLLATE DE"))->toInt());
    // The schema names no collation: any SQLite tool still reads the file.
    EXPECT_FALSE(b.db().scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE sql LIKE '%COLLATE%'"))->toBool());
}
