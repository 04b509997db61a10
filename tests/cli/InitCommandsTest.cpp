#include "CliTestSupport.h"

#include <QFile>
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

TEST(CliInit, BadInputIsRefusedWithAGermanMessage) {
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"init", "--client", "X", "--year", "abc"}, "Geben sie das Jahr bitte 4-stellig an!"},
        {{"init", "--client", "", "--year", "2024"}, "Geben sie bitte eine Mandantenbezeichnung an."},
        {{"init", "--client", "X"}, "nur gemeinsam"},
        {{"init", "--bogus"}, "Unbekannte Option"},
        {{"gibtsnicht"}, "Unbekannter Befehl"},
    };
    for (const auto& c : cases) {
        CliFixture cli;
        const CliRun r = cli.run(c.args);
        EXPECT_EQ(1, r.status) << c.says;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << r.err.toStdString();
    }
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
