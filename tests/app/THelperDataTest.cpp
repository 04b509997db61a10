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

TEST(THelperData, BothFilesStartTheUpdateProgramAndUseTheProgramFolder) {
    Fixture f;
    f.touch(QStringLiteral("KS_tab.mdb"));
    f.touch(QStringLiteral("KS_neu.mdb"));
    // A stand-in for the update program that leaves a mark in its working folder.
    const QString updater = f.program + "/check_update.exe";
    QFile script(updater);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\ntouch ran-here\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    THelperData h = f.helper();
    h.InitPathAndDB();
    EXPECT_EQ(f.program + "/", h.DBPath());
    EXPECT_TRUE(QFile::exists(f.program + "/ran-here")) << "started in the program folder and waited for";
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
