#include "store/BulkInsert.h"
#include "store/Database.h"
#include "store/Transaction.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Zeile {
    std::int64_t a = 0;
    std::string b;
    std::int64_t c = 2;
};

struct Zeilen : BulkRows {
    std::vector<Zeile> z;
    qsizetype anzahl() const override { return static_cast<qsizetype>(z.size()); }
    void zeile(qsizetype i, BulkValue* werte, int spalten) const override {
        const Zeile& r = z[static_cast<size_t>(i)];
        const BulkValue alle[] = {BulkValue::ganzzahl(r.a), BulkValue::utf8(r.b), BulkValue::ganzzahl(r.c)};
        std::copy_n(alle, std::min(spalten, 3), werte);
    }
};

const QStringList Spalten{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};

// A table with an index for each way new rows can meet it.
struct Tabelle {
    TestDataFolder folder{false};
    Database db;
    Tabelle() {
        db.openOrCreate(folder.databaseFile());
        db.exec(QStringLiteral("CREATE TABLE t (a INTEGER, b TEXT CHECK (b <> 'verboten'), c INTEGER) STRICT"));
        db.exec(QStringLiteral("CREATE INDEX ix_a ON t (a)"));
        db.exec(QStringLiteral("CREATE INDEX ix_b ON t (b)"));
        db.exec(QStringLiteral("CREATE INDEX ix_c ON t (c)"));
        db.exec(QStringLiteral("CREATE INDEX ix_a_ab ON t (a DESC)"));
        db.exec(QStringLiteral("CREATE INDEX ix_c_b ON t (c, b) WHERE c = 1"));
    }
    // The indexes in the order of the schema: one dropped and built again moves to its end.
    QStringList indexe() {
        QStringList names;
        QSqlQuery q = db.query(QStringLiteral("SELECT name || ':' || sql FROM sqlite_master WHERE type = 'index' ORDER BY rowid"));
        while (q.next())
            names << q.value(0).toString().section(QLatin1Char(':'), 0, 0);
        return names;
    }
    QString integritaet() { return db.scalar(QStringLiteral("PRAGMA integrity_check"))->toString(); }
    void schreibe(const Zeilen& rows) {
        auto tx = db.transaction();
        bulkInsert(db, QStringLiteral("t"), Spalten, rows, QStringLiteral("Test"));
        tx.commit();
    }
};

// Ascending a, b in a scattered order, c mostly 2 and set to 1 in every 20th row.
Zeilen zeilen(int n, std::int64_t ab = 0) {
    Zeilen r;
    for (int i = 0; i < n; ++i)
        r.z.push_back({ab + i, std::to_string((i * 7919) % n), i % 20 == 0 ? 1 : 2});
    return r;
}

} // namespace

TEST(BulkInsert, KeepsTheIndexesTheRowsGrowAtTheEndAndRebuildsTheOthers) {
    Tabelle t;
    t.schreibe(zeilen(5000));
    // ix_a and ix_c take the rows at their end (ix_c but for every 20th row); the others were
    // built anew, in the order the schema held them.
    EXPECT_EQ((QStringList{"ix_a", "ix_c", "ix_b", "ix_a_ab", "ix_c_b"}), t.indexe());
    EXPECT_EQ(5000, t.db.scalar(QStringLiteral("SELECT count(*) FROM t"))->toInt());
    EXPECT_EQ(250, t.db.scalar(QStringLiteral("SELECT count(*) FROM t INDEXED BY ix_c_b WHERE c = 1"))->toInt());
    EXPECT_EQ("ok", t.integritaet().toStdString());

    // Rows below the present entries of ix_a land in its middle, and so does each row after the
    // first in ix_a_ab: both are rebuilt this time; ix_c still takes them at its end.
    t.schreibe(zeilen(6000, -10000));
    EXPECT_EQ((QStringList{"ix_c", "ix_a", "ix_b", "ix_a_ab", "ix_c_b"}), t.indexe());
    EXPECT_EQ(11000, t.db.scalar(QStringLiteral("SELECT count(*) FROM t"))->toInt());
    EXPECT_EQ("ok", t.integritaet().toStdString());

    // A few rows beside a larger table keep every index.
    const QStringList vorher = t.indexe();
    t.schreibe(zeilen(500, 100000));
    EXPECT_EQ(vorher, t.indexe());
    EXPECT_EQ("ok", t.integritaet().toStdString());
}

TEST(BulkInsert, ARefusedRowIsNamedAndTheRollbackRestoresTheIndexes) {
    Tabelle t;
    const QStringList vorher = t.indexe();
    Zeilen rows = zeilen(3000);
    rows.z[1234].b = "verboten";
    try {
        t.schreibe(rows);
        ADD_FAILURE() << "written";
    } catch (const BulkRowError& e) {
        EXPECT_EQ(1234, e.zeile());
        EXPECT_EQ(DbError::Art::Regel, e.art());
    }
    EXPECT_EQ(0, t.db.scalar(QStringLiteral("SELECT count(*) FROM t"))->toInt());
    EXPECT_EQ(vorher, t.indexe());
    // The rows' table is gone with the statement; the next insert registers its own.
    rows.z[1234].b = "erlaubt";
    t.schreibe(rows);
    EXPECT_EQ(3000, t.db.scalar(QStringLiteral("SELECT count(*) FROM t"))->toInt());
    EXPECT_EQ(1, t.db.scalar(QStringLiteral("SELECT count(*) FROM t WHERE b = 'erlaubt' AND a = 1234"))->toInt());
}

TEST(BulkInsert, AnIndexLargerThanItsSortingPiecesIsBuiltWholeAndTheSettingsReturn) {
    Tabelle t;
    t.db.exec(QStringLiteral("PRAGMA cache_size = -4000"));
    const auto einstellung = [&](const char* pragma) { return t.db.scalar(QString::fromLatin1(pragma))->toLongLong(); };
    const qint64 threads = einstellung("PRAGMA threads"), cache = einstellung("PRAGMA cache_size");
    // Some 5 MiB of keys in a scattered order: more than one piece to sort and merge.
    const int n = 80000;
    Zeilen rows = zeilen(n);
    for (Zeile& z : rows.z)
        z.b = std::string(60, 'k') + z.b;
    t.schreibe(rows);
    EXPECT_EQ("ok", t.integritaet().toStdString());
    QSqlQuery q = t.db.query(QStringLiteral("SELECT b FROM t INDEXED BY ix_b ORDER BY b"));
    std::vector<std::string> sortiert;
    while (q.next())
        sortiert.push_back(q.value(0).toString().toStdString());
    ASSERT_EQ(static_cast<size_t>(n), sortiert.size());
    EXPECT_TRUE(std::is_sorted(sortiert.begin(), sortiert.end()));
    EXPECT_EQ(threads, einstellung("PRAGMA threads"));
    EXPECT_EQ(cache, einstellung("PRAGMA cache_size"));
}
