#include "store/DM_KS.h"
#include "store/Database.h"
#include "support/TestSupport.h"
#include "store/DbError.h"
#include "store/MdbSqlRunner.h"
#include "store/SchemaScript.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
QStringList tablesOf(Database& db) {
    QStringList names;
    QSqlQuery q = db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name COLLATE NOCASE"));
    while (q.next())
        names << q.value(0).toString();
    return names;
}
} // namespace

TEST(Schema, FreshDatabaseHoldsTheTablesTheChartAndTheReleaseRowOnly) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KS_tab.mdb"));
    Helper_MdbSqlRunner::CreateDatabaseIfMissing(path);
    Database db;
    db.open(path);
    EXPECT_EQ(QStringList({"Release", "T_BKreis", "T_Buchungen", "T_Einstellungen", "t_kontenbewegungen",
                           "T_Kontenplan", "T_Mandant", "T_Stammdaten", "T_Zeitraum"}),
              tablesOf(db));
    // The eighteen documented indexes and the three that speed up the large books.
    EXPECT_EQ(21, db.scalar("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name NOT LIKE 'sqlite_%'")->toInt());
    EXPECT_EQ(3, db.scalar("SELECT count(*) FROM sqlite_master WHERE name IN ('Buchungen_Jahr', 'Buchungen_Liste', 'Bewegungen_Buchung')")->toInt());
    EXPECT_EQ(21, db.scalar("SELECT count(*) FROM T_Kontenplan")->toInt());
    EXPECT_EQ(231, db.scalar("SELECT sum(id) FROM T_Kontenplan")->toInt());
    EXPECT_EQ("VST Gebäude", db.scalar("SELECT Kontoname FROM T_Kontenplan WHERE Kontonummer = 2024")->toString().toStdString());
    EXPECT_EQ(3, db.scalar("SELECT Kontoart FROM T_Kontenplan WHERE Kontonummer = 3000")->toInt());
    // Every account follows the numbering rule except the four special ones.
    EXPECT_EQ(0, db.scalar("SELECT count(*) FROM T_Kontenplan WHERE Kontonummer NOT IN (1021, 2021, 2023, 2024, 3000) "
                           "AND Kontonummer <> (CASE Kontoart WHEN 4 THEN 1000 ELSE 2000 END) + Steuersatz")->toInt());
    EXPECT_EQ("202603|2026-03-13|2000",
              db.scalar("SELECT Release || '|' || ReleaseDatum || '|' || MSAVersion FROM Release")->toString().toStdString());
    EXPECT_EQ(1, db.scalar("SELECT count(*) FROM Release")->toInt());
    for (const char* t : {"T_BKreis", "T_Buchungen", "T_Einstellungen", "t_kontenbewegungen", "T_Mandant", "T_Stammdaten", "T_Zeitraum"})
        EXPECT_EQ(0, db.scalar(QStringLiteral("SELECT count(*) FROM ") + t)->toInt()) << t;
    EXPECT_FALSE(QFile::exists(path + ".neu"));
}

TEST(Schema, ScriptLayoutEndsEveryStatementButTheLastWithASemicolon) {
    const QStringList lines = SchemaScript().split(QStringLiteral("\r\n"));
    EXPECT_TRUE(lines.last().startsWith("Insert Into Release"));
    EXPECT_FALSE(lines.last().endsWith(';'));
    EXPECT_FALSE(SchemaScript().endsWith("\n"));
    for (const char* comment : {"-- Indexe", "-- Foreign Keys", "-- Jetzt noch die Konten für den Kontenplan...", "-- Release Version schreiben"})
        EXPECT_TRUE(lines.contains(QString::fromUtf8(comment))) << comment;
}

TEST(Schema, AnExistingFileOfAnyContentIsLeftAlone) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KS_tab.mdb"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a database");
    f.close();
    Helper_MdbSqlRunner::CreateDatabaseIfMissing(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QByteArray("not a database"), f.readAll());
}

TEST(Schema, AFolderThatCannotBeWrittenLeavesNoFileBehind) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/KS_tab.mdb"));
    EXPECT_THROW(Helper_MdbSqlRunner::CreateDatabaseIfMissing(path), KassolError);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(path + ".neu"));
}

TEST(Schema, ForeignKeysRefuseOrphansAndReferencedDeletes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KS_tab.mdb"));
    Helper_MdbSqlRunner::CreateDatabaseIfMissing(path);
    Database db;
    db.open(path);
    EXPECT_THROW(db.exec("INSERT INTO T_Buchungen (mandant, ID, BK) VALUES (1, 1, 99)"), DbError);
    EXPECT_THROW(db.exec("INSERT INTO T_Stammdaten (mandant) VALUES (5)"), DbError);
    db.exec("INSERT INTO T_BKreis (mandant, id, BKName, BKKurz) VALUES (1, 1, 'Waren', 'WA')");
    db.exec("INSERT INTO T_Buchungen (mandant, ID, BK) VALUES (1, 1, 1)");
    db.exec("INSERT INTO t_kontenbewegungen (mandant, id, Buchungen_id, Konten_Nr, St_Betrag) VALUES (1, 1, 1, 1020, 200000)");
    EXPECT_THROW(db.exec("DELETE FROM T_Buchungen WHERE ID = 1"), DbError);
    EXPECT_THROW(db.exec("DELETE FROM T_BKreis WHERE id = 1"), DbError);
    EXPECT_THROW(db.exec("INSERT INTO t_kontenbewegungen (mandant, id, Buchungen_id) VALUES (2, 2, 1)"), DbError)
        << "the booking belongs to another client";
}

TEST(Schema, ColumnsRefuseValuesTheirTypeCannotHold) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("KS_tab.mdb"));
    Helper_MdbSqlRunner::CreateDatabaseIfMissing(path);
    Database db;
    db.open(path);
    db.exec("INSERT INTO T_BKreis (mandant, id, BKName, BKKurz) VALUES (1, 1, 'Waren', 'WA')");
    for (const char* bad : {
             "INSERT INTO T_BKreis (mandant, id, BKName, BKKurz) VALUES (1, 2, 'X', 'ABC')",
             "INSERT INTO T_BKreis (mandant, id, BKName, BKKurz) VALUES (1, 3000000000, 'X', 'A')",
             "INSERT INTO T_Buchungen (mandant, ID, BK, Steuersatz) VALUES (1, 5, 1, 40000)",
             "INSERT INTO T_Buchungen (mandant, ID, BK, Betrag) VALUES (1, 6, 1, 'zwölf')",
             "INSERT INTO T_Buchungen (mandant, ID, BK, Buchungsdatum) VALUES (1, 7, 1, '2024-02-31')",
             "INSERT INTO T_Buchungen (mandant, ID, BK) VALUES (NULL, 8, 1)",
             "INSERT INTO T_Mandant (id, aktiv, Bezeichnung) VALUES (1, 1, 'a'), (1, 0, 'b')",
         })
        EXPECT_THROW(db.exec(bad), DbError) << bad;
    EXPECT_EQ(0, db.scalar("SELECT count(*) FROM T_Buchungen")->toInt());
}

TEST(ExecuteSqlScript, SplitsByTheLayoutRules) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.db"));
    Helper_MdbSqlRunner::CreateEmptyMdb(path);
    const QStringList script{
        "CREATE TABLE t (a TEXT",
        "   -- a comment inside a statement drops out",
        "' an apostrophe line too",
        "  , b INTEGER",
        ")",
        ";",
        "INSERT INTO t (a, b) VALUES ('x;y', 1); ",
        "CREATE TABLE t (a TEXT);",
        "INSERT INTO missing VALUES (1);",
        "",
        "INSERT INTO t (a, b)",
        "VALUES ('joined', 2);",
        "INSERT INTO t (a, b) VALUES ('last', 3)",
    };
    Helper_MdbSqlRunner::ExecuteSqlScript(path, script);
    Database db;
    db.open(path);
    QSqlQuery q = db.query("SELECT a, b FROM t ORDER BY b");
    QStringList rows;
    while (q.next())
        rows << q.value(0).toString() + "/" + q.value(1).toString();
    EXPECT_EQ(QStringList({"x;y/1", "joined/2", "last/3"}), rows);
}

TEST(ExecuteSqlScript, TheLastStatementsFailureIsRaised) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.db"));
    Helper_MdbSqlRunner::CreateEmptyMdb(path);
    EXPECT_THROW(Helper_MdbSqlRunner::ExecuteSqlScript(path, {"CREATE TABLE t (a);", "INSERT INTO nowhere VALUES (1)"}), DbError);
    EXPECT_NO_THROW(Helper_MdbSqlRunner::ExecuteSqlScript(path, {"INSERT INTO nowhere VALUES (1);", "  ;  "}));
}

namespace {
// Every table and index of the file apart from the additional indexes, with its statement.
QString documentedSchema(Database& db) {
    return db.scalar(QStringLiteral("SELECT group_concat(type || ' ' || name || ' ' || ifnull(sql, ''), char(10)) FROM "
                                    "(SELECT * FROM sqlite_master WHERE name NOT IN ('Buchungen_Jahr', 'Buchungen_Liste', "
                                    "'Bewegungen_Buchung') ORDER BY name)"))
        ->toString();
}
int additionalIndexes(Database& db) {
    return db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                                    "('Buchungen_Jahr', 'Buchungen_Liste', 'Bewegungen_Buchung')"))
        ->toInt();
}
} // namespace

TEST(Schema, AnOlderFileGetsTheAdditionalIndexesWhenOpenedAndKeepsEverythingElse) {
    TestBooks b;
    b.addClient(5, "Muster", true, 2024, 1);
    b.addCircle(5, 1, "Waren", "WA");
    b.addBooking(5, 1, 1, QDate(2024, 3, 1), 1, "120", 20, 1);
    b.addMovement(5, 1, 1, 1020, "20");
    const QString before = documentedSchema(b.db());
    for (const char* name : {"Buchungen_Jahr", "Buchungen_Liste", "Bewegungen_Buchung"})
        b.db().exec(QStringLiteral("DROP INDEX [%1]").arg(QLatin1String(name)));
    b.dm->closeConnection();
    {
        // Opened bare, as the backup and the checks open it, the file is not changed.
        Database bare;
        bare.open(b.helper.DatabaseFile());
        EXPECT_EQ(0, additionalIndexes(bare));
    }
    EXPECT_EQ(3, additionalIndexes(b.db())) << "the data module adds them when it opens the file";
    EXPECT_EQ(before, documentedSchema(b.db()));
    EXPECT_EQ("ok", b.db().scalar(QStringLiteral("PRAGMA integrity_check"))->toString().toStdString());
    EXPECT_EQ(1, b.count(QStringLiteral("T_Buchungen")));
}
