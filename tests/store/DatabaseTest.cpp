#include "store/Database.h"
#include "store/DatabaseFile.h"
#include "store/DbError.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {
QString writeFile(const QTemporaryDir& dir, const QByteArray& content) {
    const QString path = dir.filePath(QStringLiteral("KS_tab.mdb"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    return path;
}
} // namespace

TEST(Database, ForeignFilesAreNamedAndNeverTouched) {
    QByteArray jet(64, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    const struct {
        QByteArray content;
        const char* says;
    } cases[] = {
        {jet, "Microsoft-Access-Datenbank"},
        {QByteArray("PK\x03\x04 garbage that is no database"), "unbekanntes Dateiformat"},
        {QByteArray(), "ist leer"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString path = writeFile(dir, c.content);
        Database db;
        try {
            db.open(path);
            FAIL() << c.says;
        } catch (const KassolError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.says))) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(path)) << "names the file";
        }
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        EXPECT_EQ(c.content, f.readAll()) << c.says;
        EXPECT_FALSE(QFile::exists(path + "-journal"));
    }
}

TEST(Database, MissingFileIsNotCreatedByOpening) {
    QTemporaryDir dir;
    Database db;
    EXPECT_THROW(db.open(dir.filePath("KS_tab.mdb")), KassolError);
    EXPECT_FALSE(QFile::exists(dir.filePath("KS_tab.mdb")));
}

TEST(Database, ConnectionSettingsFavourDurability) {
    TestBooks books;
    EXPECT_EQ(1, books.db().scalar("PRAGMA foreign_keys")->toInt());
    EXPECT_EQ("delete", books.db().scalar("PRAGMA journal_mode")->toString().toStdString());
    EXPECT_EQ(2, books.db().scalar("PRAGMA synchronous")->toInt()) << "FULL";
}

TEST(Database, ANewFileGetsLargerPagesAndAnOlderOneKeepsItsOwn) {
    TestBooks books;
    EXPECT_EQ(8192, books.db().scalar("PRAGMA page_size")->toInt());
    QTemporaryDir dir;
    const QString alt = dir.filePath(QStringLiteral("alt.mdb"));
    {
        Database db;
        db.openOrCreate(alt);
        db.exec(QStringLiteral("CREATE TABLE x (a)"));
        db.exec(QStringLiteral("PRAGMA page_size = 4096"));
        db.exec(QStringLiteral("VACUUM"));
    }
    Database db;
    db.openOrCreate(alt);
    db.exec(QStringLiteral("INSERT INTO x VALUES (1)"));
    EXPECT_EQ(4096, db.scalar("PRAGMA page_size")->toInt());
}

TEST(Database, TheFilesDescriptorIsTheConnectionsOwnOrNone) {
    TestBooks books;
    const int fd = books.db().dateiDeskriptor();
    ASSERT_GE(fd, 0);
    // It reads the very file: its first bytes are the database's header.
    char kopf[16] = {};
    ASSERT_EQ(16, ::pread(fd, kopf, 16, 0));
    EXPECT_EQ(QByteArray("SQLite format 3", 15), QByteArray(kopf, 15));
    Database imSpeicher;
    imSpeicher.openOrCreate(QStringLiteral(":memory:"));
    EXPECT_EQ(-1, imSpeicher.dateiDeskriptor());
    Database zu;
    EXPECT_EQ(-1, zu.dateiDeskriptor());
}

TEST(Database, ErrorsCarryEngineMessageStatementAndContext) {
    TestBooks books;
    try {
        books.db().exec("INSERT INTO nowhere VALUES (1)", {}, "Test");
        FAIL();
    } catch (const DbError& e) {
        EXPECT_TRUE(e.engineMessage().contains("no such table"));
        EXPECT_EQ("INSERT INTO nowhere VALUES (1)", e.statement().toStdString());
        EXPECT_EQ("Test", e.context().toStdString());
    }
}

TEST(Transaction, RollsBackUnlessCommittedAndNestsAsSavepoints) {
    TestBooks books;
    Database& db = books.db();
    {
        auto tx = db.transaction();
        db.exec("INSERT INTO T_Mandant (id, aktiv, Bezeichnung) VALUES (1, 0, 'a')");
    }
    EXPECT_EQ(0, books.count("T_Mandant"));
    {
        auto outer = db.transaction();
        db.exec("INSERT INTO T_Mandant (id, aktiv, Bezeichnung) VALUES (1, 0, 'a')");
        {
            auto inner = db.transaction();
            db.exec("INSERT INTO T_Mandant (id, aktiv, Bezeichnung) VALUES (2, 0, 'b')");
        }
        {
            auto inner = db.transaction();
            db.exec("INSERT INTO T_Mandant (id, aktiv, Bezeichnung) VALUES (3, 0, 'c')");
            inner.commit();
        }
        outer.commit();
    }
    EXPECT_EQ(2, books.count("T_Mandant"));
    EXPECT_EQ(0, books.count("T_Mandant", "id = 2"));
    try {
        auto tx = db.transaction();
        db.exec("INSERT INTO T_Mandant (id, aktiv, Bezeichnung) VALUES (4, 0, 'd')");
        db.exec("INSERT INTO T_Mandant (id, aktiv, Bezeichnung) VALUES (4, 0, 'dup')");
        tx.commit();
    } catch (const DbError&) {
    }
    EXPECT_EQ(0, books.count("T_Mandant", "id = 4")) << "a failure in the middle leaves nothing";
}
