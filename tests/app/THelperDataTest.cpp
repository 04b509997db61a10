#include "app/KassolError.h"
#include "app/THelperData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Fixture {
    QTemporaryDir root;
    QString program = root.filePath(QStringLiteral("prog"));
    QString data = root.filePath(QStringLiteral("appdata"));
    QStringList created;

    Fixture() { QDir().mkpath(program); }
    THelperData helper() {
        return THelperData(Folders{program, data, {}, {}}, [this](const QString& path) {
            created << path;
            QFile f(path);
            f.open(QIODevice::WriteOnly);
        });
    }
    void touch(const QString& name) {
        QFile f(QDir(program).filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write("x");
    }
};

} // namespace

TEST(THelperData, ProgramFolderWithDatabaseIsUsedAsFound) {
    Fixture f;
    f.touch(QStringLiteral("ks_tab.MDB"));
    THelperData h = f.helper();
    h.InitPathAndDB();
    EXPECT_EQ(f.program + "/", h.DBPath());
    EXPECT_EQ(f.program + "/Kassol.ini", h.IniPath());
    EXPECT_EQ(f.program + "/ks_tab.MDB", h.DatabaseFile()) << "found whatever its case";
    EXPECT_TRUE(f.created.isEmpty());
    EXPECT_FALSE(QDir(f.data).exists());
}

TEST(THelperData, DeliveredNewDatabaseIsMovedIntoPlace) {
    Fixture f;
    f.touch(QStringLiteral("KS_neu.mdb"));
    THelperData h = f.helper();
    h.InitPathAndDB();
    EXPECT_EQ(f.program + "/", h.DBPath());
    EXPECT_TRUE(QFile::exists(f.program + "/KS_tab.mdb"));
    EXPECT_FALSE(QFile::exists(f.program + "/KS_neu.mdb"));
}

TEST(THelperData, DeliveredDatabaseBesideTheBooksIsSetAsideWithoutStartingAnything) {
    Fixture f;
    f.touch(QStringLiteral("KS_tab.mdb"));
    QFile neu(QDir(f.program).filePath(QStringLiteral("KS_neu.mdb")));
    ASSERT_TRUE(neu.open(QIODevice::WriteOnly));
    neu.write("geliefert");
    neu.close();
    // The separate program of older releases must not be started any more.
    QFile script(f.program + "/check_update.exe");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\ntouch ran-here\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    THelperData h = f.helper();
    h.InitPathAndDB();
    EXPECT_EQ(f.program + "/", h.DBPath());
    EXPECT_FALSE(QFile::exists(f.program + "/ran-here"));
    EXPECT_FALSE(QFile::exists(f.program + "/KS_neu.mdb"));
    QFile books(f.program + "/KS_tab.mdb");
    ASSERT_TRUE(books.open(QIODevice::ReadOnly));
    EXPECT_EQ("x", books.readAll()) << "the books in use are kept";
    const QStringList aside = QDir(f.program).entryList({QStringLiteral("KS_neu-nicht-uebernommen-*.mdb")});
    ASSERT_EQ(1, aside.size());
    QFile kept(QDir(f.program).filePath(aside.first()));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ("geliefert", kept.readAll());
    QFile log(f.program + "/Kassol_UpdateLog.log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains(aside.first()));
}

TEST(THelperData, NeitherFileCreatesTheDataFolderOnceAndKeepsItAfterwards) {
    Fixture f;
    THelperData h = f.helper();
    h.InitPathAndDB();
    const QString expected = f.data + "/Norvik/Kassol/Data";
    EXPECT_EQ(expected, h.DBPath());
    EXPECT_EQ(expected + "/Kassol.ini", h.IniPath());
    EXPECT_TRUE(QDir(expected).exists());
    ASSERT_EQ(1, f.created.size());
    EXPECT_EQ(expected + "/KS_tab.mdb", f.created.first());

    THelperData later = f.helper();
    later.InitPathAndDB();
    EXPECT_EQ(expected, later.DBPath());
    EXPECT_EQ(1, f.created.size()) << "an existing database is used unchanged";
}

TEST(THelperData, DataFolderThatCannotBeCreatedIsReported) {
    Fixture f;
    QFile blocker(f.data);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    THelperData h = f.helper();
    try {
        h.InitPathAndDB();
        FAIL() << "expected an error";
    } catch (const KassolError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("kann nicht angelegt werden")));
    }
    EXPECT_TRUE(f.created.isEmpty());
}
