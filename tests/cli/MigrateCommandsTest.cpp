#include "CliTestSupport.h"

#include "migration/JetTestdaten.h"
#include "migration/JetUebernahme.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

using namespace jettest;

namespace {

// The command reads its Jet file through prepared tables for the length of a test.
class MigrateTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_vorher = standardJetLeser();
        schreibeDatei(jet(), jetKopf());
    }
    void TearDown() override { standardJetLeser() = m_vorher; }
    void lies(std::map<QString, JetTabelle> tabellen) {
        standardJetLeser() = [tabellen](const QString&) { return std::make_unique<TestLeser>(tabellen); };
    }
    QString jet() const { return QDir(cli.dataDir()).filePath(QStringLiteral("KS_tab.mdb")); }
    CliFixture cli;

private:
    JetLeserFabrik m_vorher;
};

TEST_F(MigrateTest, PrintsTheRowsAndCheckedSumsAndTheBooksOpen) {
    lies(buecher());
    const CliRun r = cli.ok({"--json", "migrate"});
    const QJsonObject o = r.json().object();
    EXPECT_TRUE(o["uebernommen"].toBool());
    EXPECT_EQ(o["tabellen"]["T_Buchungen"].toObject(), (QJsonObject{{"access", 4}, {"uebernommen", 4}}));
    EXPECT_EQ(o["tabellen"]["T_Kontenplan"].toObject(), (QJsonObject{{"access", 19}, {"uebernommen", 21}}));
    const QJsonArray summen = o["summen"].toArray();
    ASSERT_EQ(summen.size(), 3);
    EXPECT_EQ(summen[0].toObject(), (QJsonObject{{"mandant", 1}, {"wirtschaftsjahr", 10}, {"betrag", "120.00"}, {"st_betrag", "20.00"}}));
    EXPECT_EQ(summen[2].toObject()["st_betrag"].toString(), QStringLiteral("0.7777"));
    EXPECT_TRUE(o["abgewiesen"].toArray().isEmpty());
    EXPECT_TRUE(o["ini_uebernommen"].isBool());
    EXPECT_EQ(liesDatei(QDir(cli.dataDir()).filePath("KS_tab_Access.mdb")), jetKopf());

    const QJsonObject info = cli.ok({"--json", "info"}).json().object();
    EXPECT_EQ(info["aktiver_mandant"].toInt(), 1);
    EXPECT_EQ(info["buchungen"].toInt(), 4);

    // Taken over once: the books are Kassol's now and a second run finds nothing to take over.
    const CliRun nochmal = cli.run({"migrate"});
    EXPECT_EQ(nochmal.status, 1);
    EXPECT_TRUE(nochmal.err.contains(QStringLiteral("keine Access-Datenbank"))) << nochmal.err.toStdString();
}

TEST_F(MigrateTest, RefusedRowsEndWithStatusTwoAndWithoutInvalidTakesTheRest) {
    auto b = buecher();
    b["T_Buchungen"].zeilen[2][7] = W(QString(101, QLatin1Char('t')));
    lies(b);
    const CliRun gestoppt = cli.run({"migrate"});
    EXPECT_EQ(gestoppt.status, 2);
    EXPECT_TRUE(gestoppt.err.contains(QStringLiteral("T_Buchungen, Zeile 3 (mandant 1, ID 102): Text ist 101 Zeichen lang; erlaubt sind 100.")))
        << gestoppt.err.toStdString();
    EXPECT_TRUE(gestoppt.err.contains(QStringLiteral("--without-invalid")));
    EXPECT_EQ(liesDatei(jet()), jetKopf());

    const CliRun weiter = cli.ok({"--json", "migrate", "--without-invalid"});
    const QJsonObject o = weiter.json().object();
    EXPECT_TRUE(o["uebernommen"].toBool());
    // The booking and its two movements stay behind.
    EXPECT_EQ(o["abgewiesen"].toArray().size(), 3);
    EXPECT_EQ(o["tabellen"]["t_kontenbewegungen"].toObject()["uebernommen"].toInt(), 3);
    EXPECT_TRUE(QString::fromUtf8(liesDatei(QDir(cli.dataDir()).filePath("Uebernahme-Protokoll.txt"))).contains(QStringLiteral("ID 102")));
}

TEST_F(MigrateTest, ARealJetFileWithoutKassolTablesIsLeftAsItWas) {
    const QString quelle = QStringLiteral(KASSOL_JET_FIXTURES "/testV2000.mdb.gz");
    if (!QFile::exists(quelle))
        GTEST_SKIP() << "Die Access-Testdateien fehlen (" KASSOL_JET_FIXTURES ").";
    QProcess zcat;
    zcat.setStandardOutputFile(jet());
    zcat.start(QStringLiteral("zcat"), {quelle});
    ASSERT_TRUE(zcat.waitForFinished());
    const QByteArray vorher = liesDatei(jet());
    const CliRun r = cli.run({"migrate"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("fehlt die Tabelle \u201ET_Mandant\u201C"))) << r.err.toStdString();
    EXPECT_EQ(liesDatei(jet()), vorher);
    EXPECT_FALSE(QFile::exists(QDir(cli.dataDir()).filePath("KS_tab_Access.mdb")));
}

} // namespace
