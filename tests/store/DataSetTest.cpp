#include "store/DataSet.h"
#include "store/DbError.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(DataSet, TableInsertEditPostCancelAndLocate) {
    TestBooks books;
    DataSet t = DataSet::table(books.db(), "T_BKreis");
    t.open();
    EXPECT_EQ(0, t.recordCount());
    t.insert();
    t.setField("mandant", 1);
    t.setField("id", 7);
    t.setField("BKName", "Waren");
    t.setField("BKKurz", "WA");
    t.post();
    t.insert();
    t.setField("mandant", 2);
    t.setField("id", 8);
    t.setField("BKName", "Miete");
    t.cancel();
    EXPECT_EQ(1, books.count("T_BKreis"));

    t.insert();
    t.setField("mandant", 2);
    t.setField("id", 9);
    t.setField("BKName", "Miete");
    t.post();
    ASSERT_TRUE(t.locate("id", 7));
    t.edit();
    t.setField("BKName", "Wareneinkauf");
    EXPECT_EQ("Wareneinkauf", t.fieldText("bkname").toStdString()) << "field names without case";
    t.post();
    EXPECT_EQ("Wareneinkauf", books.db().scalar("SELECT BKName FROM T_BKreis WHERE id = 7")->toString().toStdString());
    EXPECT_FALSE(t.locate("id", 99));
    EXPECT_EQ(7, t.fieldInt("id")) << "a failed locate stays put";

    t.insert();
    t.setField("mandant", 1);
    t.setField("id", 10);
    t.setField("BKKurz", "ABC");
    EXPECT_THROW(t.post(), DbError);
    t.cancel();
    EXPECT_EQ(2, t.recordCount());
}

TEST(DataSet, ClientSideFilterHidesOtherClientsRows) {
    TestBooks books;
    books.addClient(1, "A", true, 2024, 1);
    books.addClient(2, "B", false, 2024, 2);
    books.addCircle(1, 1, "Zeta", "ZE");
    books.addCircle(1, 2, "Alpha", "AL");
    books.addCircle(2, 3, "Beta", "BE");
    DataSet bk = DataSet::query(books.db(), "Select * from T_BKreis order by BKName");
    bk.setFilter("mandant = 1");
    bk.setFiltered(true);
    bk.open();
    ASSERT_EQ(2, bk.recordCount());
    EXPECT_EQ("Alpha", bk.fieldText("BKName").toStdString());
    bk.next();
    EXPECT_EQ("Zeta", bk.fieldText("BKName").toStdString());
    EXPECT_FALSE(bk.next());
    EXPECT_TRUE(bk.eof());
    for (const char* none : {"mandant = 0", "mandant = -1"}) {
        bk.setFilter(none);
        EXPECT_EQ(0, bk.recordCount()) << none;
    }
    bk.setFilter("id = 3");
    EXPECT_EQ(1, bk.recordCount());
    bk.setFiltered(false);
    EXPECT_EQ(3, bk.recordCount());
}

TEST(DataSet, QueryWithParametersRequeriesAndRefusesEditing) {
    TestBooks books;
    books.addClient(1, "A", true, 2024, 1);
    DataSet q = DataSet::query(books.db(), "select * from t_zeitraum\nwhere mandant = :mandant\norder by jahr desc;");
    q.setParam("mandant", 1);
    q.open();
    EXPECT_EQ(1, q.recordCount());
    books.db().exec("INSERT INTO T_Zeitraum (mandant, id, Jahr) VALUES (1, 2, 2025)");
    EXPECT_EQ(1, q.recordCount()) << "read whole at open";
    q.requery();
    ASSERT_EQ(2, q.recordCount());
    EXPECT_EQ(2025, q.fieldInt("Jahr"));
    q.last();
    EXPECT_EQ(2024, q.fieldInt("Jahr"));
    q.prior();
    EXPECT_EQ(2025, q.fieldInt("Jahr"));
    EXPECT_THROW(q.insert(), DbError);
}

TEST(DataSet, TableWithoutKeyIsEditedAndDeletedRowByRow) {
    TestBooks books;
    books.db().exec("INSERT INTO T_Einstellungen (mandant, ZeitraumNummer) VALUES (1, 5), (1, 6)");
    DataSet e = DataSet::table(books.db(), "T_Einstellungen");
    e.open();
    e.last();
    e.edit();
    e.setField("ZeitraumNummer", 9);
    e.post();
    EXPECT_EQ(1, books.count("T_Einstellungen", "ZeitraumNummer = 5"));
    EXPECT_EQ(1, books.count("T_Einstellungen", "ZeitraumNummer = 9"));
    e.first();
    e.deleteRow();
    EXPECT_EQ(1, books.count("T_Einstellungen"));
    EXPECT_EQ(9, e.fieldInt("ZeitraumNummer"));
}
