#include "CliTestSupport.h"

#include "cli/CliCommand.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <gtest/gtest.h>

TEST(CliInit, CreatesTheDatabaseAndSaysThatAClientIsMissing) {
    CliFixture cli;
    const CliRun r = cli.ok({"init"});
    EXPECT_TRUE(r.out.startsWith(cli.dataDir() + "/KS_tab.mdb\n"));
    EXPECT_TRUE(r.out.contains("noch kein Mandant"));
    EXPECT_TRUE(QFile::exists(cli.dataDir() + "/KS_tab.mdb"));
}

TEST(CliInit, SetsUpTheFirstClientAndYearThenInfoCountsThem) {
    CliFixture cli;
    cli.ok({"init", "--client", "Muster GmbH", "--year", "2024"});
    const QJsonObject info = cli.ok({"info", "--json"}).json().object();
    EXPECT_EQ(202603, info["release"].toInt());
    EXPECT_EQ(1, info["mandanten"].toInt());
    EXPECT_EQ(1, info["wirtschaftsjahre"].toInt());
    EXPECT_EQ(0, info["buchungskreise"].toInt());
    EXPECT_EQ(0, info["buchungen"].toInt());
    EXPECT_EQ(2024, info["jahr"].toInt());
    EXPECT_EQ(cli.dataDir() + "/Kassol.ini", info["ini"].toString());
    const CliRun again = cli.ok({"init", "--client", "Anderer", "--year", "2030"});
    EXPECT_TRUE(again.out.contains("Muster GmbH")) << "an existing client is kept";
}

TEST(CliInit, BadInputIsRefusedWithAGermanMessageAndLeavesNoDatabase) {
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"init", "--client", "X", "--year", "abc"}, "\u201Eabc\u201C ist keine vierstellige Jahreszahl"},
        {{"init", "--client", "X", "--year", "20245"}, "keine vierstellige Jahreszahl"},
        {{"init", "--client", "X", "--year", ""}, "keine vierstellige Jahreszahl"},
        {{"init", "--client", "", "--year", "2024"}, "Bezeichnung des Mandanten"},
        // Refused by the database itself (the name is longer than 255 characters).
        {{"init", "--client", QString(300, 'x'), "--year", "2024"}, ""},
        {{"init", "--client", "X"}, "nur gemeinsam"},
        {{"init", "--bogus"}, "Unbekannte Option"},
        {{"gibtsnicht"}, "Unbekannter Befehl"},
    };
    for (const auto& c : cases) {
        CliFixture cli;
        const CliRun r = cli.run(c.args);
        EXPECT_EQ(1, r.status) << c.says;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(cli.dataDir() + "/KS_tab.mdb")) << c.says;
    }
}

TEST(CliInit, AWrongYearOnExistingBooksFailsAndChangesNothing) {
    CliFixture cli;
    cli.ok({"init"});
    for (const char* year : {"abc", "24", "2024x"}) {
        const CliRun r = cli.run({"init", "--client", "Muster", "--year", year});
        EXPECT_EQ(1, r.status) << year;
        EXPECT_TRUE(r.err.contains("vierstellig")) << r.err.toStdString();
    }
    cli.ok({"init", "--client", "Muster", "--year", "2024"});
    const CliRun r = cli.run({"init", "--client", "Muster", "--year", "abc"});
    EXPECT_EQ(1, r.status) << "a client with its year asks nothing, but the year is still checked";
    const QJsonObject info = cli.ok({"info", "--json"}).json().object();
    EXPECT_EQ(1, info["mandanten"].toInt());
    EXPECT_EQ(1, info["wirtschaftsjahre"].toInt());
    EXPECT_TRUE(QFile::exists(cli.dataDir() + "/KS_tab.mdb")) << "books that were there stay";
}

TEST(CliInit, AFailedInitInANewFolderLeavesNeitherDatabaseNorFolder) {
    CliFixture cli;
    const QString folder = cli.dataDir() + "/neu/buecher";
    CliRun r;
    QTextStream out(&r.out), err(&r.err);
    r.status = runCli({"--data-dir", folder, "init", "--client", "Muster", "--year", "abc"}, out, err, cli.clock);
    err.flush();
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.err.contains("vierstellig")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(folder + "/KS_tab.mdb"));
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST(CliInfo, WithoutADatabaseInTheFolderCreatesNothing) {
    CliFixture cli;
    const CliRun r = cli.run({"info"});
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.err.contains("keine Kassol-Datenbank"));
    EXPECT_FALSE(QFile::exists(cli.dataDir() + "/KS_tab.mdb"));
}

TEST(CliInfo, AForeignDatabaseFileIsNamedAndLeftAlone) {
    CliFixture cli;
    QFile f(cli.dataDir() + "/KS_tab.mdb");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("garbage");
    f.close();
    const CliRun r = cli.run({"info"});
    EXPECT_EQ(1, r.status);
    EXPECT_TRUE(r.err.contains("keine Kassol-Datenbank")) << r.err.toStdString();
    EXPECT_EQ(7, QFile(cli.dataDir() + "/KS_tab.mdb").size());
}
